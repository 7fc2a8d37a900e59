// The tests' entry: the same as GoogleTest's own, except that the registry starts empty, so
// that no registry file of the machine running the tests can change what they see. Tests
// that need registry values point the registry at a file of their own.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("PRISMCARD_REGISTRY", "/nonexistent/prismcard-test/registry.reg", 1);
  ::setenv("PRISMCARD_SYSTEM_REGISTRY", "/nonexistent/prismcard-test/system-registry.reg", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
