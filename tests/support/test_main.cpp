#include <gtest/gtest.h>

#include "app/myapp.h"

// Every test program runs with the application object, as the program does:
// the localized strings and the driver binding read its settings record.
int wmain(int argc, wchar_t** argv) {
  CMyApp app;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
