#include "platform/core/PropertyListWriter.h"

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/DispatchQueue.h"

namespace core {

PropertyListWriter& PropertyListWriter::shared() {
  // Never destroyed: a worker may still be using it while the process ends.
  static PropertyListWriter* writer = [] {
    auto* w = new PropertyListWriter();
    rl::DispatchQueue::global();  // made first, so it is still there when the exit flush runs
    std::atexit([] {
      rl::ScopedAllowBlocking exiting;
      PropertyListWriter::shared().flush();
    });
    return w;
  }();
  return *writer;
}

void PropertyListWriter::save(const std::string& path, const Value& root) { queue(path, root.deepCopy()); }

void PropertyListWriter::remove(const std::string& path) { queue(path, Value()); }

void PropertyListWriter::queue(const std::string& path, Value root) {
  bool start = false;
  {
    std::lock_guard lock(mutex_);
    pending_[path] = Entry{++generation_, std::move(root)};
    start = !draining_;
    draining_ = true;
  }
  if (start) rl::DispatchQueue::global().async([this] { drain(); });
}

std::optional<Value> PropertyListWriter::pending(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto it = pending_.find(path);
  if (it == pending_.end()) return std::nullopt;
  return it->second.root.deepCopy();
}

Value PropertyListWriter::readFile(const std::string& path) const {
  if (auto waiting = pending(path)) return *waiting;
  return PropertyList::readFile(path);
}

bool PropertyListWriter::writeFile(const std::string& path, const Value& root) {
  if (rl::isBlockingDisallowed()) {
    save(path, root);
    return true;
  }
  flush();  // what the main thread queued lands first
  Paths::createDirectories(Paths::parent(path));
  return PropertyList::writeFile(path, root);
}

void PropertyListWriter::drain() {
  for (;;) {
    std::vector<std::pair<std::string, Entry>> batch;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) {
        draining_ = false;
        idle_.notify_all();
        return;
      }
      batch.assign(pending_.begin(), pending_.end());
    }
    // Entries stay waiting while they are written, so readers keep seeing them until the file does.
    for (const auto& [path, entry] : batch) {
      if (entry.root.isNil()) {
        std::remove(path.c_str());
      } else {
        Paths::createDirectories(Paths::parent(path));
        PropertyList::writeFile(path, entry.root);
      }
    }
    std::lock_guard lock(mutex_);
    for (const auto& [path, entry] : batch) {
      auto it = pending_.find(path);
      if (it != pending_.end() && it->second.generation == entry.generation) pending_.erase(it);
    }
  }
}

void PropertyListWriter::flush() {
  rl::assertBlockingAllowed("a wait for the property-list writer");
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !draining_; });
}

}  // namespace core
