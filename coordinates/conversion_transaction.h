// One conversion of a table from its output's start to its end: the output is made (a new
// dataset) or opened for editing (the input itself), the output fields are added, the records are
// converted, and the output is then committed or abandoned. The caller reads the choices and shows
// the message the transaction names; the helpers it calls report their own failures in message
// boxes owned by the caller's window.
#pragma once

#include <string>

#include "coordinates/conversion_output.h"
#include "coordinates/table_conversion_run.h"
#include "platform/host/data/dataset.h"
#include "platform/productline/coordinate_tool.h"

namespace velk::corvane {

struct ConversionRequest {
  ComPtr<ITable> input;
  bool newFile = false;     // write a new dataset; otherwise the input gets the output fields
  bool shapeField = false;  // the locations are read from the shape field
  ComPtr<IBrowseObject> outputLocation;  // new dataset only
  std::wstring outputName;               // new dataset only; loses a typed extension
  OutputFieldNames names;
  RecordLayout layout;
  ComPtr<ISelectionSet> selection;  // only these rows of the input, when given
  LONG fromDatum = 0;
  LONG toDatum = 0;
};

// What the caller tells the user once a step is over.
enum class ConversionMessage {
  kNone,               // nothing more (already reported, or stopped by the user)
  kSchemaLockRefused,  // the input is being edited elsewhere
  kCannotPrepare,      // the input cannot be opened for editing (detail: the host's cause)
  kNothingWritten,
  kInputUnreadable,
  kOutputIncomplete,  // detail: the host's cause
  kNotSaved,          // detail: the host's cause
  kRunIncomplete,
  kRunStopped,
  kConverted,  // the output is complete
};

struct ConversionStepResult {
  bool ok = false;
  ConversionMessage message = ConversionMessage::kNone;
  std::wstring detail;
};

class ConversionTransaction {
 public:
  ConversionTransaction(HWND owner, ConversionRequest request);
  ConversionTransaction(const ConversionTransaction&) = delete;
  ConversionTransaction& operator=(const ConversionTransaction&) = delete;

  // Makes or opens the output and adds the output fields. Not ok: nothing is left changed.
  ConversionStepResult Begin();
  // Converts the records (after a successful Begin). The cursors' tables are let go on return.
  RunOutcome Run(ICoordinateTool* engine, ConversionParsers& parsers, RunCounts& counts,
                 const RunOptions& options);
  // Commits the output after a completed run, or abandons it (nothing that looks complete is
  // left) after any other outcome.
  ConversionStepResult End(RunOutcome outcome);

  // The complete output after a successful End (the input itself when converted in place).
  const ComPtr<ITable>& Output() const { return m_output; }
  const std::wstring& OutputName() const { return m_request.outputName; }

 private:
  // Leaves the input as it was, after a failure in place.
  void Abandon();

  HWND m_owner;
  ConversionRequest m_request;
  NewOutput m_created;
  ComPtr<ITable> m_output;
  ComPtr<IDatasetSwap> m_inPlace;
  RecordTarget m_target;
};

}  // namespace velk::corvane
