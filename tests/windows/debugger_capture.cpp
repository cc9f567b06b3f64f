#include "tests/windows/debugger_capture.h"

#include <windows.h>

namespace wintest {
namespace {

// DBG_PRINTEXCEPTION_C: argument 0 is the length including the NUL, argument 1 the text.
constexpr DWORD kDebugPrintException = 0x40010006;
std::vector<std::string> captured;

LONG CALLBACK OnException(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* record = exception->ExceptionRecord;
  if (record->ExceptionCode == kDebugPrintException && record->NumberParameters >= 2) {
    const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
    if (text != nullptr && length > 0) captured.emplace_back(text, length - 1);
  }
  // Let the system's own handling go on: the text still reaches an attached debugger.
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebuggerCapture::DebuggerCapture() {
  captured.clear();
  handler = AddVectoredExceptionHandler(1, OnException);
}

DebuggerCapture::~DebuggerCapture() {
  if (handler != nullptr) RemoveVectoredExceptionHandler(handler);
}

const std::vector<std::string>& DebuggerCapture::Texts() const { return captured; }

}  // namespace wintest
