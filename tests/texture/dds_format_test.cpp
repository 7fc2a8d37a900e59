#include "texture/dds_format.h"

#include <gtest/gtest.h>

namespace {

// A writer puts the first row naming a format into the header; the reader must find that very
// format again, or files written by prismtex would come back as something else.
TEST(DdsFormatTest, EveryFormatWrittenReadsBackAsItself) {
  for (const DdsFormatRow& row : ddsFormatRows()) {
    const DdsFormatRow* written = ddsFormatRowFor(row.format);
    ASSERT_NE(written, nullptr);
    bool coded = written->flags == kDdsFourCcFlag;
    DdsPixelFormat header{32,
                          written->flags,
                          coded ? static_cast<std::uint32_t>(row.format) : 0u,
                          written->bitCount,
                          written->red,
                          written->green,
                          written->blue,
                          written->alpha};
    EXPECT_EQ(ddsFormatOf(header), row.format) << "format " << row.format;
  }
  EXPECT_EQ(ddsFormatRows().size(), 48u);
}

TEST(DdsFormatTest, LevelLayoutsOfBlocksPairsAndPlainFormats) {
  EXPECT_EQ(ddsLevelLayout(D3DFMT_DXT1, 5, 5).pitch, 16u);  // two 8-byte blocks across
  EXPECT_EQ(ddsLevelLayout(D3DFMT_DXT1, 5, 5).levelBytes, 32u);
  EXPECT_EQ(ddsLevelLayout(D3DFMT_DXT5, 1, 1).levelBytes, 16u);
  EXPECT_EQ(ddsLevelLayout(D3DFMT_YUY2, 3, 2).pitch, 8u);  // two pixel pairs
  EXPECT_EQ(ddsLevelLayout(D3DFMT_R8G8B8, 3, 2).levelBytes, 18u);
  EXPECT_EQ(ddsFormatOf(DdsPixelFormat{31, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}), D3DFMT_UNKNOWN);
}

}  // namespace
