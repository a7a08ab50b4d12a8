// The debug report: assertion reports and trace lines go to the debugger
// (OutputDebugStringW) and to an optional sink, through which tests watch
// them. Execution always continues after a report.
#pragma once

#include <windows.h>

namespace afx {

class DebugSink {
 public:
  virtual ~DebugSink() = default;
  // A line written with OutputDebugStringW, unchanged.
  virtual void Output(const wchar_t* text) = 0;
  // A failed assertion: the expression as written, the source unit's file
  // name without folders, and the line.
  virtual void Report(const wchar_t* expression, const wchar_t* unit, int line) = 0;
};

// Installs a sink (null removes it); returns the previous one.
DebugSink* SetDebugSink(DebugSink* sink);

// Writes one debug-output line exactly as given.
void DebugOutput(const wchar_t* text);

void ReportAssertion(const wchar_t* expression, const char* file, int line);

}  // namespace afx

// Formats like CString::Format and writes the result as debug output.
void AfxTrace(const wchar_t* format, ...);

#define AFX_WIDEN2(x) L##x
#define AFX_WIDEN(x) AFX_WIDEN2(x)

#define AFX_ASSERT(expr) \
  ((expr) ? static_cast<void>(0) : ::afx::ReportAssertion(AFX_WIDEN(#expr), __FILE__, __LINE__))
