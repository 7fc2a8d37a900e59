// PNG files through libpng. libpng reports errors by jumping to the point set with setjmp on
// its read structure; that point is inside decompressPng, a C-style function with no object
// that needs destruction between setjmp and the jump.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "texture/byte_cursor.h"
#include "texture/decode_limits.h"
#include "texture/image_decoders.h"
#include "texture/pixel_formats.h"

#include <png.h>

namespace {

// Deflate expands its input at most 1032 times.
constexpr std::uint64_t kMaxInflateRatio = 1032;
constexpr double kScreenGamma = 2.2;

struct PngJob {
  png_structp png;
  png_infop info;
  ByteCursor* input;
  DecodedImage* image;
  png_bytepp rows;  // malloc'ed; freed whatever happens
  PALETTEENTRY filePalette[256];
  int filePaletteCount;
  png_byte transparency[256];
  int transparencyCount;
  double fileGamma;
  HRESULT result;
};

extern "C" void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
extern "C" void pngWarning(png_structp, png_const_charp) {}

extern "C" void pngRead(png_structp png, png_bytep target, png_size_t count) {
  auto* input = static_cast<ByteCursor*>(png_get_io_ptr(png));
  auto bytes = input->take(count);
  if (bytes.empty() && count != 0) png_error(png, "read error");
  std::memcpy(target, bytes.data(), count);
}

std::uint32_t channelsOf(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
  }
}

std::uint32_t expectedChannels(D3DFORMAT format) {
  if (format == D3DFMT_INTERNAL_R16) return 3;
  if (format == D3DFMT_INTERNAL_AL16) return 2;
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A16B16G16R16: return 4;
    case D3DFMT_A8L8: return 2;
    default: return 1;
  }
}

void buildPalette(PngJob* job, PALETTEENTRY* palette) {
  std::uint8_t gamma[256];
  const double product = job->fileGamma * kScreenGamma;
  for (int i = 0; i < 256; ++i) {
    gamma[i] = job->fileGamma > 0.000001
                   ? static_cast<std::uint8_t>(static_cast<int>(255.0 * std::pow(i / 255.0, 1.0 / product) + 0.5))
                   : static_cast<std::uint8_t>(i);
  }
  std::memset(palette, 0xFF, 256 * sizeof(PALETTEENTRY));
  for (int i = 0; i < job->filePaletteCount; ++i) {
    const PALETTEENTRY& entry = job->filePalette[i];
    palette[i] = {gamma[entry.peRed], gamma[entry.peGreen], gamma[entry.peBlue],
                  i < job->transparencyCount ? job->transparency[i] : std::uint8_t{255}};
  }
}

void decompressPng(PngJob* job) {
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, pngError, pngWarning);
  if (!job->png) {
    job->result = E_OUTOFMEMORY;
    return;
  }
  job->info = png_create_info_struct(job->png);
  if (!job->info) {
    png_destroy_read_struct(&job->png, nullptr, nullptr);
    job->result = E_OUTOFMEMORY;
    return;
  }
  if (setjmp(png_jmpbuf(job->png))) {
    std::free(job->rows);
    job->rows = nullptr;
    png_destroy_read_struct(&job->png, &job->info, nullptr);
    if (job->result == S_OK) job->result = E_FAIL;
    return;
  }
  png_set_read_fn(job->png, job->input, pngRead);
  png_read_info(job->png, job->info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(job->png, job->info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  D3DFORMAT format = D3DFMT_UNKNOWN;
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: format = D3DFMT_L8; break;
    case PNG_COLOR_TYPE_RGB: format = D3DFMT_R8G8B8; break;
    case PNG_COLOR_TYPE_PALETTE: format = D3DFMT_P8; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: format = D3DFMT_A8L8; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: format = D3DFMT_A8R8G8B8; break;
    default: png_error(job->png, "colour type");
  }

  // The compressed rows must be able to describe the image.
  auto rawBytes = checkedMultiply((std::uint64_t{width} * channelsOf(colourType) * bitDepth + 7) / 8 + 1, height);
  if (!allocationAllowed(rawBytes, job->input->remaining(), kMaxInflateRatio)) png_error(job->png, "too large");

  if (bitDepth == 16) {
    if (format == D3DFMT_P8) png_error(job->png, "16-bit palette");
    png_set_swap(job->png);
    if (format == D3DFMT_R8G8B8)
      format = D3DFMT_INTERNAL_R16;
    else if (format == D3DFMT_A8R8G8B8)
      format = D3DFMT_A16B16G16R16;
    else if (format == D3DFMT_L8)
      format = D3DFMT_L16;
    else if (format == D3DFMT_A8L8)
      format = D3DFMT_INTERNAL_AL16;
  }
  if (bitDepth < 8) {
    png_set_packing(job->png);
    if (colourType == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(job->png);
  }

  // The palette and its alpha as stored; the palette gets its own gamma table below.
  if (format == D3DFMT_P8) {
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(job->png, job->info, &entries, &count) == 0) png_error(job->png, "no palette");
    job->filePaletteCount = count > 256 ? 256 : count;
    for (int i = 0; i < job->filePaletteCount; ++i) {
      job->filePalette[i] = {entries[i].red, entries[i].green, entries[i].blue, 255};
    }
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(job->png, job->info, &alpha, &alphaCount, nullptr) != 0 && alpha) {
      job->transparencyCount = alphaCount > 256 ? 256 : alphaCount;
      std::memcpy(job->transparency, alpha, static_cast<std::size_t>(job->transparencyCount));
    }
  }

  int intent = 0;
  double fileGamma = 0;
  if (png_get_sRGB(job->png, job->info, &intent) != 0) {
    png_set_sRGB(job->png, job->info, intent);
  } else if (png_get_gAMA(job->png, job->info, &fileGamma) != 0) {
    job->fileGamma = fileGamma;
    // Palette entries are corrected by our own table, not by libpng.
    if (format != D3DFMT_P8) png_set_gamma(job->png, kScreenGamma, fileGamma);
  }

  if (format != D3DFMT_P8 && png_get_valid(job->png, job->info, PNG_INFO_tRNS) != 0) {
    png_set_tRNS_to_alpha(job->png);
    if (format == D3DFMT_R8G8B8)
      format = D3DFMT_A8R8G8B8;
    else if (format == D3DFMT_L8)
      format = D3DFMT_A8L8;
    else if (format == D3DFMT_L16)
      format = D3DFMT_INTERNAL_AL16;
    else if (format == D3DFMT_INTERNAL_R16)
      format = D3DFMT_A16B16G16R16;
  }
  if (format == D3DFMT_R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_INTERNAL_R16) png_set_bgr(job->png);
  if (format == D3DFMT_R8G8B8) {
    png_set_filler(job->png, 0xFF, PNG_FILLER_AFTER);
    format = D3DFMT_X8R8G8B8;
  }
  png_set_interlace_handling(job->png);
  png_read_update_info(job->png, job->info);

  if (png_get_channels(job->png, job->info) != expectedChannels(format)) png_error(job->png, "channels");
  const png_size_t pitch = png_get_rowbytes(job->png, job->info);
  auto levelBytes = checkedMultiply(pitch, height);
  if (!levelBytes || *levelBytes > kMaxDecodedBytes) png_error(job->png, "too large");

  DecodedImage& image = *job->image;
  image.format = format;
  image.width = width;
  image.height = height;
  image.depth = 1;
  image.rowPitch = static_cast<UINT>(pitch);
  image.slicePitch = 0;

  if (image.decodePixels) {
    std::uint8_t* pixels = image.allocatePixels(*levelBytes);
    job->rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    if (!pixels || !job->rows) {
      job->result = E_OUTOFMEMORY;
      png_error(job->png, "out of memory");
    }
    for (png_uint_32 row = 0; row < height; ++row) job->rows[row] = pixels + std::size_t{row} * pitch;
    png_read_image(job->png, job->rows);
    if (format == D3DFMT_P8) {
      PALETTEENTRY* palette = image.allocatePalette();
      if (!palette) {
        job->result = E_OUTOFMEMORY;
        png_error(job->png, "out of memory");
      }
      buildPalette(job, palette);
    }
  }
  std::free(job->rows);
  job->rows = nullptr;
  png_destroy_read_struct(&job->png, &job->info, nullptr);
}

}  // namespace

HRESULT decodePng(DecodedImage& image, ImageBytes data) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) return E_FAIL;
  ByteCursor input(data);
  auto* job = static_cast<PngJob*>(std::calloc(1, sizeof(PngJob)));
  if (!job) return E_OUTOFMEMORY;
  job->input = &input;
  job->image = &image;
  job->result = S_OK;
  decompressPng(job);
  HRESULT result = job->result;
  std::free(job);
  return result;
}
