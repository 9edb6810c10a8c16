// Keeps GDAL's messages on this thread from the console while it lives and remembers them, so
// that a reader can say why a file could not be read. Platform-internal.
#pragma once

#include <string>
#include <vector>

namespace velk::productline {

class GdalErrorCapture {
 public:
  GdalErrorCapture();
  ~GdalErrorCapture();
  GdalErrorCapture(const GdalErrorCapture&) = delete;
  GdalErrorCapture& operator=(const GdalErrorCapture&) = delete;

  // Failures and warnings, in the order they came.
  const std::vector<std::string>& Messages() const { return messages_; }
  // The last failure (else the last warning), or fallback when there was none.
  std::string Reason(const std::string& fallback) const;
  void Add(bool failure, const char* message);

 private:
  std::vector<std::string> messages_;
  std::vector<bool> failures_;
};

}  // namespace velk::productline
