#include "librarys/blobstore/BlobStorage.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/Semaphore.h"
#include "platform/security/MD5.h"

namespace {

struct Store {
  std::mutex mutex;  // guards everything below
  std::function<std::string()> appNameSource;
  std::optional<std::string> directory;
  // Stores and removals waiting on the queue, by file name. A key with none waiting has a file exactly
  // when its path exists.
  std::map<std::string, int> pending;
  // Made last, destroyed first: at exit the queue finishes what it holds while the rest still exists.
  std::shared_ptr<rl::DispatchQueue> queue = rl::DispatchQueue::serial(BlobStorage::kQueueLabel);
};

Store& store() {
  static Store s;
  return s;
}

std::string defaultAppName() {
  const core::Value choice = core::UserDefaults::standard().objectForKey("saveAppName");
  const core::Value value = choice["Value"];
  return value.isString() ? value.str() : std::string();
}

bool isUsableDirectoryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// Called with the store's mutex held.
void finishPending(Store& s, const std::string& name) {
  auto found = s.pending.find(name);
  if (found != s.pending.end() && --found->second <= 0) s.pending.erase(found);
}

bool writeFile(const std::string& path, const core::Bytes& data) {
  // The directory is made when missing before every write, so a store keeps working after the caches
  // directory was cleared.
  const std::string directory = core::Paths::parent(path);
  if (!core::Paths::isDirectory(directory) && !core::Paths::createDirectories(directory)) return false;
  return core::Paths::atomicWrite(path, data);
}

// Queues `work` for the key's file, counted as pending until it has run.
void enqueueChange(const std::string& name, std::function<void()> work) {
  Store& s = store();
  {
    std::lock_guard lock(s.mutex);
    ++s.pending[name];
  }
  s.queue->async([name, work = std::move(work)] {
    work();
    Store& st = store();
    std::lock_guard lock(st.mutex);
    finishPending(st, name);
  });
}

// True when nothing waits on the queue for the file and it does not exist: the answer "not cached"
// cannot change by anything already asked of the store.
bool certainlyMissing(const std::string& name, const std::string& path) {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  return s.pending.count(name) == 0 && !core::Paths::isRegularFile(path);
}

}  // namespace

std::string BlobStorage::appName() {
  std::function<std::string()> source;
  {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    source = s.appNameSource;
  }
  return source ? source() : defaultAppName();
}

void BlobStorage::setAppNameSource(std::function<std::string()> source) {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  s.appNameSource = std::move(source);
}

std::string BlobStorage::storageDirectory() {
  Store& s = store();
  {
    std::lock_guard lock(s.mutex);
    if (s.directory) return *s.directory;
  }
  const std::string name = appName();
  std::string directory = core::Paths::join(core::Paths::caches(), kDirectoryName);
  if (isUsableDirectoryName(name)) directory = core::Paths::join(directory, name);
  std::lock_guard lock(s.mutex);
  if (!s.directory) s.directory = std::move(directory);  // the first caller's answer wins
  return *s.directory;
}

std::string BlobStorage::internalKey(std::string_view key) { return sec::MD5::hexDigest(key); }

std::string BlobStorage::pathForDataFile(std::string_view key) {
  return core::Paths::join(storageDirectory(), internalKey(key));
}

rl::DispatchQueue& BlobStorage::ioQueue() { return *store().queue; }

bool BlobStorage::isCached(std::string_view key) {
  const std::string name = internalKey(key);
  const std::string path = pathForDataFile(key);
  {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    if (s.pending.count(name) == 0) return core::Paths::isRegularFile(path);
  }
  bool cached = false;
  ioQueue().sync([&] { cached = core::Paths::isRegularFile(path); });
  return cached;
}

void BlobStorage::storeData(core::Bytes data, std::string key, StoreCompletion block) {
  const std::string path = pathForDataFile(key);
  enqueueChange(internalKey(key), [path, data = std::move(data), block = std::move(block)] {
    const bool stored = writeFile(path, data);
    if (block) block(stored);
  });
}

void BlobStorage::dataForKey(std::string key, ReadCompletion block) {
  if (!block) return;
  const std::string path = pathForDataFile(key);
  if (certainlyMissing(internalKey(key), path)) {
    block(std::nullopt);
    return;
  }
  ioQueue().async([path, block = std::move(block)] { block(core::Paths::readFile(path)); });
}

void BlobStorage::removeCacheForKey(std::string key, RemoveCompletion block) {
  const std::string name = internalKey(key);
  const std::string path = pathForDataFile(key);
  if (certainlyMissing(name, path)) {
    if (block) block();
    return;
  }
  enqueueChange(name, [path, block = std::move(block)] {
    core::Paths::removeAll(path);
    if (block) block();
  });
}

bool BlobStorage::storeData(core::Bytes data, std::string key) {
  if (ioQueue().isCurrent()) return writeFile(pathForDataFile(key), data);
  rl::Semaphore done;
  bool stored = false;
  storeData(std::move(data), std::move(key), [&](bool ok) {
    stored = ok;
    done.signal();
  });
  done.wait();
  return stored;
}

std::optional<core::Bytes> BlobStorage::dataForKey(std::string key) {
  if (ioQueue().isCurrent()) return core::Paths::readFile(pathForDataFile(key));
  rl::Semaphore done;
  std::optional<core::Bytes> result;
  dataForKey(std::move(key), [&](const std::optional<core::Bytes>& data) {
    result = data;
    done.signal();
  });
  done.wait();
  return result;
}

void BlobStorage::removeCacheForKey(std::string key) {
  if (ioQueue().isCurrent()) {
    core::Paths::removeAll(pathForDataFile(key));
    return;
  }
  rl::Semaphore done;
  removeCacheForKey(std::move(key), [&] { done.signal(); });
  done.wait();
}
