// Test entry for programs that run under Wine: a crash must fail the run, not hang it on a dialog.
#include <gtest/gtest.h>
#include <windows.h>

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
