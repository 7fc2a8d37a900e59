// prismtex decode INPUT -o OUTPUT.pam: level 0 of the first face as an 8-bit RGBA PAM file.
#include <vector>

#include "texture/image_decoder.h"
#include "texture/rgba8_preview.h"
#include "tools/prismtex/commands.h"

namespace prismtex {
namespace {

bool writePam(const std::string& path, std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba,
              const CommandOutput& output) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(output.err, "prismtex: cannot write \"%s\"\n", path.c_str());
    return false;
  }
  std::fprintf(file, "P7\nWIDTH %u\nHEIGHT %u\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", width, height);
  bool written = std::fwrite(rgba.data(), 1, rgba.size(), file) == rgba.size();
  written = std::fclose(file) == 0 && written;
  if (!written) std::fprintf(output.err, "prismtex: cannot write \"%s\"\n", path.c_str());
  return written;
}

}  // namespace

int runDecode(Arguments arguments, const CommandOutput& output) {
  if (arguments.size() != 3 || arguments[1] != "-o") {
    std::fputs("usage: prismtex decode INPUT -o OUTPUT.pam\n", output.err);
    return kExitUsage;
  }
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(arguments[0], bytes, output)) return kExitUndecodable;
  DecodedImage image;
  if (decodeImage(image, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, true) != S_OK) {
    std::fprintf(output.err, "prismtex: \"%s\" is not an image file that can be decoded\n", arguments[0].c_str());
    return kExitUndecodable;
  }
  std::vector<std::uint8_t> rgba;
  if (!convertToRgba8(image, rgba)) {
    std::fprintf(output.err, "prismtex: \"%s\" decodes to format %u, which cannot be shown as RGBA yet\n",
                 arguments[0].c_str(), static_cast<unsigned>(image.format));
    return kExitUndecodable;
  }
  return writePam(arguments[2], image.width, image.height, rgba, output) ? kExitSuccess : kExitUndecodable;
}

}  // namespace prismtex
