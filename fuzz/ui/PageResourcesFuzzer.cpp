// Arbitrary text as a page URL. Whatever it says, a resolved resource is a regular file inside the bundle
// or the image cache the target made, never the file beside them.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/Bundle.h"
#include "ui/PageResources.h"

namespace {

namespace fs = std::filesystem;

fs::path& root() {
  static fs::path path;
  return path;
}

void setUp() {
  char pattern[] = "/tmp/vd-page-fuzz-XXXXXX";
  if (!::mkdtemp(pattern)) std::abort();
  root() = fs::canonical(pattern);
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(root(), ignored);
  });
  fs::create_directories(root() / "bundle/sub");
  fs::create_directories(root() / "images");
  std::ofstream(root() / "bundle/main.css") << "body{}";
  std::ofstream(root() / "bundle/sub/a.png") << "png";
  std::ofstream(root() / "images/map1.png") << "png";
  std::ofstream(root() / "secret.png") << "secret";
  fs::create_symlink(root() / "secret.png", root() / "images/link.png");
  ::setenv("VARDO_BUNDLE", (root() / "bundle").c_str(), 1);
  core::Bundle::resetMain();
  ui::PageResources::setImageDirectory((root() / "images").string());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (root().empty()) setUp();
  const std::string url(reinterpret_cast<const char*>(data), size);
  const auto resource = ui::PageResources::resolve(url);
  if (!resource) return 0;
  const std::string bundle = (root() / "bundle").string() + "/";
  const std::string images = (root() / "images").string() + "/";
  if (resource->path.rfind(bundle, 0) != 0 && resource->path.rfind(images, 0) != 0) {
    std::fprintf(stderr, "page_resources_fuzzer: %s left its roots: %s\n", url.c_str(), resource->path.c_str());
    std::abort();
  }
  if (!fs::is_regular_file(resource->path)) std::abort();
  return 0;
}
