#include "platform/productline/gdal_error_capture.h"

#include <cpl_error.h>

namespace velk::productline {
namespace {

void CPL_STDCALL Capture(CPLErr kind, CPLErrorNum, const char* message) {
  auto* self = static_cast<GdalErrorCapture*>(CPLGetErrorHandlerUserData());
  if (self && kind >= CE_Warning) self->Add(kind >= CE_Failure, message);
}

}  // namespace

GdalErrorCapture::GdalErrorCapture() { CPLPushErrorHandlerEx(Capture, this); }

GdalErrorCapture::~GdalErrorCapture() { CPLPopErrorHandler(); }

void GdalErrorCapture::Add(bool failure, const char* message) {
  messages_.emplace_back(message ? message : "");
  failures_.push_back(failure);
}

std::string GdalErrorCapture::Reason(const std::string& fallback) const {
  for (std::size_t i = messages_.size(); i-- > 0;)
    if (failures_[i] && !messages_[i].empty()) return messages_[i];
  for (std::size_t i = messages_.size(); i-- > 0;)
    if (!messages_[i].empty()) return messages_[i];
  return fallback;
}

}  // namespace velk::productline
