#pragma once
// StatsPasteboardStore: named persistent pasteboards, the place where apps of one user leave data for
// each other (the device identifier's slots). Linux has no such service, so this is a file-backed
// stand-in: one property-list file per pasteboard, named after it, in a directory every app of the user
// can reach. A pasteboard holds items by type (a type name -> bytes); it exists from its first write on,
// and it persists (there are no short-lived pasteboards here). Writes replace the file atomically, so a
// reader in another process sees the old or the new pasteboard, never half of one.
//
// Names are used as file names: letters, digits and "-", ".", "_", "~" are kept, every other byte is
// percent-escaped; the empty name, "." and ".." name no pasteboard. Thread-safe (no state but the
// directory).

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

class StatsPasteboardStore {
 public:
  // The shared directory: "pasteboards" beside the app's documents directory (so
  // $XDG_DATA_HOME/pasteboards, or $VARDO_HOME/pasteboards).
  static std::string defaultDirectory();

  explicit StatsPasteboardStore(std::string directory = defaultDirectory());
  const std::string& directory() const { return directory_; }

  // The pasteboard exists (has been written); opening one never creates it.
  bool exists(std::string_view name) const;
  // The item of `type`; nothing when the pasteboard, or the item, is missing or unreadable.
  std::optional<core::Bytes> dataForType(std::string_view name, std::string_view type) const;
  // Creates the pasteboard when it is missing and sets its item of `type` (other types stay). False when
  // the name is unusable or the file could not be written.
  bool setData(std::string_view name, std::string_view type, const core::Bytes& data);

  // The file of a pasteboard; nothing for an unusable name.
  std::optional<std::string> pathFor(std::string_view name) const;

 private:
  std::string directory_;
};
