#include <gtest/gtest.h>

#include <set>

#include "tests/support/fake_device9.h"
#include "tests/support/fake_direct3d9.h"
#include "texture/texture_loader.h"

namespace {

using prism_test::FakeDevice9;
using prism_test::FakeDirect3D9;

class FormatChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    direct3D.addAdapter("fake").caps[D3DDEVTYPE_REF] = FakeDirect3D9::capableCaps(D3DDEVTYPE_REF);
    direct3D.deviceFormatCheck = [this](UINT adapter, D3DDEVTYPE type, D3DFORMAT display, DWORD usage,
                                        D3DRESOURCETYPE resource, D3DFORMAT format) {
      lastQuery = {adapter, type, display, usage, resource};
      return refused.count(format) ? D3DERR_NOTAVAILABLE : D3D_OK;
    };
    device.direct3D = &direct3D;
    device.caps = FakeDirect3D9::capableCaps(D3DDEVTYPE_REF);
    device.displayMode = D3DDISPLAYMODE{800, 600, 60, D3DFMT_R5G6B5};
    device.creationParameters =
        D3DDEVICE_CREATION_PARAMETERS{0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING};
  }

  D3DFORMAT pick(D3DFORMAT wanted, DWORD usage = 0) {
    return pickNearestFormat(&device, usage, D3DRTYPE_TEXTURE, describeFormat(wanted));
  }

  struct Query {
    UINT adapter;
    D3DDEVTYPE type;
    D3DFORMAT display;
    DWORD usage;
    D3DRESOURCETYPE resource;
  };
  FakeDirect3D9 direct3D;
  FakeDevice9 device;
  std::set<D3DFORMAT> refused;
  Query lastQuery{};
};

TEST_F(FormatChoiceTest, AnExactSupportedRowIsTakenEvenIfNotReturnable) {
  EXPECT_EQ(pick(D3DFMT_A8R8G8B8), D3DFMT_A8R8G8B8);
  EXPECT_EQ(pick(D3DFMT_R8G8B8), D3DFMT_R8G8B8);
  EXPECT_EQ(pick(D3DFMT_DXT3), D3DFMT_DXT3);
  EXPECT_EQ(pickNearestFormat(nullptr, 0, D3DRTYPE_TEXTURE, describeFormat(D3DFMT_R8G8B8)), D3DFMT_R8G8B8);
  // The query is made for the device's adapter, type and display format.
  EXPECT_EQ(lastQuery.type, D3DDEVTYPE_REF);
  EXPECT_EQ(lastQuery.display, D3DFMT_R5G6B5);
  EXPECT_EQ(direct3D.references, 1u);
}

TEST_F(FormatChoiceTest, ClosestRowAndTies) {
  // A row that is not returnable is never a stand-in.
  refused = {D3DFMT_R8G8B8};
  EXPECT_EQ(pick(D3DFMT_R8G8B8), D3DFMT_X8R8G8B8);
  // Equal channels: the earlier row of the same size wins.
  refused = {D3DFMT_A8R8G8B8};
  EXPECT_EQ(pick(D3DFMT_A8R8G8B8), D3DFMT_A8B8G8R8);
  // Wider channels cost little, narrower ones much: 16-16-16-16 beats 2-10-10-10.
  refused = {D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8};
  EXPECT_EQ(pick(D3DFMT_A8R8G8B8), D3DFMT_A16B16G16R16);
  // One surplus bit of green beats three surplus bits per channel.
  refused = {D3DFMT_X1R5G5B5};
  EXPECT_EQ(pick(D3DFMT_X1R5G5B5), D3DFMT_R5G6B5);
  // Equal scores: fewer bits per pixel win over an earlier row.
  refused = {D3DFMT_A8};
  EXPECT_EQ(pick(D3DFMT_A8), D3DFMT_A8R3G3B2);
  // Luminance may become colour: L8 finds X8R8G8B8 when L8 is refused.
  refused = {D3DFMT_L8};
  EXPECT_EQ(pick(D3DFMT_L8), D3DFMT_X8R8G8B8);
}

TEST_F(FormatChoiceTest, ClassesAndMissingChannelsRuleCandidatesOut) {
  // Nothing with alpha: colour rows without alpha lack every channel A8 has.
  refused = {D3DFMT_A8,          D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5,    D3DFMT_A4R4G4B4,    D3DFMT_A8R3G3B2,
             D3DFMT_A2B10G10R10, D3DFMT_A8B8G8R8, D3DFMT_A2R10G10B10, D3DFMT_A16B16G16R16};
  EXPECT_EQ(pick(D3DFMT_A8), D3DFMT_UNKNOWN);
  // Bump formats never turn into colour, nor colour into depth.
  refused = {D3DFMT_V8U8,   D3DFMT_L6V5U5,      D3DFMT_X8L8V8U8,    D3DFMT_Q8W8V8U8,
             D3DFMT_V16U16, D3DFMT_A2W10V10U10, D3DFMT_Q16W16V16U16};
  EXPECT_EQ(pick(D3DFMT_V8U8), D3DFMT_UNKNOWN);
  EXPECT_EQ(formatDistance(describeFormat(D3DFMT_X8R8G8B8), describeFormat(D3DFMT_D24S8)), -1);
  // A palettised wish accepts colour; a colour wish does not accept palettes.
  EXPECT_GE(formatDistance(describeFormat(D3DFMT_P8), describeFormat(D3DFMT_A8R8G8B8)), 0);
  EXPECT_EQ(formatDistance(describeFormat(D3DFMT_A8R8G8B8), describeFormat(D3DFMT_A8P8)), -1);
  // The score itself: 0-5-6-5 for 0-5-5-5 is one surplus green bit; A8 for X8R8G8B8 lacks three
  // channels and has an unwanted one.
  EXPECT_EQ(formatDistance(describeFormat(D3DFMT_X1R5G5B5), describeFormat(D3DFMT_R5G6B5)), 1);
  EXPECT_EQ(formatDistance(describeFormat(D3DFMT_R5G6B5), describeFormat(D3DFMT_X1R5G5B5)), 65536);
  EXPECT_EQ(formatDistance(describeFormat(D3DFMT_X8R8G8B8), describeFormat(D3DFMT_A8R3G3B2)),
            256 + (5 + 5 + 6) * 65536);
}

TEST_F(FormatChoiceTest, VertexTextureQueriesOfSoftwareDevicesAskForSoftwareProcessing) {
  pick(D3DFMT_A8R8G8B8, D3DUSAGE_QUERY_VERTEXTEXTURE);
  EXPECT_EQ(lastQuery.usage, D3DUSAGE_QUERY_VERTEXTEXTURE | D3DUSAGE_SOFTWAREPROCESSING);
  device.creationParameters->BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  pick(D3DFMT_A8R8G8B8, D3DUSAGE_QUERY_VERTEXTEXTURE);
  EXPECT_EQ(lastQuery.usage, D3DUSAGE_QUERY_VERTEXTEXTURE);
}

TEST_F(FormatChoiceTest, ADeviceThatCannotDescribeItselfGetsNoFormat) {
  device.displayMode.reset();
  EXPECT_EQ(pick(D3DFMT_A8R8G8B8), D3DFMT_UNKNOWN);
}

}  // namespace
