#include "platform/win/text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(TextTest, BoundedCopyAlwaysTerminatesAndKeepsTheRestOfTheBuffer) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  lstrcpynA(buffer, "abcdefghij", 5);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(buffer[5], 'x');  // nothing is written past the terminator

  lstrcpynA(buffer, "ab", 8);
  EXPECT_STREQ(buffer, "ab");

  std::memset(buffer, 'x', sizeof buffer);
  lstrcpynA(buffer, "abc", 1);
  EXPECT_EQ(buffer[0], '\0');
  lstrcpynA(buffer + 1, "abc", 0);  // no room at all: nothing is written
  EXPECT_EQ(buffer[1], 'x');
}

TEST(TextTest, NullArgumentsAreTolerated) {
  char buffer[4] = "abc";
  EXPECT_EQ(lstrlenA(nullptr), 0);
  EXPECT_EQ(lstrcpyA(nullptr, "a"), nullptr);
  EXPECT_EQ(lstrcpyA(buffer, nullptr), nullptr);
  EXPECT_EQ(lstrcatA(buffer, nullptr), nullptr);
  EXPECT_STREQ(buffer, "abc");
}

TEST(TextTest, CopyAppendAndCompare) {
  char buffer[16];
  EXPECT_EQ(lstrcpyA(buffer, "Holo"), buffer);
  lstrcatA(buffer, "gram");
  EXPECT_STREQ(buffer, "Hologram");
  EXPECT_EQ(lstrlenA(buffer), 8);
  EXPECT_EQ(lstrcmpiA("HOLOGRAM.vsh", "hologram.VSH"), 0);
  EXPECT_NE(lstrcmpA("HOLOGRAM.vsh", "hologram.VSH"), 0);
}
