// Runs the public PNG and BMP suites through decodeImage and compares each result with the
// checked-in list: files that decode must give the recorded RGBA digest, files that are
// refused must be refused (safely: the sanitizer builds run this too).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "texture/image_decoder.h"
#include "texture/rgba8_preview.h"

namespace {

namespace fs = std::filesystem;

struct Expectation {
  bool decodes = false;
  std::uint32_t width = 0, height = 0;
  std::string digest;
};

std::map<std::string, Expectation> loadExpectations() {
  std::map<std::string, Expectation> expectations;
  std::ifstream csv(fs::path(PRISM_SOURCE_DIR) / "tests/texture/image_suites.csv");
  std::string line;
  while (std::getline(csv, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, result, width, height, digest;
    std::getline(fields, name, ',');
    std::getline(fields, result, ',');
    std::getline(fields, width, ',');
    std::getline(fields, height, ',');
    std::getline(fields, digest, ',');
    expectations[name] = {result == "decoded", static_cast<std::uint32_t>(std::stoul(width)),
                          static_cast<std::uint32_t>(std::stoul(height)), digest};
  }
  return expectations;
}

std::string fnv1a64(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t value = 0xCBF29CE484222325ull;
  for (std::uint8_t byte : bytes) value = (value ^ byte) * 0x100000001B3ull;
  char text[17];
  std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(value));
  return text;
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

TEST(ImageSuitesTest, EveryFileDecodesToItsDigestOrIsRefused) {
  const fs::path root(PRISM_TESTDATA_DIR);
  if (!fs::exists(root / "pngsuite")) GTEST_SKIP() << "no test images at " << root;
  const auto expectations = loadExpectations();
  ASSERT_GT(expectations.size(), 100u);

  std::vector<std::string> refused;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const auto extension = entry.path().extension();
    if (!entry.is_regular_file() || (extension != ".png" && extension != ".bmp")) continue;
    const std::string name = fs::relative(entry.path(), root).generic_string();
    const auto expected = expectations.find(name);
    ASSERT_NE(expected, expectations.end()) << name << " is not in image_suites.csv";

    const auto bytes = readFile(entry.path());
    DecodedImage image;
    ImageSummary summary{};
    HRESULT result = decodeImage(image, bytes.data(), static_cast<UINT>(bytes.size()), &summary, true);
    if (!expected->second.decodes) {
      EXPECT_EQ(result, ResultInvalidData) << name;
      refused.push_back(name);
      continue;
    }
    ASSERT_EQ(result, S_OK) << name;
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(convertToRgba8(image, rgba)) << name;
    EXPECT_EQ(image.width, expected->second.width) << name;
    EXPECT_EQ(image.height, expected->second.height) << name;
    EXPECT_EQ(fnv1a64(rgba), expected->second.digest) << name;
  }

  // The files the decoding rules refuse: BMPs with embedded JPEG or PNG data, masks after a
  // 40-byte header, 2-bit and 16-bit-palette OS/2 variants, and the broken files of b/ whose
  // damage lies in a field the rules check.
  std::ostringstream listing;
  for (const auto& name : refused) listing << name << "\n";
  RecordProperty("refused", listing.str());
  std::printf("refused, as expected:\n%s", listing.str().c_str());
}

}  // namespace
