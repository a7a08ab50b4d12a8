#include "framework/debug.h"

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <string>

#include "framework/cstring.h"

namespace afx {
namespace {

// Reports may come from the worker thread as well as the interface thread.
std::atomic<DebugSink*> g_sink{nullptr};

std::wstring UnitName(const char* file) {
  const char* name = file;
  for (const char* p = file; *p; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  return std::wstring(name, name + strlen(name));
}

}  // namespace

DebugSink* SetDebugSink(DebugSink* sink) { return g_sink.exchange(sink); }

void DebugOutput(const wchar_t* text) {
  OutputDebugStringW(text);
  if (DebugSink* sink = g_sink.load()) sink->Output(text);
}

void ReportAssertion(const wchar_t* expression, const char* file, int line) {
  const std::wstring unit = UnitName(file);
  CString text;
  text.Format(L"%s(%d) : Assertion failed: %s\n", unit.c_str(), line, expression);
  OutputDebugStringW(text);
  if (DebugSink* sink = g_sink.load()) sink->Report(expression, unit.c_str(), line);
}

}  // namespace afx

void AfxTrace(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CString text;
  text.FormatV(format, args);
  va_end(args);
  afx::DebugOutput(text);
}
