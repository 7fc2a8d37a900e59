#include "texture/pixel_formats.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(PixelFormatsTest, EveryFormatHasOneRowWhoseWidthsFitItsSize) {
  std::set<DWORD> seen;
  for (const auto& row : formatDescriptors()) {
    EXPECT_TRUE(seen.insert(row.format).second) << "duplicate row for format " << row.format;
    std::uint32_t channelBits = row.extraBits + row.alphaBits + row.redBits + row.greenBits + row.blueBits;
    bool packedPerPixel = row.formatClass == FormatClass::colour && row.bitsPerPixel != 16;
    if (packedPerPixel && row.format != D3DFMT_INTERNAL_R16) {
      EXPECT_LE(channelBits, row.bitsPerPixel) << "format " << row.format;
    }
  }
  EXPECT_EQ(formatDescriptors().size(), 57u);
}

TEST(PixelFormatsTest, LookupsAndTheFallbackRow) {
  const FormatDescriptor& a8r8g8b8 = describeFormat(D3DFMT_A8R8G8B8);
  EXPECT_EQ(a8r8g8b8.bitsPerPixel, 32u);
  EXPECT_EQ(a8r8g8b8.alphaBits, 8u);
  EXPECT_TRUE(a8r8g8b8.returnable);
  EXPECT_FALSE(describeFormat(D3DFMT_R8G8B8).returnable);
  EXPECT_EQ(describeFormat(D3DFMT_D16_LOCKABLE).extraBits, 1u);

  const FormatDescriptor& unknown = describeFormat(static_cast<D3DFORMAT>(12345));
  EXPECT_EQ(unknown.format, D3DFMT_UNKNOWN);
  EXPECT_EQ(unknown.formatClass, FormatClass::colour);
  EXPECT_EQ(unknown.bitsPerPixel, 32u);
  EXPECT_FALSE(unknown.returnable);
}

TEST(PixelFormatsTest, InternalFormatsMapToTextureFormats) {
  EXPECT_EQ(static_cast<DWORD>(D3DFMT_INTERNAL_AL16), 0x36314C41u);
  EXPECT_EQ(static_cast<DWORD>(D3DFMT_INTERNAL_R16), 0x36315220u);
  EXPECT_EQ(toTextureFormat(D3DFMT_INTERNAL_AL16), D3DFMT_A8L8);
  EXPECT_EQ(toTextureFormat(D3DFMT_INTERNAL_R16), D3DFMT_R8G8B8);
  EXPECT_EQ(toTextureFormat(D3DFMT_DXT5), D3DFMT_DXT5);
}

}  // namespace
