#include "apps/trevik/catalogue.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "apps/trevik/host_session.h"
#include "interfaces/corvane_ids.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/host/shell/command_bar_defs.h"
#include "platform/host/shell/dockable_window.h"
#include "platform/host/display/operation_stack.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/gdi.h"

namespace trevik {

using velk::Bstr;
using velk::ComPtr;
using velk::HresultText;
using velk::QueryAs;
using velk::ToUtf8;
using velk::host::HostKind;
using velk::reg::Hive;

namespace {

// A class as the registry shows it.
struct RegisteredClass {
  std::wstring progId;  // version independent
  std::vector<CLSID> categories;

  bool In(std::initializer_list<const CATID*> any) const {
    for (const CLSID& c : categories)
      for (const CATID* a : any)
        if (c == *a) return true;
    return false;
  }
  bool IsBar() const {
    return In({&velk::ids::CATID_QmCommandBars, &velk::ids::CATID_GQmCommandBars});
  }
  // The host whose categories the class is in: the map's first, then the globe's, then the
  // catalog's; a class of no category is listed under the map host.
  HostKind Kind() const {
    using namespace velk::ids;
    if (In({&CATID_QmCommands, &CATID_QmCommandBars, &CATID_QmDockableWindows}))
      return HostKind::Map;
    if (In({&CATID_GQmCommands, &CATID_GQmCommandBars, &CATID_GQmDockableWindows}))
      return HostKind::Globe;
    if (In({&CATID_QcDatabaseNewMenuCommands, &CATID_RasterCatalogLoadMenuCommands,
            &CATID_QcStandaloneFeatureClassContextMenuCommands,
            &CATID_QcEnterpriseFeatureClassContextMenuCommands,
            &CATID_QcEnterpriseStandaloneFeatureClassContextMenuCommands}))
      return HostKind::Catalog;
    return HostKind::Map;
  }
  // The class's name: the last part of its ProgID.
  std::string Name() const { return ToUtf8(progId.substr(progId.rfind(L'.') + 1)); }
};

// The registered classes, in registration order; with a library file name, only the classes
// that library serves.
std::vector<RegisteredClass> RegisteredClasses(const std::string& libraryFile = {}) {
  std::vector<RegisteredClass> classes;
  for (const std::wstring& clsid : velk::reg::SubKeys(Hive::ClassesRoot, L"CLSID")) {
    const std::wstring key = L"CLSID\\" + clsid;
    if (!libraryFile.empty()) {
      std::wstring server;
      velk::reg::ReadString(Hive::ClassesRoot, key + L"\\InprocServer32", L"", server);
      if (std::filesystem::path(ToUtf8(server)).filename() != libraryFile) continue;
    }
    RegisteredClass c;
    if (!velk::reg::ReadString(Hive::ClassesRoot, key + L"\\VersionIndependentProgID", L"",
                               c.progId) ||
        c.progId.empty())
      continue;  // the host creates classes by ProgID
    for (const std::wstring& cat :
         velk::reg::SubKeys(Hive::ClassesRoot, key + L"\\Implemented Categories")) {
      CATID id{};
      if (velk::GuidFromString(cat, id)) c.categories.push_back(id);
    }
    classes.push_back(std::move(c));
  }
  return classes;
}

std::string Quoted(const std::wstring& text) { return "\"" + ToUtf8(text) + "\""; }
std::string ErrorText(HRESULT hr) { return ToUtf8(HresultText(hr)); }

bool IsRegisteredProgId(const std::wstring& progId) {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(progId.c_str(), &clsid));
}

// What the host makes of a created class, from the interfaces it answers.
const char* RoleOf(IUnknown* object) {
  if (QueryAs<IMenuDef>(object)) return "menu";
  if (QueryAs<IToolBarDef>(object)) return "toolbar";
  if (QueryAs<ICommand>(object)) {
    if (QueryAs<ICommandSubType>(object)) return "tool with subtypes";
    if (QueryAs<IToolControl>(object)) return "tool control";
    if (QueryAs<ITool>(object)) return "tool";
    return "command";
  }
  if (QueryAs<IDockableWindowDef>(object)) return "dockable window";
  if (QueryAs<IOperation>(object)) return "operation";
  return "class";
}

// What the registry says of a class that cannot be created.
const char* RegisteredRole(const RegisteredClass& c) {
  using namespace velk::ids;
  if (c.IsBar()) return "command bar";
  if (c.In({&CATID_QmDockableWindows, &CATID_GQmDockableWindows})) return "dockable window";
  if (c.categories.empty()) return "class";
  return "command";
}

// The resource id an image was loaded under, "present" when it came from elsewhere.
std::string ImageText(HANDLE image) {
  if (!image) return "none";
  std::wstring name = velk::win::ImageName(image);
  return name.empty() ? "present" : ToUtf8(name);
}
// The bar's kind, name, caption and items; empty and a failure when it cannot be read.
HRESULT DescribeBar(IUnknown* bar, std::string& text) {
  velk::host::CommandBarContents contents;
  HRESULT hr = velk::host::ReadCommandBar(bar, contents);
  if (FAILED(hr)) return hr;
  text = std::string(contents.isMenu ? "menu" : "toolbar") + " name " + Quoted(contents.name) +
         " caption " + Quoted(contents.caption) + " items " +
         std::to_string(contents.items.size()) + "\n";
  for (std::size_t i = 0; i < contents.items.size(); ++i) {
    const velk::host::CommandBarItem& item = contents.items[i];
    text += "  " + std::to_string(i + 1) + " " + ToUtf8(item.id);
    if (item.subType != 0) text += " subtype " + std::to_string(item.subType);
    if (item.beginsGroup) text += " group";
    if (!IsRegisteredProgId(item.id)) text += " unregistered";
    text += "\n";
  }
  return S_OK;
}

// A text slot of the command, quoted; the failure's name when it fails.
std::string TextSlot(ICommand* command, HRESULT (ICommand::*slot)(BSTR*)) {
  Bstr text;
  HRESULT hr = (command->*slot)(&text);
  return FAILED(hr) ? ErrorText(hr) : Quoted(text.str());
}

std::string OnOff(LONG state) { return state == kExtensionEnabled ? "on" : "off"; }

// The enabled state of a command with the extension object off and on, and with it on under
// every combination of the analysis extensions.
std::string EnabledLines(TrevikSession& session, ICommand* command) {
  struct StateCase {
    LONG zel;
    LONG quentara;
    LONG sorrelin;
  };
  constexpr LONG on = kExtensionEnabled, off = kExtensionDisabled;
  constexpr StateCase kStates[] = {
      {0, on, on}, {1, on, on}, {1, on, off}, {1, off, on}, {1, off, off}};
  std::string text;
  auto& host = session.Host();
  for (const StateCase& s : kStates) {
    host.SetExtensionState(L"Tarvos", s.zel);
    host.SetExtensionState(L"Quentara", s.quentara);
    host.SetExtensionState(L"Sorrelin", s.sorrelin);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    HRESULT hr = command->get_Enabled(&enabled);
    text += "   enabled zel=" + std::to_string(s.zel) + " quentara=" + OnOff(s.quentara) +
            " sorrelin=" + OnOff(s.sorrelin) + ": " +
            (FAILED(hr) ? ErrorText(hr) : std::string(enabled == VARIANT_TRUE ? "yes" : "no")) +
            "\n";
  }
  host.SetExtensionState(L"Tarvos", 1);
  host.SetExtensionState(L"Quentara", on);
  host.SetExtensionState(L"Sorrelin", on);
  return text;
}

// Texts, help, images and enabled states of a created command.
std::string DescribeCommand(TrevikSession& session, IUnknown* object) {
  auto command = QueryAs<ICommand>(object);
  if (!command) return "   no command interface\n";
  std::string text;
  text += "   caption " + TextSlot(command.get(), &ICommand::get_Caption) + " name " +
          TextSlot(command.get(), &ICommand::get_Name) + " category " +
          TextSlot(command.get(), &ICommand::get_Category) + "\n";
  text += "   tooltip " + TextSlot(command.get(), &ICommand::get_Tooltip) + "\n";
  text += "   message " + TextSlot(command.get(), &ICommand::get_Message) + "\n";
  LONG context = 0;
  HRESULT hr = command->get_HelpContextID(&context);
  text += "   help " + TextSlot(command.get(), &ICommand::get_HelpFile) + " context " +
          (FAILED(hr) ? ErrorText(hr) : std::to_string(context)) + "\n";
  HBITMAP bitmap = nullptr;
  hr = command->get_Bitmap(&bitmap);
  text += "   bitmap " + (FAILED(hr) ? ErrorText(hr) : ImageText(bitmap));
  if (auto tool = QueryAs<ITool>(object)) {
    HCURSOR cursor = nullptr;
    hr = tool->get_Cursor(&cursor);
    text += " cursor " + (FAILED(hr) ? ErrorText(hr) : ImageText(cursor));
  }
  text += "\n";
  return text + EnabledLines(session, command.get());
}

// One class: created in the session, described; status 1 when it fails other than by being
// unavailable.
std::string DescribeClass(TrevikSession& session, std::size_t index, const RegisteredClass& c,
                          int& status) {
  const std::string head = std::to_string(index + 1) + " " + c.Name() + " " + ToUtf8(c.progId);
  ComPtr<IUnknown> object;
  HRESULT hr = velk::CreateByProgId(c.progId, object.put());
  if (FAILED(hr)) {
    const std::string role = head + " " + RegisteredRole(c);
    if (hr == CLASS_E_CLASSNOTAVAILABLE) return role + ": not available\n";
    status = 1;
    return role + ": " + ErrorText(hr) + "\n";
  }
  const std::string role = head + " " + RoleOf(object.get());
  if (QueryAs<IMenuDef>(object.get()) || QueryAs<IToolBarDef>(object.get())) {
    std::string bar;
    hr = DescribeBar(object.get(), bar);
    if (FAILED(hr)) {
      status = 1;
      return role + ": " + ErrorText(hr) + "\n";
    }
    return head + " " + bar;
  }
  if (!QueryAs<ICommand>(object.get())) return role + ": created\n";
  // Commands are created as the host creates them: subtype set, hook handed over.
  LONG subtypes = 0;
  if (auto sub = QueryAs<ICommandSubType>(object.get()); sub && FAILED(sub->GetCount(&subtypes)))
    subtypes = 0;
  object = nullptr;
  std::string body;
  for (LONG sub = subtypes > 0 ? 1 : 0; sub <= subtypes; ++sub) {
    ComPtr<ICommandItem> item;
    hr = session.CreateCommand(c.progId, sub, item.put());
    if (FAILED(hr)) {
      status = 1;
      return role + ": " + ErrorText(hr) + "\n";
    }
    ComPtr<IUnknown> command;
    item->get_Command(command.put());
    if (sub) body += "  subtype " + std::to_string(sub) + "\n";
    body += DescribeCommand(session, command.get());
  }
  return role + "\n" + body;
}

}  // namespace

int ListMenus() {
  int status = 0;
  bool any = false;
  for (const RegisteredClass& c : RegisteredClasses()) {
    if (!c.IsBar()) continue;
    any = true;
    ComPtr<IUnknown> bar;
    HRESULT hr = velk::CreateByProgId(c.progId, bar.put());
    std::string text;
    if (SUCCEEDED(hr)) hr = DescribeBar(bar.get(), text);
    if (FAILED(hr)) {
      std::fprintf(stderr, "trevik: cannot read %s: %s\n", ToUtf8(c.progId).c_str(),
                   ErrorText(hr).c_str());
      status = 1;
      continue;
    }
    std::printf("%s %s %s", c.Name().c_str(), ToUtf8(c.progId).c_str(), text.c_str());
  }
  if (!any) {
    std::fprintf(stderr, "trevik: no menus or toolbars are registered\n");
    return 1;
  }
  return status;
}

int ListCatalogue() {
  const std::vector<RegisteredClass> classes = RegisteredClasses(kCorvaneFile);
  if (classes.empty()) {
    std::fprintf(stderr, "trevik: no classes of %s are registered\n", kCorvaneFile);
    return 1;
  }
  int status = 0;
  std::map<std::size_t, std::string> lines;
  // One host per kind, each class created in the host that shows it.
  for (HostKind kind : {HostKind::Map, HostKind::Globe, HostKind::Catalog}) {
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < classes.size(); ++i)
      if (classes[i].Kind() == kind) shown.push_back(i);
    if (shown.empty()) continue;
    std::wstring error;
    auto session = TrevikSession::Start(kind, &error);
    if (!session) {
      std::fprintf(stderr, "trevik: %s\n", ToUtf8(error).c_str());
      return 1;
    }
    for (std::size_t i : shown) lines[i] = DescribeClass(*session, i, classes[i], status);
  }
  for (const auto& [index, text] : lines) std::fputs(text.c_str(), stdout);
  return status;
}

}  // namespace trevik
