#include "coordinates/conversion_transaction.h"

#include <utility>

#include "platform/host/data/data_errors.h"

namespace velk::corvane {

ConversionTransaction::ConversionTransaction(HWND owner, ConversionRequest request)
    : m_owner(owner), m_request(std::move(request)) {}

void ConversionTransaction::Abandon() {
  if (m_inPlace) {
    m_output = nullptr;
    m_inPlace->StopEdit(VARIANT_FALSE);
  }
}

ConversionStepResult ConversionTransaction::Begin() {
  ConversionRequest& r = m_request;
  m_output = r.input;
  if (r.newFile) {
    if (!CreateOutput(m_owner, r.outputLocation.get(), r.outputName, r.input.get(), r.shapeField,
                      m_created))
      return {};
    m_output = m_created.table;
  } else if ((m_inPlace = QueryAs<IDatasetSwap>(r.input.get()))) {
    ComPtr<ITable> working;
    HRESULT hr = m_inPlace->StartEdit(working.put());
    if (hr == host::E_DATA_SCHEMA_LOCKED) return {false, ConversionMessage::kSchemaLockRefused, {}};
    if (FAILED(hr) || !working)
      return {false, ConversionMessage::kCannotPrepare, DatasetFailure(r.input.get())};
    m_output = working;
  }
  if (!AddOutputFields(m_owner, m_output.get(), true, r.names)) {
    if (r.newFile) DiscardOutput(m_created);
    Abandon();
    return {};
  }

  m_target.input = m_inPlace ? m_output : r.input;
  m_target.output = m_output;
  m_target.newFile = r.newFile;
  m_target.fieldMap = m_created.fieldMap;
  m_target.selection = r.selection;
  if (m_target.selection && m_inPlace) {
    try {
      m_target.selection = SameRowsIn(m_target.selection.get(), m_output.get());
    } catch (const ComError&) {
      m_target = RecordTarget{};
      Abandon();
      return {false, ConversionMessage::kNothingWritten, {}};
    }
  }
  return {true, ConversionMessage::kNone, {}};
}

RunOutcome ConversionTransaction::Run(ICoordinateTool* engine, ConversionParsers& parsers,
                                      RunCounts& counts, const RunOptions& options) {
  RunOutcome outcome = RunRecords(engine, parsers, m_target, m_request.names, m_request.layout,
                                  m_request.fromDatum, m_request.toDatum, counts, options);
  m_target = RecordTarget{};  // the cursors' tables are let go before the output is finished
  return outcome;
}

ConversionStepResult ConversionTransaction::End(RunOutcome outcome) {
  const bool newFile = m_request.newFile;
  if (outcome != RunOutcome::kCompleted) {
    std::wstring why = DatasetFailure(m_inPlace ? m_output.get() : m_created.table.get());
    if (newFile) {
      DiscardOutput(m_created);
    } else if (m_inPlace) {
      Abandon();
    } else if (outcome == RunOutcome::kNoCursor) {
      // Nothing was written: the input gets its schema back.
      RemoveOutputFields(m_output.get(), m_request.names);
    }
    m_output = nullptr;
    // Stopped by the user: the status says so, and nothing that looks complete is left.
    if (outcome == RunOutcome::kCancelled) return {};
    if (outcome == RunOutcome::kReadFailed) return {false, ConversionMessage::kInputUnreadable, {}};
    if (outcome == RunOutcome::kWriteFailed && newFile)
      return {false, ConversionMessage::kOutputIncomplete, why};
    if (outcome == RunOutcome::kWriteFailed && m_inPlace)
      return {false, ConversionMessage::kNotSaved, why};
    return {false,
            outcome == RunOutcome::kNoCursor ? ConversionMessage::kNothingWritten
            : newFile                        ? ConversionMessage::kRunIncomplete
                                             : ConversionMessage::kRunStopped,
            {}};
  }
  if (newFile && !FinishOutput(m_owner, m_created)) {
    m_output = nullptr;
    return {};
  }
  if (m_inPlace) {
    m_output = nullptr;
    if (FAILED(m_inPlace->StopEdit(VARIANT_TRUE)))
      return {false, ConversionMessage::kNotSaved, DatasetFailure(m_request.input.get())};
    m_output = m_request.input;
  }
  return {true, ConversionMessage::kConverted, {}};
}

}  // namespace velk::corvane
