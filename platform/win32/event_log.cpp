// The event log on Windows: the application event log, source "korTools",
// through ReportEventA. The source is registered once per process.
#include "platform/win32/windows_api.h"

#include "frame/text.h"
#include "platform/code_page.h"
#include "platform/event_log.h"

namespace kor::platform {
namespace {

class Win32EventLog final : public EventLog {
 public:
  Win32EventLog() : source_(::RegisterEventSourceA(nullptr, "korTools")) {}
  ~Win32EventLog() override {
    if (source_ != nullptr) ::DeregisterEventSource(source_);
  }
  Win32EventLog(const Win32EventLog&) = delete;
  Win32EventLog& operator=(const Win32EventLog&) = delete;

  void Report(const String& text) override {
    if (source_ == nullptr) return;
    const std::string message = std::string(UpToNul(SystemCodePage().Encode(text)));
    const char* strings[] = {message.c_str()};
    ::ReportEventA(source_, EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  }

 private:
  HANDLE source_;
};

}  // namespace

EventLog& GetEventLog() {
  static Win32EventLog log;
  return log;
}

}  // namespace kor::platform
