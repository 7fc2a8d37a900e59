#include "shell/text_copy.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CopyTextBoundedTest, KeepsFirstCapacityMinusOneCharactersAndTerminates) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(copyTextBounded(buffer, "Direct3D HAL", 6), S_OK);
  EXPECT_STREQ(buffer, "Direc");
  EXPECT_EQ(buffer[6], 'x');  // never past the capacity

  EXPECT_EQ(copyTextBounded(buffer, "HAL", 8), S_OK);
  EXPECT_STREQ(buffer, "HAL");
  for (int i = 3; i < 8; ++i) EXPECT_EQ(buffer[i], '\0');  // padded with terminators

  EXPECT_EQ(copyTextBounded(buffer, "HAL", 1), S_OK);
  EXPECT_EQ(buffer[0], '\0');
}

TEST(CopyTextBoundedTest, RejectsNullPointersAndCapacitiesBelowOne) {
  char buffer[4] = "abc";
  EXPECT_EQ(copyTextBounded(nullptr, "a", 4), E_INVALIDARG);
  EXPECT_EQ(copyTextBounded(buffer, nullptr, 4), E_INVALIDARG);
  EXPECT_EQ(copyTextBounded(buffer, "z", 0), E_INVALIDARG);
  EXPECT_EQ(copyTextBounded(buffer, "z", -5), E_INVALIDARG);
  EXPECT_STREQ(buffer, "abc");
}
