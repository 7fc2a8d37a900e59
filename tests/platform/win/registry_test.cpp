#include "platform/win/registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/win/registry_file.h"
#include "scoped_environment.h"

namespace {

using prism_test::ScopedEnvironment;
using prism_test::ScopedRegistry;
using prism_test::TemporaryDirectory;

constexpr const char* direct3DKey = "Software\\Orvance\\Direct3D";

std::optional<DWORD> readDword(const char* keyPath, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof value;
  LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return value;
}

TEST(RegistryTest, ReadsDwordAndStringValuesFromARegFile) {
  TemporaryDirectory directory;
  ScopedRegistry registry(directory,
                          "REGEDIT4\r\n"
                          "\r\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\r\n"
                          "\"DisablePSGP\"=dword:00000001\r\n"
                          "\"DisableMMX\"=dword:FFFFFFFF\r\n"
                          "\r\n"
                          "; the media folder\r\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Graphics SDK]\r\n"
                          "\"SDK Samples Path\"=\"C:\\\\Samples \\\"quoted\\\"\"\r\n");
  EXPECT_EQ(readDword(direct3DKey, "DisablePSGP"), 1u);
  EXPECT_EQ(readDword(direct3DKey, "disablemmx"), 0xFFFFFFFFu);  // names compare case-insensitively
  EXPECT_EQ(readDword("SOFTWARE\\orvance\\DIRECT3D", "DisablePSGP"), 1u);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvance\\Graphics SDK", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "SDK Samples Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  std::string expected = "C:\\Samples \"quoted\"";
  EXPECT_EQ(size, expected.size() + 1);  // the size counts the terminator

  char small[4];
  DWORD smallSize = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "SDK Samples Path", nullptr, &type, reinterpret_cast<BYTE*>(small), &smallSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(smallSize, size);

  char text[64];
  DWORD textSize = sizeof text;
  ASSERT_EQ(RegQueryValueExA(key, "SDK Samples Path", nullptr, &type, reinterpret_cast<BYTE*>(text), &textSize),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(text), expected);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST(RegistryTest, MissingFilesMakeAnEmptyRegistry) {
  TemporaryDirectory directory;
  ScopedEnvironment user("PRISMCARD_REGISTRY", directory.file("none.reg"));
  ScopedEnvironment system("PRISMCARD_SYSTEM_REGISTRY", directory.file("none-either.reg"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, direct3DKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  // The roots themselves always exist.
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RegistryTest, MalformedLinesAreSkippedWithOneWarningEach) {
  TemporaryDirectory directory;
  ScopedRegistry registry(directory,
                          "REGEDIT4\n"
                          "\"Orphan\"=dword:1\n"  // 2: before any key
                          "[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n"
                          "\"DisablePSGP\"=dword:123456789\n"  // 4: nine digits
                          "this is not a registry line\n"      // 5
                          "\"Broken\"=\"unterminated\n"        // 6
                          "\"DisableMMX\"=dword:00000002\n"
                          "[HKEY_NOWHERE\\Key]\n");  // 8: unknown root
  testing::internal::CaptureStderr();
  std::optional<DWORD> mmx = readDword(direct3DKey, "DisableMMX");
  std::optional<DWORD> psgp = readDword(direct3DKey, "DisablePSGP");
  std::string warnings = testing::internal::GetCapturedStderr();
  EXPECT_EQ(mmx, 2u);
  EXPECT_EQ(psgp, std::nullopt);
  std::string file = directory.file("registry.reg");
  for (int line : {2, 4, 5, 6, 8}) {
    EXPECT_NE(warnings.find(file + ", line " + std::to_string(line) + ":"), std::string::npos) << warnings;
  }
  // Two reads, five bad lines each.
  std::size_t count = 0;
  for (std::size_t at = warnings.find("line ignored"); at != std::string::npos;
       at = warnings.find("line ignored", at + 1))
    ++count;
  EXPECT_EQ(count, 10u);
}

TEST(RegistryTest, UserFileWinsOverSystemFile) {
  TemporaryDirectory directory;
  ScopedEnvironment user(
      "PRISMCARD_REGISTRY",
      directory.write("user.reg", "REGEDIT4\n[HKLM\\Software\\Orvance\\Direct3D]\n\"DisablePSGP\"=dword:0\n"));
  ScopedEnvironment system("PRISMCARD_SYSTEM_REGISTRY",
                           directory.write("system.reg",
                                           "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]"
                                           "\n\"DisablePSGP\"=dword:1\n\"DisableMMX\"=dword:1\n"));
  EXPECT_EQ(readDword(direct3DKey, "DisablePSGP"), 0u);
  EXPECT_EQ(readDword(direct3DKey, "DisableMMX"), 1u);
}

TEST(RegistryTest, KeysBelowAWrittenKeyAndSubkeysOfOpenKeys) {
  TemporaryDirectory directory;
  ScopedRegistry registry(directory,
                          "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n\"DisablePSGP\"=dword:1\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D Extra]\n");
  HKEY orvance = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvance", 0, KEY_READ, &orvance), ERROR_SUCCESS);
  HKEY direct3D = nullptr;
  ASSERT_EQ(RegOpenKeyExA(orvance, "Direct3D", 0, KEY_READ, &direct3D), ERROR_SUCCESS);
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(direct3D, "DisablePSGP", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orv", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  RegCloseKey(direct3D);
  RegCloseKey(orvance);
}

TEST(RegistryFileTest, BinaryValuesContinuationLinesAndDeletions) {
  platform::RegistryContents contents;
  int warnings = 0;
  auto warn = [&](const std::string&, int, const std::string&) { ++warnings; };
  contents.merge(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"Blob\"=hex:01,02,\\\n  03\n\"Gone\"=dword:1\n\"Gone\"=-\n"
      "@=\"default\"\n\"Expand\"=hex(2):41,00\n[-HKEY_LOCAL_MACHINE\\A\\B]\n",
      "test.reg", warn);
  EXPECT_EQ(warnings, 0);
  const platform::RegistryKey* key = contents.findKey("hklm\\a");
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->values.count("blob"));
  EXPECT_EQ(key->values.at("blob").data, (std::vector<BYTE>{1, 2, 3}));
  EXPECT_EQ(key->values.at("blob").type, REG_BINARY);
  EXPECT_FALSE(key->values.count("gone"));
  EXPECT_EQ(key->values.at("").type, REG_SZ);
  EXPECT_EQ(key->values.at("expand").type, REG_EXPAND_SZ);
  EXPECT_EQ(platform::canonicalKeyPath("HKLM//Software\\Orvance\\"), "hkey_local_machine\\software\\orvance");
}

}  // namespace
