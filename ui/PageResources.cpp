#include "ui/PageResources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"

namespace ui {

namespace {

struct Shared {
  std::mutex lock;
  std::string imageDirectory;
  std::vector<std::string> handlers;
  std::vector<std::string> scripts;
};

void addOnce(std::vector<std::string>& list, std::string text) {
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(std::move(text));
}

Shared& shared() {
  static Shared s;
  return s;
}

struct Kind {
  const char* extension;
  const char* mimeType;
  bool image;
};

constexpr Kind kKinds[] = {
    {"png", "image/png", true},   {"gif", "image/gif", true},         {"jpg", "image/jpeg", true},
    {"jpeg", "image/jpeg", true}, {"bmp", "image/bmp", true},         {"css", "text/css", false},
    {"js", "text/javascript", false}, {"html", "text/html", false}, {"htm", "text/html", false},
};

std::optional<std::string> realPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

}  // namespace

std::string PageResources::bundleBaseURL() { return std::string(kScheme) + "://" + kBundleHost + "/"; }

std::string PageResources::imageURL(std::string_view name) {
  return std::string(kScheme) + "://" + kImagesHost + "/" + core::escapeComponent(name);
}

bool PageResources::isPageURL(std::string_view url) {
  return core::toLower(url.substr(0, std::string_view(kScheme).size() + 1)) == std::string(kScheme) + ":";
}

bool PageResources::isFileURL(std::string_view url) { return core::toLower(url.substr(0, 5)) == "file:"; }

void PageResources::setImageDirectory(std::string directory) {
  std::lock_guard<std::mutex> hold(shared().lock);
  shared().imageDirectory = std::move(directory);
}

std::string PageResources::imageDirectory() {
  std::lock_guard<std::mutex> hold(shared().lock);
  return shared().imageDirectory;
}

std::optional<PageResources::Resource> PageResources::resolve(std::string_view url) {
  if (url.size() > kMaxURLBytes) return std::nullopt;
  const std::string prefix = std::string(kScheme) + "://";
  if (core::toLower(url.substr(0, prefix.size())) != prefix) return std::nullopt;
  std::string_view rest = url.substr(prefix.size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string host = core::toLower(rest.substr(0, slash));
  bool imagesOnly = false;
  std::string root;
  if (host == kBundleHost) {
    root = core::Bundle::main().resourcePath();
  } else if (host == kImagesHost) {
    root = imageDirectory();
    imagesOnly = true;
  } else {
    return std::nullopt;  // other hosts, users and ports alike
  }
  if (root.empty()) return std::nullopt;

  std::string relative;
  for (const std::string& escaped : core::split(rest.substr(slash + 1), "/")) {
    const auto segment = core::removingPercentEscapes(escaped);
    if (!segment || segment->empty() || *segment == "." || *segment == ".." ||
        segment->find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
      return std::nullopt;
    relative += "/" + *segment;
  }
  if (relative.empty()) return std::nullopt;

  const std::size_t dot = relative.rfind('.');
  if (dot == std::string::npos || relative.find('/', dot) != std::string::npos) return std::nullopt;
  const std::string extension = core::toLower(std::string_view(relative).substr(dot + 1));
  const Kind* kind = nullptr;
  for (const Kind& k : kKinds)
    if (extension == k.extension && (k.image || !imagesOnly)) kind = &k;
  if (!kind) return std::nullopt;

  const auto realRoot = realPath(root);
  const auto realFile = realPath(root + relative);
  if (!realRoot || !realFile || !realFile->starts_with(*realRoot + "/")) return std::nullopt;
  struct stat info {};
  if (::stat(realFile->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return Resource{*realFile, kind->mimeType};
}

std::optional<PageResources::Contents> PageResources::read(std::string_view url) {
  const auto resource = resolve(url);
  if (!resource) return std::nullopt;
  std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(resource->path.c_str(), "rb"), &std::fclose);
  if (!file) return std::nullopt;
  Contents contents{std::string(), resource->mimeType};
  char buffer[64 * 1024];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (contents.bytes.size() + n > kMaxFileBytes) return std::nullopt;
    contents.bytes.append(buffer, n);
  }
  if (std::ferror(file.get())) return std::nullopt;
  return contents;
}

void PageResources::trustInlineHandler(std::string text) {
  std::lock_guard<std::mutex> hold(shared().lock);
  addOnce(shared().handlers, std::move(text));
}

std::vector<std::string> PageResources::trustedInlineHandlers() {
  std::lock_guard<std::mutex> hold(shared().lock);
  return shared().handlers;
}

void PageResources::trustInlineScript(std::string text) {
  std::lock_guard<std::mutex> hold(shared().lock);
  addOnce(shared().scripts, std::move(text));
}

std::vector<std::string> PageResources::trustedInlineScripts() {
  std::lock_guard<std::mutex> hold(shared().lock);
  return shared().scripts;
}

}  // namespace ui
