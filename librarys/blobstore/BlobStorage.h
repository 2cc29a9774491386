#pragma once
// BlobStorage: a small disk store of byte buffers under string keys, one file per key in the caches
// directory, under "DataStorage/<question bank short name>". The directory is fixed the first time the
// store needs it and stays for the rest of the process, whichever bank is chosen later.
//
// A key's file is named by the MD5 digest of the key's UTF-8 bytes (32 lower-case hexadecimal digits)
// and holds the stored bytes exactly; every write replaces the file atomically.
//
// All file work runs one task after another on one serial queue ("data-disk-cache.io"), so operations
// take effect in the order they were made: a read made after a store sees the stored bytes, a read
// made after a removal sees none. A read or removal of a key that is not cached, while no store or
// removal of that key is waiting on the queue, is answered at once on the caller's thread (nothing the
// queue holds could change the answer); every other answer comes on the queue, never on the main
// thread. The synchronous variants wait for their answer; called from a task of the queue itself they
// do their work in place instead of waiting for the queue.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"
#include "platform/runloop/DispatchQueue.h"

class BlobStorage {
 public:
  static constexpr const char* kQueueLabel = "data-disk-cache.io";
  static constexpr const char* kDirectoryName = "DataStorage";

  using StoreCompletion = std::function<void(bool stored)>;
  using ReadCompletion = std::function<void(const std::optional<core::Bytes>& data)>;
  using RemoveCompletion = std::function<void()>;

  // The current question bank's short name: the "Value" of the subject choice stored under the user
  // default "saveAppName" ("" when none is chosen), unless setAppNameSource() says otherwise.
  static std::string appName();
  // Where appName() comes from (the application shell hands in its own subject lookup). Takes effect
  // for the storage directory only when set before the store is first used.
  static void setAppNameSource(std::function<std::string()> source);

  // The caches directory + "/DataStorage/" + the bank's short name as it was at first use. Without a
  // usable name (none chosen, or one that is no plain file name) the files go in "DataStorage" itself.
  static std::string storageDirectory();
  static std::string internalKey(std::string_view key);
  static std::string pathForDataFile(std::string_view key);
  // Whether the key has a file, counting the stores and removals already made for it.
  static bool isCached(std::string_view key);

  // Writes the bytes on the queue, then calls the block there with whether the file was written.
  static void storeData(core::Bytes data, std::string key, StoreCompletion block);
  // The key's bytes, or none when it has none. Without a block nothing happens.
  static void dataForKey(std::string key, ReadCompletion block);
  // Removes the key's file (a failure to remove is ignored), then calls the block.
  static void removeCacheForKey(std::string key, RemoveCompletion block);

  static bool storeData(core::Bytes data, std::string key);
  static std::optional<core::Bytes> dataForKey(std::string key);
  static void removeCacheForKey(std::string key);

  // The store's serial queue (tests wait on it with waitIdle()).
  static rl::DispatchQueue& ioQueue();
};
