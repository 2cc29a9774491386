#pragma once
// core::PropertyListWriter: writes property-list files off the calling thread, for files rewritten often
// from the main thread (the run in progress after every page move, the user defaults), whose write and
// fsyncs must not hold it.
//
// - One writer for the process, one job at a time on the global queue: its writes never overlap.
// - The latest state wins: a save or removal replaces the one still waiting for the same file, so a
//   burst of changes costs one write, and a crash loses at most the change not yet written.
// - Saves and removals of one file land in the order they were asked for (a removal is never undone by
//   an older save still waiting).
// - What waits is what the file holds for this process's readers: the readers of these files ask
//   pending() first, so they see the last state without waiting for the disk.
// - A write that fails leaves the file as it was (core::Paths::atomicWrite); nobody is told.
// - At process exit (atexit) the writer finishes what is waiting: that final flush is the one wait.
//
// The value handed in is deep-copied on the calling thread; only the serialising and writing happen on
// the worker (the XML format of PropertyList::writeFile).

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/Value.h"

namespace core {

class PropertyListWriter {
 public:
  static PropertyListWriter& shared();

  // Queues the file at `path` (its directory made when missing) to hold `root`.
  void save(const std::string& path, const Value& root);
  // Queues the removal of the file at `path`.
  void remove(const std::string& path);
  // The value waiting to be written to `path` (a copy), Nil for a removal waiting, nullopt when nothing
  // waits for that file.
  std::optional<Value> pending(const std::string& path) const;
  // Returns when everything queued so far is on disk (a blocking call: exit paths and tests).
  void flush();

  // For files written both ways: the file as this process will have it (what waits, else what is on
  // disk; Nil when neither), and a write that is queued (returning true) on the main thread of a running
  // application (rl::isBlockingDisallowed()) and done at once elsewhere, after what is queued for it.
  Value readFile(const std::string& path) const;
  bool writeFile(const std::string& path, const Value& root);

  PropertyListWriter() = default;
  PropertyListWriter(const PropertyListWriter&) = delete;
  PropertyListWriter& operator=(const PropertyListWriter&) = delete;

 private:
  struct Entry {
    std::uint64_t generation = 0;
    Value root;  // Nil: remove the file
  };
  void queue(const std::string& path, Value root);
  void drain();

  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::map<std::string, Entry> pending_;
  std::uint64_t generation_ = 0;
  bool draining_ = false;
};

}  // namespace core
