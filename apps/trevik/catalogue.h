// The host program's listings of what the libraries offer the host: the command bars with their
// items, and Corvane's classes with the texts, images, help and enabled states the host sees.
// Both find the classes in the registry and ask the classes themselves, so the libraries must
// be registered first.
#pragma once

namespace trevik {

// The library whose classes "catalogue" lists.
inline constexpr const char* kCorvaneFile = "libCorvane.so";

// "menus": every registered class in a command-bar category, in registration order, with its
// kind, name, caption and items in order (ProgID, subtype when not 0, "group" when a separator goes
// before it, "unregistered" when no class is registered under the ProgID). Returns 0, or 1
// when none is registered or a bar cannot be created or read.
int ListMenus();

// "catalogue": every registered class of Corvane in registration (map) order, named by the last
// part of its ProgID, its role read from the interfaces it answers (from its categories when it
// cannot be created: such a class is listed as not available). Each command is created in the
// host its categories name, handed the hook, and listed with its caption, name, category,
// tooltip, message, help file and context, its bitmap (and cursor for tools: the resource
// id when the image is the platform's, else "present", or "none"), and its enabled state with the
// extension object in state 0, and in state 1 under every combination of the analysis extensions
// Quentara and Sorrelin. A class with subtypes is listed per subtype. Returns 0, or 1 when nothing
// of Corvane is registered or a class fails other than by being unavailable.
int ListCatalogue();

}  // namespace trevik
