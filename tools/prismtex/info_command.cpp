// prismtex info INPUT: one line with Width Height Depth MipLevels Format ResourceType ImageFileKind.
#include <vector>

#include "texture/image_decoder.h"
#include "tools/prismtex/commands.h"

namespace prismtex {

int runInfo(Arguments arguments, const CommandOutput& output) {
  if (arguments.size() != 1) {
    std::fputs("usage: prismtex info INPUT\n", output.err);
    return kExitUsage;
  }
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(arguments[0], bytes, output)) return kExitUndecodable;
  DecodedImage image;
  ImageSummary summary{};
  HRESULT result = decodeImage(image, bytes.data(), static_cast<UINT>(bytes.size()), &summary, false);
  if (result != S_OK) {
    std::fprintf(output.err, "prismtex: \"%s\" is not an image file that can be decoded (0x%08X)\n",
                 arguments[0].c_str(), static_cast<unsigned>(result));
    return kExitUndecodable;
  }
  std::fprintf(output.out, "%u %u %u %u %u %u %u\n", summary.Width, summary.Height, summary.Depth, summary.MipLevels,
               static_cast<unsigned>(summary.Format), static_cast<unsigned>(summary.ResourceType),
               static_cast<unsigned>(summary.ImageFileKind));
  return kExitSuccess;
}

}  // namespace prismtex
