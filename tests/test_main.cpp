#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Test discovery and ctest may start this binary without the test
  // environment; nothing here may need a display or a sound device.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
