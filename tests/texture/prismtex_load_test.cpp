#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/support/scoped_environment.h"
#include "tests/texture/loading_fixture.h"
#include "texture/pixel_converter.h"
#include "tools/prismtex/commands.h"

namespace {

using loading_test::Bytes;
using prism_test::TemporaryDirectory;

int runPrismtex(std::vector<std::string> arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int status = prismtex::runPrismtex(arguments, {out, err});
  std::fclose(out);
  std::fclose(err);
  return status;
}

Bytes readFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

// Level 0 of the first face of a decoded image as A8R8G8B8.
std::vector<std::uint32_t> asArgb(const DecodedImage& image) {
  std::vector<std::uint32_t> pixels(std::size_t{image.width} * image.height);
  PixelBlock from{};
  from.pixels = const_cast<std::uint8_t*>(image.pixels);
  from.format = image.format;
  from.rowPitch = image.rowPitch;
  from.box = {image.box.Left, image.box.Top, image.box.Right, image.box.Bottom, 0, 1};
  from.palette = image.palette;
  PixelBlock to{};
  to.pixels = pixels.data();
  to.format = D3DFMT_A8R8G8B8;
  to.rowPitch = 4 * image.width;
  to.box = {0, 0, image.width, image.height, 0, 1};
  EXPECT_EQ(convertPixels(to, from, RESAMPLE_NONE), D3D_OK);
  return pixels;
}

class PrismtexLoadTest : public ::testing::Test {
 protected:
  // Writes `file`, loads it with the options and decodes the DDS that came out.
  HRESULT loadAndDecode(const Bytes& file, std::vector<std::string> options, DecodedImage& decoded,
                        ImageSummary* summary) {
    const std::string input = directory.write("input.img", std::string(file.begin(), file.end()));
    const std::string output = directory.file("output.dds");
    std::vector<std::string> arguments{"load", input};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"-o", output});
    if (runPrismtex(arguments) != prismtex::kExitSuccess) return E_FAIL;
    dds = readFile(output);
    return decodeImage(decoded, dds.data(), static_cast<UINT>(dds.size()), summary, true);
  }

  TemporaryDirectory directory;
  Bytes dds;
};

TEST_F(PrismtexLoadTest, LosslessFormatsRoundTripLevelZero) {
  // Channel values 0 and 255 survive every format below exactly.
  std::vector<std::uint32_t> image;
  for (std::uint32_t i = 0; i < 32; ++i) {
    image.push_back(0xFF000000u | ((i & 1) ? 0xFF0000u : 0) | ((i & 2) ? 0xFF00u : 0) | ((i & 4) ? 0xFFu : 0));
  }
  const Bytes file = loading_test::tgaImage(8, 4, image, true);
  for (const char* format : {"A8R8G8B8", "X8R8G8B8", "A8B8G8R8", "R5G6B5", "A1R5G5B5", "A4R4G4B4", "A2R10G10B10",
                             "A16B16G16R16", "R8G8B8"}) {
    DecodedImage decoded;
    ImageSummary summary{};
    std::vector<std::string> options{"--format", format};
    if (std::string(format) == "R8G8B8") options.insert(options.end(), {"--pool", "scratch"});
    ASSERT_EQ(loadAndDecode(file, options, decoded, &summary), D3D_OK) << format;
    EXPECT_EQ(summary.Width, 8u) << format;
    EXPECT_EQ(summary.Height, 4u) << format;
    EXPECT_EQ(summary.MipLevels, 4u) << format;
    EXPECT_EQ(asArgb(decoded), image) << format;
  }
  // The default choice for a 32-bit image, and grey images as luminance.
  DecodedImage decoded;
  ImageSummary summary{};
  ASSERT_EQ(loadAndDecode(file, {}, decoded, &summary), D3D_OK);
  EXPECT_EQ(summary.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(asArgb(decoded), image);
  std::vector<std::uint32_t> grey;
  for (std::uint32_t i = 0; i < 32; ++i) grey.push_back(0xFF000000u | (i * 8) * 0x010101u);
  DecodedImage greyDecoded;
  ASSERT_EQ(loadAndDecode(loading_test::tgaImage(8, 4, grey, false), {"--format", "L8"}, greyDecoded, &summary),
            D3D_OK);
  EXPECT_EQ(summary.Format, D3DFMT_L8);
  EXPECT_EQ(asArgb(greyDecoded), grey);
}

std::uint32_t faceColour(std::uint32_t face, std::uint32_t level) { return 0xFF102030u + face * 0x200000 + level * 9; }

TEST_F(PrismtexLoadTest, CubeFacesAndVolumeDepthAreWritten) {
  DecodedImage cube;
  ImageSummary summary{};
  ASSERT_EQ(loadAndDecode(loading_test::ddsImage(8, 8, 1, 2, 6, faceColour), {}, cube, &summary), D3D_OK);
  EXPECT_EQ(summary.ResourceType, D3DRTYPE_CUBETEXTURE);
  EXPECT_EQ(summary.MipLevels, 4u);
  UINT faces = 0;
  for (const DecodedImage* face = &cube; face; face = face->nextFace.get(), ++faces) {
    EXPECT_EQ(asArgb(*face), std::vector<std::uint32_t>(64, faceColour(faces, 0)));
    ASSERT_TRUE(face->nextLevel);
    EXPECT_EQ(asArgb(*face->nextLevel), std::vector<std::uint32_t>(16, faceColour(faces, 1)));
  }
  EXPECT_EQ(faces, 6u);

  DecodedImage volume;
  ASSERT_EQ(loadAndDecode(loading_test::ddsImage(4, 4, 4, 1, 1, faceColour), {}, volume, &summary), D3D_OK);
  EXPECT_EQ(summary.ResourceType, D3DRTYPE_VOLUMETEXTURE);
  EXPECT_EQ(summary.Depth, 4u);
  EXPECT_EQ(summary.MipLevels, 3u);
}

TEST_F(PrismtexLoadTest, OptionsReachTheLoader) {
  std::vector<std::uint32_t> image(12, 0xFF00FF00);
  image[5] = 0xFFFF00FF;
  const Bytes file = loading_test::tgaImage(4, 3, image, false);
  DecodedImage decoded;
  ImageSummary summary{};
  ASSERT_EQ(loadAndDecode(file, {"--size", "16x8", "--mips", "1", "--filter", "point+mirror", "--pool", "default"},
                          decoded, &summary),
            D3D_OK);
  EXPECT_EQ(summary.Width, 16u);
  EXPECT_EQ(summary.Height, 8u);
  EXPECT_EQ(summary.MipLevels, 1u);
  EXPECT_EQ(summary.Format, D3DFMT_X8R8G8B8);

  DecodedImage keyed;
  ASSERT_EQ(
      loadAndDecode(file, {"--colorkey", "0xFFFF00FF", "--filter", "none", "--mip-filter", "box"}, keyed, &summary),
      D3D_OK);
  EXPECT_EQ(summary.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(asArgb(keyed)[5], 0u);

  DecodedImage dxt;
  ASSERT_EQ(loadAndDecode(file, {"--format", "DXT1"}, dxt, &summary), D3D_OK);
  EXPECT_EQ(summary.Format, D3DFMT_DXT1);
  EXPECT_EQ(summary.Width % 4, 0u);
}

TEST_F(PrismtexLoadTest, BadUsageAndBadInput) {
  const std::string input = directory.write("input.tga", "not an image at all");
  const std::string output = directory.file("out.dds");
  EXPECT_EQ(runPrismtex({"load", input}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "--format", "B8G8R8", "-o", output}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "--filter", "cubic", "-o", output}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "--filter", "box+blur", "-o", output}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "--size", "16", "-o", output}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "--colorkey", "red", "-o", output}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "--pool", "system", "-o", output}), prismtex::kExitUsage);
  EXPECT_EQ(runPrismtex({"load", input, "-o", output}), prismtex::kExitUndecodable);
  EXPECT_EQ(runPrismtex({"load", directory.file("missing.tga"), "-o", output}), prismtex::kExitUndecodable);
}

}  // namespace
