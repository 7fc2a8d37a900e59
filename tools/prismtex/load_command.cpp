// prismtex load INPUT [options] -o OUTPUT.dds: loads INPUT through the texture loader into a
// texture of the software device and writes every level and face of it as a DDS file.
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/windowless_device.h"
#include "texture/texture_loader.h"
#include "tools/prismtex/commands.h"
#include "tools/prismtex/dds_writer.h"

namespace prismtex {
namespace {

using platform::d3d9::ComPtr;

constexpr const char* kUsage =
    "usage: prismtex load INPUT [--size WxH] [--mips N] [--format NAME] [--filter NAME[+dither][+mirror]]\n"
    "                     [--mip-filter NAME] [--colorkey 0xAARRGGBB] [--pool managed|default|scratch]\n"
    "                     -o OUTPUT.dds\n"
    "  filters: none, point, linear, triangle, box; default-pool textures are made dynamic so they can be read\n";

struct NamedFormat {
  std::string_view name;
  D3DFORMAT value;
};

constexpr std::array<NamedFormat, 45> kFormatNames{{
    {"R8G8B8", D3DFMT_R8G8B8},
    {"A8R8G8B8", D3DFMT_A8R8G8B8},
    {"X8R8G8B8", D3DFMT_X8R8G8B8},
    {"R5G6B5", D3DFMT_R5G6B5},
    {"X1R5G5B5", D3DFMT_X1R5G5B5},
    {"A1R5G5B5", D3DFMT_A1R5G5B5},
    {"A4R4G4B4", D3DFMT_A4R4G4B4},
    {"R3G3B2", D3DFMT_R3G3B2},
    {"A8", D3DFMT_A8},
    {"A8R3G3B2", D3DFMT_A8R3G3B2},
    {"X4R4G4B4", D3DFMT_X4R4G4B4},
    {"A2B10G10R10", D3DFMT_A2B10G10R10},
    {"A8B8G8R8", D3DFMT_A8B8G8R8},
    {"X8B8G8R8", D3DFMT_X8B8G8R8},
    {"G16R16", D3DFMT_G16R16},
    {"A2R10G10B10", D3DFMT_A2R10G10B10},
    {"A16B16G16R16", D3DFMT_A16B16G16R16},
    {"A8P8", D3DFMT_A8P8},
    {"P8", D3DFMT_P8},
    {"L8", D3DFMT_L8},
    {"A8L8", D3DFMT_A8L8},
    {"A4L4", D3DFMT_A4L4},
    {"L16", D3DFMT_L16},
    {"V8U8", D3DFMT_V8U8},
    {"L6V5U5", D3DFMT_L6V5U5},
    {"X8L8V8U8", D3DFMT_X8L8V8U8},
    {"Q8W8V8U8", D3DFMT_Q8W8V8U8},
    {"V16U16", D3DFMT_V16U16},
    {"A2W10V10U10", D3DFMT_A2W10V10U10},
    {"Q16W16V16U16", D3DFMT_Q16W16V16U16},
    {"CxV8U8", D3DFMT_CxV8U8},
    {"UYVY", D3DFMT_UYVY},
    {"R8G8_B8G8", D3DFMT_R8G8_B8G8},
    {"YUY2", D3DFMT_YUY2},
    {"G8R8_G8B8", D3DFMT_G8R8_G8B8},
    {"DXT1", D3DFMT_DXT1},
    {"DXT2", D3DFMT_DXT2},
    {"DXT3", D3DFMT_DXT3},
    {"DXT4", D3DFMT_DXT4},
    {"DXT5", D3DFMT_DXT5},
    {"R16F", D3DFMT_R16F},
    {"G16R16F", D3DFMT_G16R16F},
    {"A16B16G16R16F", D3DFMT_A16B16G16R16F},
    {"R32F", D3DFMT_R32F},
    {"A32B32G32R32F", D3DFMT_A32B32G32R32F},
}};

struct NamedValue {
  std::string_view name;
  DWORD value;
};

constexpr std::array<NamedValue, 5> kFilterNames{{
    {"none", RESAMPLE_NONE},
    {"point", RESAMPLE_POINT},
    {"linear", RESAMPLE_LINEAR},
    {"triangle", RESAMPLE_TRIANGLE},
    {"box", RESAMPLE_BOX},
}};

constexpr std::array<NamedValue, 3> kPoolNames{{
    {"managed", D3DPOOL_MANAGED},
    {"default", D3DPOOL_DEFAULT},
    {"scratch", D3DPOOL_SCRATCH},
}};

template <typename Table>
bool lookUp(const Table& table, std::string_view name, DWORD* value) {
  for (const auto& row : table) {
    if (row.name == name) {
      *value = static_cast<DWORD>(row.value);
      return true;
    }
  }
  return false;
}

bool parseNumber(std::string_view text, UINT* value, int base = 10) {
  if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return error == std::errc() && end == text.data() + text.size();
}

bool parseSize(std::string_view text, UINT* width, UINT* height) {
  std::size_t cross = text.find('x');
  return cross != std::string_view::npos && parseNumber(text.substr(0, cross), width) &&
         parseNumber(text.substr(cross + 1), height) && *width > 0 && *height > 0;
}

// NAME[+dither][+mirror]
bool parseFilter(std::string_view text, DWORD* filter) {
  std::size_t plus = text.find('+');
  if (!lookUp(kFilterNames, text.substr(0, plus), filter)) return false;
  while (plus != std::string_view::npos) {
    text.remove_prefix(plus + 1);
    plus = text.find('+');
    std::string_view flag = text.substr(0, plus);
    if (flag == "dither") {
      *filter |= RESAMPLE_DITHER;
    } else if (flag == "mirror") {
      *filter |= RESAMPLE_MIRROR;
    } else {
      return false;
    }
  }
  return true;
}

struct LoadOptions {
  std::string input;
  std::string output;
  TextureRequest request;
};

// False (with a message) for bad usage.
bool parseArguments(Arguments arguments, LoadOptions* options, const CommandOutput& output) {
  // Volumes keep their depth and cube and volume files their kind; 2D images load exactly as
  // loadTextureFromFile loads them.
  options->request.depth = TEXTURE_DEFAULT;
  options->request.resourceType = TEXTURE_TYPE_FROM_FILE;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    const std::string_view value = hasValue ? std::string_view(arguments[i + 1]) : std::string_view();
    bool good = true;
    if (argument == "-o" && hasValue) {
      options->output = value;
    } else if (argument == "--size" && hasValue) {
      good = parseSize(value, &options->request.width, &options->request.height);
    } else if (argument == "--mips" && hasValue) {
      good = parseNumber(value, &options->request.mipLevels);
    } else if (argument == "--format" && hasValue) {
      DWORD format = 0;
      good = lookUp(kFormatNames, value, &format);
      options->request.format = static_cast<D3DFORMAT>(format);
    } else if (argument == "--filter" && hasValue) {
      good = parseFilter(value, &options->request.filter);
    } else if (argument == "--mip-filter" && hasValue) {
      good = parseFilter(value, &options->request.mipFilter);
    } else if (argument == "--colorkey" && hasValue) {
      good = parseNumber(value, &options->request.colourKey, 16);
    } else if (argument == "--pool" && hasValue) {
      DWORD pool = 0;
      good = lookUp(kPoolNames, value, &pool);
      options->request.pool = static_cast<D3DPOOL>(pool);
      if (options->request.pool == D3DPOOL_DEFAULT) options->request.usage |= D3DUSAGE_DYNAMIC;
    } else if (argument.starts_with("-") || !options->input.empty()) {
      std::fprintf(output.err, "prismtex: unexpected argument \"%s\"\n", argument.c_str());
      return false;
    } else {
      options->input = argument;
      continue;
    }
    if (!good) {
      std::fprintf(output.err, "prismtex: bad value \"%s\" for %s\n", std::string(value).c_str(), argument.c_str());
      return false;
    }
    ++i;
  }
  if (options->input.empty() || options->output.empty()) return false;
  return true;
}

}  // namespace

int runLoad(Arguments arguments, const CommandOutput& output) {
  LoadOptions options;
  if (!parseArguments(arguments, &options, output)) {
    std::fputs(kUsage, output.err);
    return kExitUsage;
  }
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(options.input, bytes, output)) return kExitUndecodable;

  ComPtr<IDirect3DDevice9> device;
  if (HRESULT result = platform::d3d9::createWindowlessDevice({}, &device); FAILED(result)) {
    std::fprintf(output.err, "prismtex: cannot create the software device (0x%08X)\n", static_cast<unsigned>(result));
    return kExitUndecodable;
  }
  ComPtr<IDirect3DBaseTexture9> texture;
  HRESULT result = buildTextureFromImage(device.get(), bytes.data(), static_cast<UINT>(bytes.size()), options.request,
                                         nullptr, nullptr, texture.put());
  if (FAILED(result)) {
    std::fprintf(output.err, "prismtex: \"%s\" cannot be loaded as a texture (0x%08X)\n", options.input.c_str(),
                 static_cast<unsigned>(result));
    return kExitUndecodable;
  }
  std::vector<std::uint8_t> dds;
  if (result = textureToDds(texture.get(), dds); FAILED(result)) {
    std::fprintf(output.err, "prismtex: the texture cannot be written as DDS (0x%08X)\n",
                 static_cast<unsigned>(result));
    return kExitUndecodable;
  }
  std::FILE* file = std::fopen(options.output.c_str(), "wb");
  bool written = file && std::fwrite(dds.data(), 1, dds.size(), file) == dds.size();
  if (file) written = std::fclose(file) == 0 && written;
  if (!written) {
    std::fprintf(output.err, "prismtex: cannot write \"%s\"\n", options.output.c_str());
    return kExitUndecodable;
  }
  return kExitSuccess;
}

}  // namespace prismtex
