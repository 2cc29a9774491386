#pragma once
// ui::PageResources: where the application's web pages read their files. Pages never see file URLs:
// their resources come through the "vdbundle" scheme, which names two roots and nothing else:
//
//   vdbundle://bundle/NAME   a page resource of the bundle's resource directory (core::Bundle::main()):
//                            .html .htm .css .js and the image kinds below
//   vdbundle://images/NAME   an image of the image cache the application set (setImageDirectory):
//                            .png .gif .jpg .jpeg .bmp only
//
// resolve() states what a URL may name. Accepted: the scheme in any letter case, one of the two hosts,
// a path of percent-escaped segments; a query or a fragment is ignored. Refused (nullopt): any other
// scheme or host, a user, a port, an empty path, empty, "." or ".." segments, a segment that decodes to
// "/", "\" or NUL, bad escapes, an extension not listed for the root, and a path that leaves its root
// once symbolic links are followed, or names no regular file. Limits: a URL of at most 4096 bytes and
// files of at most kMaxFileBytes (read() refuses larger ones).
//
// The application's own pages carry a few inline event handlers (an option's onclick) and script
// elements of their templates. Their texts are registered here (trustInlineHandler, trustInlineScript)
// by the code that writes them; the web engine lets those run and no other inline script
// (ui/gtk/WebKitEngine.h).
//
// Thread-safe: the setters are meant for the main thread, resolve() and read() touch the disk and are
// meant for a worker.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class PageResources {
 public:
  static constexpr const char* kScheme = "vdbundle";
  static constexpr const char* kBundleHost = "bundle";
  static constexpr const char* kImagesHost = "images";
  static constexpr std::size_t kMaxFileBytes = 16u << 20;
  static constexpr std::size_t kMaxURLBytes = 4096;

  // "vdbundle://bundle/": the base URL of pages that read the bundle's resources.
  static std::string bundleBaseURL();
  // "vdbundle://images/" + the name escaped as one path segment.
  static std::string imageURL(std::string_view name);
  static bool isPageURL(std::string_view url);  // the scheme is "vdbundle"
  static bool isFileURL(std::string_view url);  // the scheme is "file"

  // The image cache pages may show (the current subject's); empty: none.
  static void setImageDirectory(std::string directory);
  static std::string imageDirectory();

  struct Resource {
    std::string path;      // the file, symbolic links resolved
    std::string mimeType;  // by its extension
  };
  static std::optional<Resource> resolve(std::string_view url);
  // The file's bytes and type; nullopt as resolve(), and for a file larger than kMaxFileBytes or unreadable.
  struct Contents {
    std::string bytes;
    std::string mimeType;
  };
  static std::optional<Contents> read(std::string_view url);

  static void trustInlineHandler(std::string text);
  static std::vector<std::string> trustedInlineHandlers();
  static void trustInlineScript(std::string text);
  static std::vector<std::string> trustedInlineScripts();
};

}  // namespace ui
