#include "shell/media_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scoped_environment.h"

namespace {

using prism_test::ScopedRegistry;
using prism_test::ScopedWorkingDirectory;
using prism_test::TemporaryDirectory;

std::string registryWithMediaRoot(const std::string& root) {
  std::string escaped;
  for (char c : root) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Graphics SDK]\n\"SDK Samples Path\"=\"" + escaped +
         "\"\n";
}

class MediaSearchTest : public testing::Test {
 protected:
  TemporaryDirectory work;
  TemporaryDirectory samples;
  TemporaryDirectory registryFolder;
  ScopedWorkingDirectory inWork{work.path()};
  char found[512] = {};
};

TEST_F(MediaSearchTest, FindsTheNameAsGivenMadeAbsolute) {
  work.write("shaders/Hologram.vsh", "vs_1_1");
  ScopedRegistry registry(registryFolder, "REGEDIT4\n");
  ASSERT_EQ(findMediaFile(found, sizeof found, "shaders\\Hologram.vsh"), S_OK);
  EXPECT_EQ(std::string(found), work.path().string() + "/shaders/Hologram.vsh");
}

TEST_F(MediaSearchTest, FindsTheBareNameInTheWorkingDirectory) {
  work.write("Hologram.psh", "ps_1_1");
  ScopedRegistry registry(registryFolder, "REGEDIT4\n");
  ASSERT_EQ(findMediaFile(found, sizeof found, "elsewhere\\Hologram.psh"), S_OK);
  EXPECT_STREQ(found, "Hologram.psh");
}

TEST_F(MediaSearchTest, FindsTheBareNameInTheRegistryMediaFolder) {
  samples.write("Media/Hologram.vsh", "vs_1_1");
  ScopedRegistry registry(registryFolder, registryWithMediaRoot(samples.path().string()));
  ASSERT_EQ(findMediaFile(found, sizeof found, "Hologram.vsh"), S_OK);
  EXPECT_EQ(std::string(found), samples.path().string() + "\\Media\\Hologram.vsh");
}

TEST_F(MediaSearchTest, NameFoundNowhereGivesFileNotFoundAndTheNameAsGiven) {
  ScopedRegistry registry(registryFolder, registryWithMediaRoot(samples.path().string()));
  EXPECT_EQ(findMediaFile(found, sizeof found, "sub\\Missing.vsh"), ResultFileNotFound);
  EXPECT_EQ(static_cast<std::uint32_t>(ResultFileNotFound), 0x80070002u);
  EXPECT_STREQ(found, "sub\\Missing.vsh");
}

TEST_F(MediaSearchTest, WithoutARegistryValueTheSearchFailsWithEFail) {
  ScopedRegistry registry(registryFolder, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Graphics SDK]\n");
  EXPECT_EQ(findMediaFile(found, sizeof found, "Missing.vsh"), E_FAIL);
  ScopedRegistry noKey(registryFolder, "REGEDIT4\n");
  EXPECT_EQ(mediaFolderFromRegistry(found, sizeof found), E_FAIL);
  EXPECT_STREQ(found, "");
}

TEST_F(MediaSearchTest, MediaFolderThatDoesNotFitIsRejected) {
  ScopedRegistry registry(registryFolder, registryWithMediaRoot("/opt/prismcard"));
  char folder[64];
  ASSERT_EQ(mediaFolderFromRegistry(folder, sizeof folder), S_OK);
  EXPECT_STREQ(folder, "/opt/prismcard\\Media\\");

  // 14 characters + 7 for "\Media\" need 22 with the terminator.
  char exact[22];
  EXPECT_EQ(mediaFolderFromRegistry(exact, sizeof exact), S_OK);
  char tooSmall[21];
  EXPECT_EQ(mediaFolderFromRegistry(tooSmall, sizeof tooSmall), E_INVALIDARG);
  char muchTooSmall[8];  // the value itself does not fit: the read fails
  EXPECT_EQ(mediaFolderFromRegistry(muchTooSmall, sizeof muchTooSmall), E_FAIL);
}

TEST_F(MediaSearchTest, FolderPlusNameThatDoesNotFitIsRejected) {
  // Room for the full path and for the media folder, but not for the folder plus the name.
  int capacity = static_cast<int>(work.path().string().size() + std::string("/Hologram.vsh").size()) + 1;
  ScopedRegistry registry(registryFolder, registryWithMediaRoot(std::string(capacity - 14, 'r')));
  std::vector<char> small(capacity);
  EXPECT_EQ(findMediaFile(small.data(), capacity, "Hologram.vsh"), E_INVALIDARG);
}

TEST_F(MediaSearchTest, BadArguments) {
  EXPECT_EQ(findMediaFile(nullptr, 10, "a"), E_INVALIDARG);
  EXPECT_EQ(findMediaFile(found, 0, "a"), E_INVALIDARG);
  EXPECT_EQ(findMediaFile(found, sizeof found, nullptr), E_INVALIDARG);
  EXPECT_EQ(mediaFolderFromRegistry(nullptr, 10), E_INVALIDARG);
  // A capacity too small for the full path fails before any search.
  char tiny[4];
  EXPECT_EQ(findMediaFile(tiny, sizeof tiny, "Hologram.vsh"), E_FAIL);
}

}  // namespace
