#include "framework/last_error_record.h"

namespace velk::corvane {

namespace {

struct LastErrorRecord {
  LONG code = 0;
  Bstr message;
};

LastErrorRecord& Record() {
  static LastErrorRecord record;
  return record;
}

}  // namespace

void SetLastErrorInfo(LONG code, Bstr message) {
  Record().code = code;
  Record().message = std::move(message);
}

LONG TakeLastErrorCode() {
  LONG code = Record().code;
  Record().code = 0;
  return code;
}

BSTR GetLastErrorMessage() { return Record().message.Copy(); }

}  // namespace velk::corvane
