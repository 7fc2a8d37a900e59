// JPEG files through libjpeg (version 62 interface). libjpeg reports fatal errors by calling
// a handler that must not return; ours jumps back into decompressJpeg, a C-style function with
// no object that needs destruction between setjmp and the jump.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "math/mmx_test.h"
#include "texture/byte_cursor.h"
#include "texture/decode_limits.h"
#include "texture/image_decoders.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace {

// A JPEG spends at least a few bits on every 8 × 8 block, so this many output bytes per input
// byte is far beyond any real file; a header claiming more is refused before allocating.
constexpr std::uint64_t kMaxBytesPerInputByte = 4096;
// Progressive files can hold any number of scans; real ones have a few dozen.
constexpr int kMaxScans = 256;

struct JpegErrorManager {
  jpeg_error_mgr standard;
  std::jmp_buf returnPoint;
  void (*standardEmit)(j_common_ptr, int);
  bool dataMissing;  // compressed data was needed past the end of the file
};

struct JpegMemorySource {
  jpeg_source_mgr manager;
  const JOCTET* data;
  std::size_t size;
  bool served;  // the data has been handed out once
  int extraFills;
};

constexpr JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

extern "C" void jpegFatalError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  std::longjmp(errors->returnPoint, 1);
}

extern "C" void jpegOutputMessage(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX < 200 ? 200 : JMSG_LENGTH_MAX];
  info->err->format_message(info, message);  // formatted and dropped
}

extern "C" void jpegEmitMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_HIT_MARKER) errors->dataMissing = true;
  errors->standardEmit(info, level);
}

extern "C" void jpegInitSource(j_decompress_ptr) {}
extern "C" void jpegTermSource(j_decompress_ptr) {}

// The whole file is one buffer. Asking for more after that means the file ended: handing the
// file out again would have libjpeg read its start as more data (and on some truncated files
// loop forever), so it gets an end-of-image marker instead. If compressed data was still
// needed, libjpeg warns that it hit a marker and the file counts as damaged; a file that only
// lacks its final marker decodes.
extern "C" boolean jpegFillInputBuffer(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegMemorySource*>(info->src);
  if (!source->served) {
    source->served = true;
    source->manager.next_input_byte = source->data;
    source->manager.bytes_in_buffer = source->size;
    return TRUE;
  }
  if (++source->extraFills > 2) {
    info->err->msg_code = JERR_INPUT_EOF;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  }
  source->manager.next_input_byte = kEndOfImage;
  source->manager.bytes_in_buffer = sizeof(kEndOfImage);
  return TRUE;
}

// Skipping stops at the end of the data.
extern "C" void jpegSkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  auto* source = reinterpret_cast<JpegMemorySource*>(info->src);
  std::size_t step = static_cast<unsigned long>(count) < source->manager.bytes_in_buffer
                         ? static_cast<std::size_t>(count)
                         : source->manager.bytes_in_buffer;
  source->manager.next_input_byte += step;
  source->manager.bytes_in_buffer -= step;
}

extern "C" void jpegProgress(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number > kMaxScans) {
    common->err->msg_code = JERR_NOTIMPL;
    common->err->error_exit(common);
  }
}

// Everything the decompression touches, kept outside its stack frame so it survives the jump.
struct JpegJob {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  jpeg_progress_mgr progress;
  const std::uint8_t* data;
  std::size_t size;
  DecodedImage* image;
  HRESULT result;
};

void storeRow(const JSAMPLE* samples, std::uint8_t* target, std::uint32_t width, int components) {
  if (components == 1) {
    std::memcpy(target, samples, width);
    return;
  }
  for (std::uint32_t x = 0; x < width; ++x, samples += 3, target += 4) {
    target[0] = samples[2];
    target[1] = samples[1];
    target[2] = samples[0];
    target[3] = 0;
  }
}

void decompressJpeg(JpegJob* job) {
  job->info.err = jpeg_std_error(&job->errors.standard);
  job->errors.standard.error_exit = jpegFatalError;
  job->errors.standard.output_message = jpegOutputMessage;
  job->errors.standardEmit = job->errors.standard.emit_message;
  job->errors.standard.emit_message = jpegEmitMessage;
  if (setjmp(job->errors.returnPoint)) {
    jpeg_destroy_decompress(&job->info);
    if (job->result == S_OK) job->result = E_FAIL;
    return;
  }
  jpeg_create_decompress(&job->info);
  // Progressive files keep every coefficient in memory; without backing store, libjpeg refuses
  // a file that would need more than this.
  job->info.mem->max_memory_to_use = static_cast<long>(kMaxDecodedBytes);
  job->progress.progress_monitor = jpegProgress;
  job->info.progress = &job->progress;

  auto* source = static_cast<JpegMemorySource*>(job->info.mem->alloc_small(reinterpret_cast<j_common_ptr>(&job->info),
                                                                           JPOOL_PERMANENT, sizeof(JpegMemorySource)));
  source->manager.init_source = jpegInitSource;
  source->manager.fill_input_buffer = jpegFillInputBuffer;
  source->manager.skip_input_data = jpegSkipInputData;
  source->manager.resync_to_restart = jpeg_resync_to_restart;
  source->manager.term_source = jpegTermSource;
  source->manager.next_input_byte = nullptr;
  source->manager.bytes_in_buffer = 0;
  source->data = job->data;
  source->size = job->size;
  source->served = false;
  source->extraFills = 0;
  job->info.src = &source->manager;

  jpeg_read_header(&job->info, TRUE);
  if (!mmxAvailable()) job->info.dct_method = JDCT_IFAST;

  DecodedImage& image = *job->image;
  const std::uint64_t pixelCount = std::uint64_t{job->info.image_width} * job->info.image_height;
  if (!allocationAllowed(checkedMultiply(pixelCount, 4), job->size, kMaxBytesPerInputByte)) {
    job->result = E_FAIL;
    jpeg_destroy_decompress(&job->info);
    return;
  }
  jpeg_start_decompress(&job->info);
  const int components = job->info.output_components;
  if (components != 1 && components != 3) {
    job->result = E_FAIL;
    jpeg_destroy_decompress(&job->info);
    return;
  }
  const std::uint32_t width = job->info.output_width;
  const std::uint32_t height = job->info.output_height;
  image.format = components == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
  image.width = width;
  image.height = height;
  image.depth = 1;
  image.rowPitch = components == 1 ? width : 4 * width;
  image.slicePitch = 0;

  if (image.decodePixels) {
    std::uint8_t* pixels = image.allocatePixels(std::size_t{image.rowPitch} * height);
    if (!pixels) {
      job->result = E_OUTOFMEMORY;
      jpeg_destroy_decompress(&job->info);
      return;
    }
    JSAMPARRAY row = job->info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&job->info), JPOOL_IMAGE,
                                                 width * static_cast<JDIMENSION>(components), 1);
    while (job->info.output_scanline < height) {
      std::uint32_t line = job->info.output_scanline;
      if (jpeg_read_scanlines(&job->info, row, 1) != 1) break;
      storeRow(row[0], pixels + std::size_t{line} * image.rowPitch, width, components);
    }
    jpeg_finish_decompress(&job->info);
  }
  if (job->errors.dataMissing) job->result = E_FAIL;
  jpeg_destroy_decompress(&job->info);
}

}  // namespace

HRESULT decodeJpeg(DecodedImage& image, ImageBytes data) {
  if (data.empty()) return E_FAIL;
  // Cheap refusal before libjpeg is set up: every JPEG begins with a start-of-image marker.
  ByteCursor cursor(data);
  if (cursor.u8() != 0xFF || cursor.u8() != 0xD8) return E_FAIL;
  JpegJob job{};
  job.data = data.data();
  job.size = data.size();
  job.image = &image;
  job.result = S_OK;
  decompressJpeg(&job);
  return job.result;
}
