#include "apps/trevik/catalogue.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "apps/trevik/host_session.h"
#include "corvane/class_catalogue.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/command.h"
#include "platform/host/command_bar_defs.h"
#include "platform/registry/activation.h"

namespace trevik {

using velk::Bstr;
using velk::ComPtr;
using velk::HresultText;
using velk::QueryAs;
using velk::ToUtf8;
using velk::corvane::ClassEntry;
using velk::corvane::ExtensionNeed;
using velk::corvane::HostRole;
using velk::corvane::kClassCatalogue;
using velk::corvane::LayerNeed;
using velk::corvane::ShownIn;

namespace {

std::string Quoted(const std::wstring& text) { return "\"" + ToUtf8(text) + "\""; }
std::string Utf8(const wchar_t* text) { return ToUtf8(std::wstring(text)); }
std::string ErrorText(HRESULT hr) { return ToUtf8(HresultText(hr)); }

bool IsRegisteredProgId(const std::wstring& progId) {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(progId.c_str(), &clsid));
}

const char* RoleName(HostRole role) {
  switch (role) {
    case HostRole::Command: return "command";
    case HostRole::Tool: return "tool";
    case HostRole::SubtypedTool: return "tool with subtypes";
    case HostRole::ToolControl: return "tool control";
    case HostRole::Menu: return "menu";
    case HostRole::Toolbar: return "toolbar";
    case HostRole::DockableWindow: return "dockable window";
    case HostRole::Operation: return "operation";
  }
  return "class";
}

std::string Heading(std::size_t index, const ClassEntry& e) {
  return std::to_string(index + 1) + " " + e.name + " " + Utf8(e.progId);
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

velk::host::HostKind KindOf(ShownIn shownIn) {
  switch (shownIn) {
    case ShownIn::Globe: return velk::host::HostKind::Globe;
    case ShownIn::Catalog: return velk::host::HostKind::Catalog;
    case ShownIn::Map: break;
  }
  return velk::host::HostKind::Map;
}

// A text slot of the command, quoted; the failure's name when it fails.
std::string TextSlot(ICommand* command, HRESULT (ICommand::*slot)(BSTR*)) {
  Bstr text;
  HRESULT hr = (command->*slot)(&text);
  return FAILED(hr) ? ErrorText(hr) : Quoted(text.str());
}

std::string OnOff(LONG state) { return state == kExtensionEnabled ? "on" : "off"; }

struct StateCase {
  LONG zel;
  LONG quentara;
  LONG sorrelin;
  bool showAnalysis;  // the rule asks for the analysis extensions
};

std::vector<StateCase> StatesFor(const ClassEntry& e) {
  bool analysis = e.rule.extensions != ExtensionNeed::None;
  for (const auto& s : e.subtypes) analysis = analysis || s.rule.extensions != ExtensionNeed::None;
  constexpr LONG on = kExtensionEnabled, off = kExtensionDisabled;
  if (!analysis) return {{0, on, on, false}, {1, on, on, false}};
  return {{0, on, on, true},
          {1, on, on, true},
          {1, on, off, true},
          {1, off, on, true},
          {1, off, off, true}};
}

bool NeedsLayer(const ClassEntry& e) {
  bool layer = e.rule.layer != LayerNeed::None;
  for (const auto& s : e.subtypes) layer = layer || s.rule.layer != LayerNeed::None;
  return layer;
}

// The enabled state of one command under each extension state that its rule depends on.
std::string EnabledLines(TrevikSession& session, ICommand* command, const ClassEntry& e) {
  std::string text;
  auto& host = session.Host();
  for (const StateCase& s : StatesFor(e)) {
    host.SetExtensionState(L"Tarvos", s.zel);
    host.SetExtensionState(L"Quentara", s.quentara);
    host.SetExtensionState(L"Sorrelin", s.sorrelin);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    HRESULT hr = command->get_Enabled(&enabled);
    text += "   enabled zel=" + std::to_string(s.zel);
    if (s.showAnalysis) text += " quentara=" + OnOff(s.quentara) + " sorrelin=" + OnOff(s.sorrelin);
    if (NeedsLayer(e)) text += " no layer chosen";
    text += ": " +
            (FAILED(hr) ? ErrorText(hr) : std::string(enabled == VARIANT_TRUE ? "yes" : "no")) +
            "\n";
  }
  host.SetExtensionState(L"Tarvos", 1);
  host.SetExtensionState(L"Quentara", kExtensionEnabled);
  host.SetExtensionState(L"Sorrelin", kExtensionEnabled);
  return text;
}

// Texts, help, images and enabled states of a created command.
std::string DescribeCommand(TrevikSession& session, IUnknown* object, const ClassEntry& e,
                            UINT bitmapId) {
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
  text += "   bitmap ";
  if (FAILED(hr))
    text += ErrorText(hr);
  else if (bitmap && bitmapId)
    text += std::to_string(bitmapId);
  else if (bitmap)
    text += "present (catalogue: none)";
  else if (bitmapId)
    text += "missing (catalogue: " + std::to_string(bitmapId) + ")";
  else
    text += "none";
  if (auto tool = QueryAs<ITool>(object)) {
    HCURSOR cursor = nullptr;
    hr = tool->get_Cursor(&cursor);
    text += " cursor ";
    text += FAILED(hr) ? ErrorText(hr) : cursor ? std::to_string(e.cursorId) : std::string("none");
  }
  text += "\n";
  return text + EnabledLines(session, command.get(), e);
}

// One class: created in the session, described; status 1 when it fails other than by being
// unavailable.
std::string DescribeClass(TrevikSession& session, std::size_t index, const ClassEntry& e,
                          int& status) {
  const std::string head = Heading(index, e);
  const std::string role = head + " " + RoleName(e.role);
  auto failed = [&](HRESULT hr) {
    if (hr == CLASS_E_CLASSNOTAVAILABLE) return role + ": not available\n";
    status = 1;
    return role + ": " + ErrorText(hr) + "\n";
  };
  if (!e.IsCommand()) {
    ComPtr<IUnknown> object;
    HRESULT hr = velk::CreateByProgId(e.progId, object.put());
    if (FAILED(hr)) return failed(hr);
    if (!e.IsBar()) return role + ": created\n";
    std::string bar;
    hr = DescribeBar(object.get(), bar);
    if (FAILED(hr)) {
      status = 1;
      return role + ": " + ErrorText(hr) + "\n";
    }
    return head + " " + bar;
  }
  // Commands are created as the host creates them: subtype set, hook handed over.
  LONG subtypes = static_cast<LONG>(e.subtypes.size());
  std::string body;
  for (LONG sub = subtypes ? 1 : 0; sub <= subtypes; ++sub) {
    ComPtr<ICommandItem> item;
    HRESULT hr = session.CreateCommand(e.progId, sub, item.put());
    if (FAILED(hr)) return failed(hr);
    ComPtr<IUnknown> object;
    item->get_Command(object.put());
    if (sub) body += "  subtype " + std::to_string(sub) + "\n";
    UINT bitmapId = sub ? e.subtypes[static_cast<std::size_t>(sub - 1)].bitmapId : e.bitmapId;
    body += DescribeCommand(session, object.get(), e, bitmapId);
  }
  return role + "\n" + body;
}

}  // namespace

int ListMenus() {
  int status = 0;
  for (const ClassEntry& e : kClassCatalogue) {
    if (!e.IsBar()) continue;
    ComPtr<IUnknown> bar;
    HRESULT hr = velk::CreateByProgId(e.progId, bar.put());
    std::string text;
    if (SUCCEEDED(hr)) hr = DescribeBar(bar.get(), text);
    if (FAILED(hr)) {
      std::fprintf(stderr, "trevik: cannot read %s: %s\n", Utf8(e.progId).c_str(),
                   ErrorText(hr).c_str());
      status = 1;
      continue;
    }
    std::printf("%s %s %s", e.name, Utf8(e.progId).c_str(), text.c_str());
  }
  return status;
}

int ListCatalogue() {
  int status = 0;
  std::map<std::size_t, std::string> lines;
  // One host per kind, each class created in the host that shows it.
  for (ShownIn shownIn : {ShownIn::Map, ShownIn::Globe, ShownIn::Catalog}) {
    std::vector<std::size_t> classes;
    for (std::size_t i = 0; i < std::size(kClassCatalogue); ++i)
      if (kClassCatalogue[i].shownIn == shownIn) classes.push_back(i);
    if (classes.empty()) continue;
    std::wstring error;
    auto session = TrevikSession::Start(KindOf(shownIn), &error);
    if (!session) {
      std::fprintf(stderr, "trevik: %s\n", ToUtf8(error).c_str());
      return 1;
    }
    for (std::size_t i : classes) lines[i] = DescribeClass(*session, i, kClassCatalogue[i], status);
  }
  for (const auto& [index, text] : lines) std::fputs(text.c_str(), stdout);
  return status;
}

}  // namespace trevik
