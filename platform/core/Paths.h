#pragma once
// core::Paths: where the application keeps its files, and the small file helpers every layer uses.
//
//   documents      $XDG_DATA_HOME/vardo   (default ~/.local/share/vardo)
//   caches         $XDG_CACHE_HOME/vardo  (default ~/.cache/vardo)
//   configuration  $XDG_CONFIG_HOME/vardo (default ~/.config/vardo)
//   temporary      $TMPDIR                (default /tmp)
//
// VARDO_HOME=DIR overrides all four: DIR/data, DIR/cache, DIR/config and DIR/tmp (tests use it).
// The environment is read on every call. The four directory getters create their directory when it
// is missing (as the phone platform guarantees they exist); failures there are silent, the write that
// follows reports them. The documents directory holds the user's own data (the keychain file among
// it) and is private: made 0700, and one found open to others is tightened to 0700 at each call.

#include <sys/types.h>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

namespace core {

class Paths {
 public:
  static std::string documents();
  static std::string caches();
  static std::string configuration();
  static std::string temporary();

  // a + "/" + b without doubled slashes; b absolute gives b.
  static std::string join(std::string_view a, std::string_view b);
  static std::string parent(std::string_view path);         // "/a/b/c.txt" -> "/a/b"; "c" -> "."
  static std::string lastComponent(std::string_view path);  // "/a/b/c.txt" -> "c.txt"

  // mkdir -p. Returns whether the directory exists afterwards.
  static bool createDirectories(const std::string& path);
  // mkdir -p, the last directory private to the user: made 0700, or, when it exists, its group and
  // other permission bits removed. Missing parents get the usual mode. Returns whether a directory
  // that only its owner can enter exists afterwards.
  static bool createPrivateDirectory(const std::string& path);
  static bool fileExists(const std::string& path);  // anything at the path (file or directory)
  static bool isDirectory(const std::string& path);
  static bool isRegularFile(const std::string& path);
  // Removes a file or a directory tree. True when nothing is left at the path (also when nothing was).
  static bool removeAll(const std::string& path);

  // Replaces the file at path with bytes: written to a temporary file in the same directory, flushed
  // to disk, then renamed over the target, so readers see the old or the new file, never half of one.
  // The directory must exist. A new file gets `mode`; a replaced file keeps its mode.
  // It waits for the disk: a blocking call (rl::assertBlockingAllowed), not for a running main thread.
  static bool atomicWrite(const std::string& path, const Bytes& bytes, mode_t mode = 0644);
  static bool atomicWrite(const std::string& path, std::string_view text, mode_t mode = 0644);
  static std::optional<Bytes> readFile(const std::string& path);  // nullopt when missing or unreadable
  // Writes all of bytes to the descriptor, again after an interruption or a short write; false when a
  // write fails or writes nothing.
  static bool writeAll(int fd, std::string_view bytes);
  static std::optional<std::string> readTextFile(const std::string& path);
};

}  // namespace core
