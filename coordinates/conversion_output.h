// Where the conversion of a table writes: a new dataset with the input's schema (a shapefile
// or dBASE table in a folder, a feature class or table in a database), or the input itself;
// the output fields added to it; and the new dataset's way onto the map.
//
// A new dataset is built under a working name beside the one the user asked for and takes that
// name only once every record has been written, so an output of the chosen name is always
// complete: a run that fails part-way leaves nothing behind, and a dataset the user agreed to
// overwrite is replaced only by a finished one.
#pragma once

#include <map>
#include <string>

#include "coordinates/table_conversion_run.h"
#include "framework/hook_struct.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

// A new output dataset while it is being filled.
struct NewOutput {
  ComPtr<ITable> table;  // the new dataset, under its working name
  ComPtr<IWorkspace> workspace;
  std::wstring finalName;        // the name the user asked for
  std::wstring workingName;      // the name it is built under
  bool replaceExisting = false;  // the user agreed to overwrite the dataset of that name
  bool featureClass = false;
  std::map<LONG, LONG> fieldMap;  // input field index to output field index (-1: none)
};

// Creates the output dataset with the input's fields (names fixed for the output workspace,
// no rows). outputName loses a typed ".shp" (feature classes) or ".dbf" (tables) when the
// location is a folder. Failures are reported in message boxes owned by owner; false then, and
// nothing is left behind.
bool CreateOutput(HWND owner, IBrowseObject* location, std::wstring& outputName, ITable* input,
                  bool shapeField, NewOutput& out);

// Gives the finished output its final name once it is written out and complete, replacing the
// dataset of that name when the user agreed to (that one is removed only after the output is in
// its place). False, with a message box naming the cause, when that cannot be done: the output
// is then removed and nothing under the final name has changed.
bool FinishOutput(HWND owner, NewOutput& out);

// Why the last write or swap of a dataset failed, as the host words it ("disk full", ...).
std::wstring DatasetFailure(IUnknown* dataset);

// The rows of selection (by object id) as a selection set of table, a working copy of the
// selection's table.
ComPtr<ISelectionSet> SameRowsIn(ISelectionSet* selection, ITable* table);

// Removes the output dataset (an unfinished one); nothing when there is none.
void DiscardOutput(NewOutput& out);

// Adds the requested output fields to the table under an exclusive schema lock (lockSchema).
// A name the table already has, a refused lock or a refused field gives a message box and
// false; the fields this call added are then removed again, so the table keeps its schema.
bool AddOutputFields(HWND owner, ITable* output, bool lockSchema, const OutputFieldNames& names);

// Removes fields this conversion added to a table (after a run that could not write).
void RemoveOutputFields(ITable* output, const OutputFieldNames& names);

// Puts a new output onto the focus map, unless the host's preference keeps results off the map:
// a feature class as a feature layer named after the dataset, a table as a standalone table of
// the map; then the document's table of contents is redrawn. A host without the preference
// object raises E_POINTER as a COM error (the output on disk stays complete).
void AddOutputToMap(HookStruct& hook, ITable* output, bool shapeField);

}  // namespace velk::corvane
