#include <gtest/gtest.h>

#include "e2e/soak.h"

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!e2e::ChooseRun(&argc, argv)) return 2;
  return RUN_ALL_TESTS();
}
