#include "ui/ImageCodec.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

namespace ui {
namespace {

bool withinLimits(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= ImageCodec::kMaxSide && height <= ImageCodec::kMaxSide &&
         width * height <= ImageCodec::kMaxPixels;
}

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to the
// setjmp of the call in progress. The state that call works on lives on the heap (held by a pointer
// set before setjmp), so nothing the jump skips needs destroying and no local changed after setjmp is
// read after the jump.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool truncated = false;  // the data ended before the picture did (a warning to libjpeg)
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegMessage(j_common_ptr info, int level) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) error->truncated = true;
}

void jpegOutput(j_common_ptr) {}

void installErrorHandler(JpegError& error, jpeg_error_mgr*& slot) {
  slot = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  error.manager.emit_message = jpegMessage;
  error.manager.output_message = jpegOutput;
}

struct JpegDecoding {
  jpeg_decompress_struct info{};
  JpegError error{};
  Bitmap bitmap;
};

std::optional<Bitmap> decodeJPEG(std::string_view bytes, bool headerOnly) {
  auto d = std::make_unique<JpegDecoding>();
  installErrorHandler(d->error, d->info.err);
  if (setjmp(d->error.jump)) {
    jpeg_destroy_decompress(&d->info);  // safe before the create too: it frees only what was made
    return std::nullopt;
  }
  jpeg_create_decompress(&d->info);
  jpeg_mem_src(&d->info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&d->info, TRUE) != JPEG_HEADER_OK ||
      !withinLimits(d->info.image_width, d->info.image_height)) {
    jpeg_destroy_decompress(&d->info);
    return std::nullopt;
  }
  d->bitmap.width = static_cast<int>(d->info.image_width);
  d->bitmap.height = static_cast<int>(d->info.image_height);
  if (headerOnly) {
    jpeg_destroy_decompress(&d->info);
    return std::move(d->bitmap);
  }
  // Grey and YCbCr convert to RGB; CMYK does not, and fails here.
  d->info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d->info);
  if (d->info.output_components != 3 || d->info.output_width != d->info.image_width ||
      d->info.output_height != d->info.image_height) {
    jpeg_destroy_decompress(&d->info);
    return std::nullopt;
  }
  const std::size_t stride = static_cast<std::size_t>(d->bitmap.width) * 3;
  d->bitmap.rgb.resize(stride * static_cast<std::size_t>(d->bitmap.height));
  while (d->info.output_scanline < d->info.output_height && !d->error.truncated) {
    JSAMPROW row = d->bitmap.rgb.data() + stride * d->info.output_scanline;
    jpeg_read_scanlines(&d->info, &row, 1);
  }
  if (d->error.truncated) {
    jpeg_destroy_decompress(&d->info);
    return std::nullopt;
  }
  jpeg_finish_decompress(&d->info);
  jpeg_destroy_decompress(&d->info);
  if (d->error.truncated) return std::nullopt;
  return std::move(d->bitmap);
}

std::optional<Bitmap> decodePNG(std::string_view bytes, bool headerOnly) {
  // The simplified interface catches libpng's errors itself and frees the image on failure.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (!withinLimits(image.width, image.height)) {
    png_image_free(&image);
    return std::nullopt;
  }
  Bitmap bitmap;
  bitmap.width = static_cast<int>(image.width);
  bitmap.height = static_cast<int>(image.height);
  if (headerOnly) {
    png_image_free(&image);
    return bitmap;
  }
  image.format = PNG_FORMAT_RGB;
  bitmap.rgb.resize(PNG_IMAGE_SIZE(image));
  png_color white{255, 255, 255};
  if (!png_image_finish_read(&image, &white, bitmap.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  png_image_free(&image);
  return bitmap;
}

std::optional<Bitmap> decodeAny(std::string_view bytes, bool headerOnly) {
  switch (ImageCodec::formatOf(bytes)) {
    case ImageCodec::Format::JPEG:
      return decodeJPEG(bytes, headerOnly);
    case ImageCodec::Format::PNG:
      return decodePNG(bytes, headerOnly);
    case ImageCodec::Format::None:
      break;
  }
  return std::nullopt;
}

struct JpegEncoding {
  jpeg_compress_struct info{};
  JpegError error{};
  unsigned char* out = nullptr;
  unsigned long size = 0;
  ~JpegEncoding() { std::free(out); }
};

}  // namespace

ImageCodec::Format ImageCodec::formatOf(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == std::string_view("\xFF\xD8\xFF", 3)) return Format::JPEG;
  if (bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return Format::PNG;
  return Format::None;
}

std::optional<Size> ImageCodec::sizeOf(std::string_view bytes) {
  auto header = decodeAny(bytes, true);
  if (!header) return std::nullopt;
  return Size{static_cast<double>(header->width), static_cast<double>(header->height)};
}

std::optional<Bitmap> ImageCodec::decode(std::string_view bytes) { return decodeAny(bytes, false); }

std::optional<std::string> ImageCodec::encodeJPEG(const Bitmap& bitmap, double quality) {
  if (!withinLimits(bitmap.width, bitmap.height) ||
      bitmap.rgb.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height * 3)
    return std::nullopt;
  auto e = std::make_unique<JpegEncoding>();
  installErrorHandler(e->error, e->info.err);
  if (setjmp(e->error.jump)) {
    jpeg_destroy_compress(&e->info);
    return std::nullopt;
  }
  jpeg_create_compress(&e->info);
  jpeg_mem_dest(&e->info, &e->out, &e->size);
  e->info.image_width = static_cast<JDIMENSION>(bitmap.width);
  e->info.image_height = static_cast<JDIMENSION>(bitmap.height);
  e->info.input_components = 3;
  e->info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&e->info);
  // Worked out after setjmp(), so that no local of this frame lives across a longjmp().
  const double clamped = quality >= 0 ? std::min(quality, 1.0) : 0;  // NaN too
  jpeg_set_quality(&e->info, std::clamp(static_cast<int>(std::lround(clamped * 100)), 1, 100), TRUE);
  jpeg_start_compress(&e->info, TRUE);
  const std::size_t stride = static_cast<std::size_t>(bitmap.width) * 3;
  while (e->info.next_scanline < e->info.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(bitmap.rgb.data() + stride * e->info.next_scanline);
    jpeg_write_scanlines(&e->info, &row, 1);
  }
  jpeg_finish_compress(&e->info);
  std::string out(reinterpret_cast<const char*>(e->out), e->size);
  jpeg_destroy_compress(&e->info);
  return out;
}

std::optional<std::string> ImageCodec::toJPEG(std::string_view bytes, double quality) {
  auto bitmap = decode(bytes);
  if (!bitmap) return std::nullopt;
  return encodeJPEG(*bitmap, quality);
}

}  // namespace ui
