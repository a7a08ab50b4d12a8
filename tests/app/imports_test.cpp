// Which DLLs load with the program and which only when first needed.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "support/test_support.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(ProgramImports, WhatIsNeededOnlyAfterTheIconIsUpLoadsOnFirstUse) {
  const HMODULE image = LoadLibraryExW(testing_support::ProgramPath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr) << GetLastError();
  std::set<std::string> atLoad, delayed;
  for (const auto& import : testing_support::ImportsOf(image)) {
    (import.delayed ? delayed : atLoad).insert(Lower(import.dll));
  }
  FreeLibrary(image);

  const struct {
    const char* dll;
    bool delayed;
  } expected[] = {
      {"comdlg32.dll", true},  // the Save-as dialog
      {"comctl32.dll", true},  // the settings dialog's tab control
      {"oleaut32.dll", true},  // the companion's automation strings
      {"version.dll", true},   // the companion's version, read after the icon is up
      // A machine without the scanner's package still starts the program.
      {"ovrapixlw.dll", true},
  };
  for (const auto& row : expected) {
    const char* should = row.delayed ? " should load on its first use" : " should load at start";
    EXPECT_EQ(delayed.count(row.dll), row.delayed ? 1u : 0u) << row.dll << should;
    EXPECT_EQ(atLoad.count(row.dll), row.delayed ? 0u : 1u) << row.dll << should;
  }
}

}  // namespace
