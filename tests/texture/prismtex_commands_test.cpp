#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/support/scoped_environment.h"
#include "tests/texture/image_file_builders.h"
#include "tools/prismtex/commands.h"

namespace {

using prism_test::TemporaryDirectory;

// Runs prismtex with the given arguments, capturing standard output and error.
struct PrismtexRun {
  int status;
  std::string out, err;
};

std::string readAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

PrismtexRun run(std::vector<std::string> arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int status = prismtex::runPrismtex(arguments, {out, err});
  return {status, readAll(out), readAll(err)};
}

TEST(PrismtexTest, InfoPrintsTheSummaryOnOneLine) {
  TemporaryDirectory directory;
  test_images::Bytes file = test_images::tgaHeader({.width = 3, .height = 2, .pixelBits = 32});
  file.resize(file.size() + 24, 0);
  const std::string path = directory.write("image.tga", std::string(file.begin(), file.end()));
  PrismtexRun result = run({"info", path});
  EXPECT_EQ(result.status, prismtex::kExitSuccess);
  EXPECT_EQ(result.out, "3 2 1 1 21 3 2\n");  // alpha unknown without pixels: A8R8G8B8
}

TEST(PrismtexTest, DecodeWritesRgbaPam) {
  TemporaryDirectory directory;
  test_images::Bytes file = test_images::tgaHeader({.width = 2, .height = 1, .pixelBits = 24});
  file.insert(file.end(), {1, 2, 3, 4, 5, 6});
  const std::string input = directory.write("image.tga", std::string(file.begin(), file.end()));
  const std::string output = directory.file("out.pam");
  ASSERT_EQ(run({"decode", input, "-o", output}).status, prismtex::kExitSuccess);
  std::ifstream pam(output, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(pam)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, std::string("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n") +
                      std::string("\x03\x02\x01\xFF\x06\x05\x04\xFF", 8));
}

TEST(PrismtexTest, ExitStatusesTellUndecodableInputFromBadUsage) {
  TemporaryDirectory directory;
  const std::string garbage = directory.write("garbage.bin", "not an image");
  PrismtexRun undecodable = run({"info", garbage});
  EXPECT_EQ(undecodable.status, prismtex::kExitUndecodable);
  EXPECT_NE(undecodable.err.find("garbage.bin"), std::string::npos);
  EXPECT_EQ(run({"info", directory.file("missing.png")}).status, prismtex::kExitUndecodable);
  EXPECT_EQ(run({}).status, prismtex::kExitUsage);
  EXPECT_EQ(run({"frobnicate"}).status, prismtex::kExitUsage);
  EXPECT_EQ(run({"info"}).status, prismtex::kExitUsage);
  EXPECT_EQ(run({"decode", garbage, "out.pam"}).status, prismtex::kExitUsage);
}

}  // namespace
