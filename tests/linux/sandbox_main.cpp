// Runs the tests inside a DesktopSandbox.
#include <gtest/gtest.h>

#include "tests/linux/desktop_sandbox.h"

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) {
    return RUN_ALL_TESTS();
  }
  vorundel::testing::DesktopSandbox sandbox;
  return RUN_ALL_TESTS();
}
