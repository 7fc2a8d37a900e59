#include "platform/win/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scoped_environment.h"

namespace {

using prism_test::ScopedWorkingDirectory;
using prism_test::TemporaryDirectory;

HANDLE openForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS,
                     nullptr);
}

TEST(FilesTest, MapsAFileReadOnlyAndReportsItsSize) {
  TemporaryDirectory directory;
  std::string path = directory.write("card.tga", "0123456789");
  HANDLE file = openForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 99;
  EXPECT_EQ(GetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);

  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_TRUE(CloseHandle(file));  // the mapping keeps the file open on its own
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::memcmp(view, "0123456789", 10), 0);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
}

TEST(FilesTest, EmptyFileMapsToANullViewOfSizeZero) {
  TemporaryDirectory directory;
  HANDLE file = openForReading(directory.write("empty.bmp", ""));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0), nullptr);
  CloseHandle(mapping);
  CloseHandle(file);
}

TEST(FilesTest, FailuresGiveThePlatformsResults) {
  TemporaryDirectory directory;
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(openForReading(directory.file("missing.psh")), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(openForReading(directory.file("no-folder/missing.psh")), INVALID_HANDLE_VALUE);
  EXPECT_EQ(openForReading(directory.path().string()), INVALID_HANDLE_VALUE);  // a folder is not a file
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);

  // Stale and foreign handles are refused, not dereferenced.
  HANDLE file = openForReading(directory.write("a.txt", "a"));
  ASSERT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetFileSize(file, nullptr), INVALID_FILE_SIZE);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(MapViewOfFile(reinterpret_cast<HANDLE>(0x1234), FILE_MAP_READ, 0, 0, 0), nullptr);
}

TEST(FilesTest, WritesAndReadsBack) {
  TemporaryDirectory directory;
  std::string path = directory.file("out.bin");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "tokens", 6, &written, nullptr));
  EXPECT_EQ(written, 6u);
  CloseHandle(file);

  file = openForReading(path);
  char buffer[16] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 6u);  // end of file is success with fewer bytes
  EXPECT_STREQ(buffer, "tokens");
  CloseHandle(file);
}

TEST(FilesTest, BackslashesSeparatePathComponents) {
  TemporaryDirectory directory;
  directory.write("media/HoloImage_1.tga", "image");
  std::string windowsStyle = directory.path().string() + "\\media\\HoloImage_1.tga";
  HANDLE file = openForReading(windowsStyle);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  ScopedWorkingDirectory inside(directory.path());
  char current[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
  std::string built = std::string(current) + "\\media\\HoloImage_1.tga";  // as the program builds it
  file = openForReading(built);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
}

TEST(FilesTest, FullPathNameResolvesAndPointsAtTheLeaf) {
  TemporaryDirectory directory;
  ScopedWorkingDirectory inside(directory.path());
  std::string current = std::filesystem::current_path().string();

  char buffer[MAX_PATH];
  char* leaf = nullptr;
  DWORD length = GetFullPathNameA("shaders\\..\\.\\Hologram.vsh", MAX_PATH, buffer, &leaf);
  std::string expected = current + "/Hologram.vsh";
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(std::string(buffer), expected);
  ASSERT_NE(leaf, nullptr);
  EXPECT_STREQ(leaf, "Hologram.vsh");

  EXPECT_EQ(GetFullPathNameA("/a//b/../../../c", MAX_PATH, buffer, &leaf), 2u);
  EXPECT_STREQ(buffer, "/c");

  // A trailing separator has no leaf; an empty name fails.
  GetFullPathNameA("\\media\\", MAX_PATH, buffer, &leaf);
  EXPECT_STREQ(buffer, "/media/");
  EXPECT_EQ(leaf, nullptr);
  EXPECT_EQ(GetFullPathNameA("", MAX_PATH, buffer, &leaf), 0u);

  // Too small a buffer: the size needed with the terminator, buffer untouched.
  char small[4] = "xyz";
  EXPECT_EQ(GetFullPathNameA("/abcdef", sizeof small, small, &leaf), 8u);
  EXPECT_STREQ(small, "xyz");
  EXPECT_EQ(leaf, nullptr);
  EXPECT_EQ(GetCurrentDirectoryA(1, small), current.size() + 1);
}

}  // namespace
