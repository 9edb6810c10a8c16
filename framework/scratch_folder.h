// The scratch folder that analysis and catalog runs write into, private work folders inside
// it, and numbered output names ("out0000.shp", "out0001.shp", ...).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/com/bstr.h"

namespace velk::corvane {

// One source of the scratch folder: its path, or an empty text when it has none. A source
// may throw a ComError (E_POINTER for a host object that does not answer as it should).
using ScratchFolderSource = std::function<std::wstring()>;

// The settings' general output workspace: the path of the workspace that the extension
// object's general settings open. Empty when there is no extension object, no settings or no
// workspace; E_POINTER as a COM error for a workspace that does not answer the host's
// workspace interface or gives no path.
std::wstring OutputWorkspaceFolder();

// The host's default scratch workspace: its path, empty when the host offers none. E_POINTER as
// a COM error as above.
std::wstring HostScratchWorkspaceFolder();

// Puts other sources in place of the first two (tests); a null source stands for the built-in
// one (OutputWorkspaceFolder, HostScratchWorkspaceFolder).
void SetScratchFolderSources(ScratchFolderSource outputWorkspace,
                             ScratchFolderSource hostScratchWorkspace);

// The temporary folder of this platform: the host root's "scratch" folder (made when
// missing), else $TMPDIR, else /tmp; always ending in a separator.
std::wstring TemporaryFolder();

// The first non-empty of: output workspace, host scratch workspace, temporary folder; always
// ending in one separator. COM errors of the sources pass through to the caller.
Bstr GetScratchFolder();

// The work folder of one kind of run: scratch folder + name, without a trailing separator, made
// when missing. Throws a ComError naming the folder and the reason when it cannot be made (a
// scratch folder that does not exist included); a caller that can go on without it says so by
// catching.
std::wstring ScratchWorkFolder(std::wstring_view name);

// Makes scratch folder + subFolder when missing (ScratchWorkFolder), then a new folder inside it
// named from the three folder letters and a hexadecimal number (e.g. "tdm1A2"), beside an empty
// claim file named from the first three characters of tempPrefix and the same number
// ("glb1A2.tmp"). A number whose claim file or folder already exists is skipped, so every call gets
// a folder of its own. Returns the new folder's path without trailing separator. Throws a ComError
// when a folder or claim file cannot be made or every number is taken.
Bstr MakeUniqueWorkFolder(const Bstr& subFolder, std::wstring_view tempPrefix,
                          std::wstring_view folderLetters);

// The first name prefix + n ("%04d") + suffix, n = 0, 1, 2, ..., for which nothing exists in
// folder (one trailing separator of folder is ignored). Nothing is created: two calls without
// writing the first name give the same name. Throws a ComError when every number is taken.
Bstr NextFreeNumberedFileName(std::wstring_view folder, std::wstring_view prefix,
                              std::wstring_view suffix);

}  // namespace velk::corvane
