// The driver's entry. With "--pane-owner <file>" it is not a test run but a
// stand-in display control panel: it makes a 152 x 112 pane, writes the
// pane's handle into <file> and waits to be killed, so that a test can end
// the pane's process without its windows being destroyed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/e2e/harness.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--pane-owner") == 0) {
    qx::e2e::PaneWindow pane(152, 112);
    qx::e2e::WriteFileBytes(
        argv[2], std::to_string(reinterpret_cast<uintptr_t>(pane.pane())));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
