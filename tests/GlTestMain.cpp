// The test runner for tests that draw with OpenGL: it runs the leak check
// before exit, while the renderer's threads are idle (see LeakCheck.h).
#include <gtest/gtest.h>

#include "platform/LeakCheck.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  platform::checkLeaksBeforeExit();
  return status;
}
