// The host program's listings of what Corvane offers the host: its command bars with their
// items, and its classes with the texts, images, help and enabled states the host sees. Both
// create the classes through the registry, so the library must be registered first.
#pragma once

namespace trevik {

// "menus": every menu and toolbar of the class catalogue, in map order, with its kind, name,
// caption and items in order (ProgID, subtype when not 0, "group" when a separator goes
// before it, "unregistered" when no class is registered under the ProgID). Returns 0, or 1
// when a bar cannot be created or read.
int ListMenus();

// "catalogue": every class of the catalogue in map order. A class that cannot be created yet
// is listed as not available. Each creatable command is created in a host of its kind, handed
// the hook, and listed with its caption, name, category, tooltip, message, help file and
// context, bitmap (and cursor for tools), and its enabled state with the extension object in
// state 0 and 1 and, where its rule asks for them, every combination of the analysis
// extensions Quentara and Sorrelin. Subtyped classes are listed per subtype. Returns 0, or 1
// when a class fails other than by being unavailable.
int ListCatalogue();

}  // namespace trevik
