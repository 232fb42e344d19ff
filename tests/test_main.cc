// The test binary doubles as the child process of the runner tests: started
// with --child=<role>, it plays that role instead of running the tests.
#include <cstring>

#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
  const char kChild[] = "--child=";
  if (argc >= 2 && std::strncmp(argv[1], kChild, sizeof kChild - 1) == 0)
    return testsupport::RunTestChild(argv[1] + sizeof kChild - 1, argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
