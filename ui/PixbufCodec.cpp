#include "ui/PixbufCodec.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace ui {

namespace {

std::optional<RGBABitmap> fromPixbuf(GdkPixbuf* source) {
  if (!source) return std::nullopt;
  GdkPixbuf* pixbuf = gdk_pixbuf_get_has_alpha(source) ? GDK_PIXBUF(g_object_ref(source))
                                                       : gdk_pixbuf_add_alpha(source, FALSE, 0, 0, 0);
  std::optional<RGBABitmap> out;
  if (pixbuf && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 && gdk_pixbuf_get_n_channels(pixbuf) == 4) {
    RGBABitmap b;
    b.width = gdk_pixbuf_get_width(pixbuf);
    b.height = gdk_pixbuf_get_height(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    b.rgba.resize(static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height) * 4);
    for (int y = 0; y < b.height; ++y) {
      std::memcpy(b.rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(b.width) * 4,
                  pixels + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(b.width) * 4);
    }
    out = std::move(b);
  }
  if (pixbuf) g_object_unref(pixbuf);
  return out;
}

// A pixbuf sharing the bitmap's bytes (valid while the bitmap lives and is not changed).
GdkPixbuf* wrap(const RGBABitmap& b) {
  return gdk_pixbuf_new_from_data(b.rgba.data(), GDK_COLORSPACE_RGB, TRUE, 8, b.width, b.height, b.width * 4,
                                  nullptr, nullptr);
}

bool tooLarge(double w, double h) { return w * h > static_cast<double>(PixbufCodec::kMaxPixels); }

constexpr unsigned char kPNGSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t bigEndian32(const unsigned char* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::uint32_t RGBABitmap::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const std::size_t i =
      (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
  return (std::uint32_t(rgba[i]) << 24) | (std::uint32_t(rgba[i + 1]) << 16) |
         (std::uint32_t(rgba[i + 2]) << 8) | std::uint32_t(rgba[i + 3]);
}

std::optional<Size> PixbufCodec::pixelSizeOfFile(const std::string& path) {
  // A PNG's size stands in its first chunk: read there, not through a loader, which inflates pixels too.
  unsigned char head[24];
  std::size_t got = 0;
  if (std::unique_ptr<std::FILE, FileCloser> f{std::fopen(path.c_str(), "rb")})
    got = std::fread(head, 1, sizeof head, f.get());
  if (got >= sizeof kPNGSignature && std::memcmp(head, kPNGSignature, sizeof kPNGSignature) == 0) {
    if (got < sizeof head || bigEndian32(head + 8) != 13 || std::memcmp(head + 12, "IHDR", 4) != 0)
      return std::nullopt;
    const std::uint32_t w = bigEndian32(head + 16), h = bigEndian32(head + 20);
    if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) return std::nullopt;
    return Size{static_cast<double>(w), static_cast<double>(h)};
  }
  int w = 0;
  int h = 0;
  if (!gdk_pixbuf_get_file_info(path.c_str(), &w, &h) || w <= 0 || h <= 0) return std::nullopt;
  return Size{static_cast<double>(w), static_cast<double>(h)};
}

std::optional<RGBABitmap> PixbufCodec::decodeFile(const std::string& path) {
  auto size = pixelSizeOfFile(path);
  if (!size || tooLarge(size->width, size->height)) return std::nullopt;
  GError* error = nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
  if (error) g_error_free(error);
  auto out = fromPixbuf(pixbuf);
  if (pixbuf) g_object_unref(pixbuf);
  return out;
}

std::optional<RGBABitmap> PixbufCodec::decodeData(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  bool tooBig = false;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(+[](GdkPixbufLoader* l, int w, int h, gpointer flag) {
                     if (tooLarge(w, h)) {
                       *static_cast<bool*>(flag) = true;
                       gdk_pixbuf_loader_set_size(l, 1, 1);
                     }
                   }),
                   &tooBig);
  GError* error = nullptr;
  const bool written =
      gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), &error);
  if (error) g_clear_error(&error);
  const bool closed = gdk_pixbuf_loader_close(loader, &error);
  if (error) g_clear_error(&error);
  std::optional<RGBABitmap> out;
  if (written && closed && !tooBig) out = fromPixbuf(gdk_pixbuf_loader_get_pixbuf(loader));
  g_object_unref(loader);
  return out;
}

std::optional<std::string> PixbufCodec::encode(const RGBABitmap& bitmap, std::string_view format, double quality) {
  if (bitmap.isEmpty() || bitmap.rgba.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height * 4)
    return std::nullopt;
  GdkPixbuf* pixbuf = wrap(bitmap);
  gchar* buffer = nullptr;
  gsize length = 0;
  GError* error = nullptr;
  gboolean ok = FALSE;
  if (format == "png") {
    ok = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &length, "png", &error, nullptr);
  } else if (format == "jpeg") {
    // JPEG has no alpha: flatten onto white first, as the platform did.
    GdkPixbuf* flat = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, bitmap.width, bitmap.height);
    if (flat) {
      gdk_pixbuf_fill(flat, 0xFFFFFFFF);
      gdk_pixbuf_composite(pixbuf, flat, 0, 0, bitmap.width, bitmap.height, 0, 0, 1, 1, GDK_INTERP_NEAREST,
                           255);
    }
    const int q = static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
    const std::string qs = std::to_string(std::max(1, q));
    if (flat)
      ok = gdk_pixbuf_save_to_buffer(flat, &buffer, &length, "jpeg", &error, "quality", qs.c_str(), nullptr);
    if (flat) g_object_unref(flat);
  }
  g_object_unref(pixbuf);
  if (error) g_error_free(error);
  if (!ok || !buffer) {
    g_free(buffer);
    return std::nullopt;
  }
  std::string out(buffer, length);
  g_free(buffer);
  return out;
}

RGBABitmap PixbufCodec::scale(const RGBABitmap& bitmap, int width, int height) {
  RGBABitmap out;
  if (bitmap.isEmpty() || width <= 0 || height <= 0 || tooLarge(width, height)) return out;
  GdkPixbuf* source = wrap(bitmap);
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(source, width, height, GDK_INTERP_BILINEAR);
  if (auto b = fromPixbuf(scaled)) out = std::move(*b);
  if (scaled) g_object_unref(scaled);
  g_object_unref(source);
  return out;
}

}  // namespace ui
