#include "dao/BankKeyCache.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <unordered_map>

namespace {

struct Bank {
  std::string identity;
  std::uint64_t generation = 0;
  std::map<std::int64_t, std::optional<std::string>> keys;  // a batch without a key is kept too
};

struct Cache {
  std::mutex lock;
  std::uint64_t generation = 1;
  std::unordered_map<std::string, Bank> banks;
};

Cache& cache() {
  static Cache instance;
  return instance;
}

std::string identityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::string();
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) +
         ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ":" +
         std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
}

}  // namespace

BankKeyCache::Snapshot BankKeyCache::snapshot(const std::string& bankPath) {
  Snapshot s;
  s.path_ = bankPath;
  {
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    s.generation_ = c.generation;
  }
  s.identity_ = identityOf(bankPath);
  return s;
}

std::optional<std::string> BankKeyCache::Snapshot::keyFor(
    std::int64_t batchId, const std::function<std::optional<std::string>()>& derive) const {
  if (identity_.empty()) return derive();
  Cache& c = cache();
  {
    std::lock_guard guard(c.lock);
    // When the banks changed since this reader began, nothing is looked up or kept for it.
    if (c.generation == generation_) {
      Bank& bank = c.banks[path_];
      if (bank.generation != generation_ || bank.identity != identity_) {
        bank.keys.clear();
        bank.generation = generation_;
        bank.identity = identity_;
      }
      auto it = bank.keys.find(batchId);
      if (it != bank.keys.end()) return it->second;
    }
  }
  std::optional<std::string> key = derive();
  std::lock_guard guard(c.lock);
  if (c.generation == generation_) {
    Bank& bank = c.banks[path_];
    if (bank.generation == generation_ && bank.identity == identity_) bank.keys.emplace(batchId, key);
  }
  return key;
}

void BankKeyCache::invalidate() {
  Cache& c = cache();
  std::lock_guard guard(c.lock);
  ++c.generation;
  c.banks.clear();
}
