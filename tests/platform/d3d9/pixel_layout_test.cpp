#include <gtest/gtest.h>

#include <array>
#include <cstddef>

#include "platform/d3d9/format_table.h"
#include "platform/d3d9/pixel_codec.h"
#include "platform/d3d9/vertex_declaration.h"

namespace platform::d3d9 {
namespace {

// Pure red, green, blue and a half-transparent grey survive a round trip through every codec,
// at the codec's precision; channels a format lacks read as opaque.
TEST(PixelCodecTest, ChannelsLandWhereTheFormatNamesThem) {
  const D3DFORMAT kFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8B8G8R8,    D3DFMT_X8B8G8R8,
                                D3DFMT_R8G8B8,   D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,    D3DFMT_A1R5G5B5,
                                D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4, D3DFMT_A2R10G10B10, D3DFMT_A2B10G10R10};
  const Color4 kColors[] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  for (D3DFORMAT format : kFormats) {
    for (const Color4& color : kColors) {
      std::array<std::byte, 4> pixel{};
      ASSERT_TRUE(encodePixel(format, color, pixel.data())) << format;
      Color4 back;
      ASSERT_TRUE(decodePixel(format, pixel.data(), &back));
      EXPECT_EQ(back.r, color.r) << format;
      EXPECT_EQ(back.g, color.g) << format;
      EXPECT_EQ(back.b, color.b) << format;
      EXPECT_EQ(back.a, 1.0f) << format;
    }
  }
  // The byte order of the two 8:8:8:8 families: A8R8G8B8 is B, G, R, A in memory.
  std::array<std::byte, 4> pixel{};
  ASSERT_TRUE(encodePixel(D3DFMT_A8R8G8B8, colorFromArgb(0x80102030), pixel.data()));
  EXPECT_EQ(pixel[0], std::byte{0x30});
  EXPECT_EQ(pixel[2], std::byte{0x10});
  EXPECT_EQ(pixel[3], std::byte{0x80});
  ASSERT_TRUE(encodePixel(D3DFMT_A8B8G8R8, colorFromArgb(0x80102030), pixel.data()));
  EXPECT_EQ(pixel[0], std::byte{0x10});
  EXPECT_EQ(argbFromColor(colorFromArgb(0x80102030)), 0x80102030u);
  EXPECT_FALSE(hasPixelCodec(D3DFMT_DXT1));
}

TEST(PixelCodecTest, DepthAndStencilShareTheWordAsTheFormatSays) {
  std::array<std::byte, 4> pixel{};
  ASSERT_TRUE(encodeDepthStencil(D3DFMT_D24S8, 1.0f, 0x5A, true, true, pixel.data()));
  EXPECT_EQ(pixel[0], std::byte{0x5A});
  EXPECT_EQ(pixel[3], std::byte{0xFF});
  ASSERT_TRUE(encodeDepthStencil(D3DFMT_D24S8, 0.0f, 0, true, false, pixel.data()));
  EXPECT_EQ(pixel[0], std::byte{0x5A}) << "stencil kept";
  EXPECT_EQ(pixel[3], std::byte{0x00});
  ASSERT_TRUE(encodeDepthStencil(D3DFMT_D16, 1.0f, 0, true, false, pixel.data()));
  EXPECT_EQ(pixel[0], std::byte{0xFF});
  EXPECT_EQ(pixel[1], std::byte{0xFF});
  EXPECT_FALSE(encodeDepthStencil(D3DFMT_A8R8G8B8, 1.0f, 0, true, false, pixel.data()));
}

TEST(FormatTableTest, LayoutsOfTheFormatFamilies) {
  EXPECT_EQ(findFormat(D3DFMT_DXT1)->bytesPerBlock, 8);
  EXPECT_EQ(findFormat(D3DFMT_DXT3)->blockHeight, 4);
  EXPECT_EQ(findFormat(D3DFMT_YUY2)->blockWidth, 2);
  EXPECT_EQ(findFormat(D3DFMT_D24X4S4)->stencilBits, 4);
  EXPECT_EQ(findFormat(D3DFMT_A32B32G32R32F)->bytesPerBlock, 16);
  EXPECT_EQ(findFormat(static_cast<D3DFORMAT>(12345)), nullptr);
  EXPECT_EQ(fullMipChainLength(640, 480), 10u);
  EXPECT_EQ(fullMipChainLength(1, 1), 1u);
  EXPECT_EQ(fullMipChainLength(4, 4, 64), 7u);
  // A DXT1 level of 2 by 2 pixels still takes one whole block.
  EXPECT_EQ(rowPitchOf(*findFormat(D3DFMT_DXT1), 2), 8u);
  EXPECT_EQ(blockRowsOf(*findFormat(D3DFMT_DXT1), 2), 1u);
}

TEST(FvfTest, CodesBecomeDeclarationsInFieldOrder) {
  EXPECT_EQ(fvfVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL), 24u);
  EXPECT_EQ(fvfVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
  EXPECT_EQ(fvfVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
  EXPECT_EQ(fvfVertexSize(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0) | D3DFVF_TEXCOORDSIZE1(1)), 28u);
  EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_PSIZE | D3DFVF_SPECULAR), 12u + 8 + 4 + 4 + 4);
  EXPECT_EQ(fvfVertexSize(D3DFVF_XYZRHW | D3DFVF_NORMAL), 0u);
  EXPECT_EQ(fvfVertexSize(0x9u << 8), 0u) << "nine texture sets";

  std::vector<D3DVERTEXELEMENT9> elements;
  ASSERT_TRUE(declarationFromFvf(D3DFVF_XYZB2 | D3DFVF_LASTBETA_D3DCOLOR | D3DFVF_SPECULAR, &elements));
  ASSERT_EQ(elements.size(), 5u);
  EXPECT_EQ(elements[1].Usage, D3DDECLUSAGE_BLENDWEIGHT);
  EXPECT_EQ(elements[1].Type, D3DDECLTYPE_FLOAT1);
  EXPECT_EQ(elements[2].Usage, D3DDECLUSAGE_BLENDINDICES);
  EXPECT_EQ(elements[2].Type, D3DDECLTYPE_D3DCOLOR);
  EXPECT_EQ(elements[3].Usage, D3DDECLUSAGE_COLOR);
  EXPECT_EQ(elements[3].UsageIndex, 1);
  EXPECT_EQ(elements[3].Offset, 20u);
}

}  // namespace
}  // namespace platform::d3d9
