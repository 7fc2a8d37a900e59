// The checked-in gamma tables match what their generator computes.
#include <gtest/gtest.h>

#include "texture/gamma_tables.h"
#include "tools/texture_tables/gamma_table_values.h"

namespace {

TEST(TextureTablesTest, GammaTablesMatchTheirGenerator) {
  auto encode = gammaEncodeTable();
  auto decode = gammaDecodeTable();
  for (int i = 0; i < texture_tables::kGammaTableSize; ++i) {
    EXPECT_EQ(encode[i], texture_tables::gammaEncodeEntry(i)) << i;
    EXPECT_EQ(decode[i], texture_tables::gammaDecodeEntry(i)) << i;
  }
}

}  // namespace
