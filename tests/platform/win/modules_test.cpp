#include "platform/win/modules.h"

#include <gtest/gtest.h>

namespace {

int fakeExportCalls = 0;
INT_PTR fakeExport() { return ++fakeExportCalls; }

const platform::ModuleExport fakeExports[] = {
    {"FakeEntry", reinterpret_cast<FARPROC>(&fakeExport)},
};

TEST(ModulesTest, RegisteredModulesAreFoundByNameAndExport) {
  platform::registerModule("fake_module.dll", fakeExports);
  HMODULE byHandle = GetModuleHandleA("FAKE_MODULE.DLL");
  HMODULE byLoad = LoadLibraryA("fake_module");  // ".dll" may be left out
  ASSERT_NE(byHandle, nullptr);
  EXPECT_EQ(byHandle, byLoad);
  FARPROC entry = GetProcAddress(byHandle, "FakeEntry");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(), 1);
  EXPECT_EQ(GetProcAddress(byHandle, "fakeentry"), nullptr);  // export names are exact
  EXPECT_TRUE(FreeLibrary(byLoad));

  platform::unregisterModule("fake_module.dll");
  EXPECT_EQ(GetModuleHandleA("fake_module.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(byHandle, "FakeEntry"), nullptr);  // the old handle finds nothing
}

TEST(ModulesTest, ScopedReplacementPutsBackTheBuiltInModule) {
  HMODULE builtIn = GetModuleHandleA("d3d9.dll");
  ASSERT_NE(builtIn, nullptr);
  FARPROC realCreate = GetProcAddress(builtIn, "Direct3DCreate9");
  ASSERT_NE(realCreate, nullptr);
  {
    platform::ScopedModuleReplacement fake("D3D9.DLL", fakeExports);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("d3d9.dll"), "Direct3DCreate9"), nullptr);
    EXPECT_NE(GetProcAddress(GetModuleHandleA("d3d9.dll"), "FakeEntry"), nullptr);
  }
  EXPECT_EQ(GetProcAddress(GetModuleHandleA("d3d9.dll"), "Direct3DCreate9"), realCreate);
}

TEST(ModulesTest, UnknownNamesGiveNull) {
  EXPECT_EQ(GetModuleHandleA("no_such_module.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "Anything"), nullptr);
}

}  // namespace
