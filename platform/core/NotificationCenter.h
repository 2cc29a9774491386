#pragma once
// core::NotificationCenter: named notifications delivered synchronously, on the posting thread, to
// every observer registered for the name (or for all names) at the moment of posting.
//
// Observers may add or remove observers (themselves included) while a notification is delivered:
// an observer removed during delivery is not called afterwards, one added during delivery first hears
// the next post. Thread-safe; callbacks run without the center's lock held.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Value.h"

namespace core {

struct Notification {
  std::string name;
  Value object;                  // the posted object when it is a value
  std::shared_ptr<void> sender;  // the posted object when it is some other object (may be null)
  Value userInfo;                // a dictionary, or Nil
};

struct ObserverToken {
  std::uint64_t id = 0;
  explicit operator bool() const { return id != 0; }
  friend bool operator==(ObserverToken a, ObserverToken b) { return a.id == b.id; }
};

class NotificationCenter {
 public:
  using Callback = std::function<void(const Notification&)>;

  static NotificationCenter& defaultCenter();

  // Registers a callback for `name` (empty: every notification). `owner` groups observers for removal
  // (usually the observing object's `this`); it is never dereferenced.
  ObserverToken addObserver(std::string name, Callback callback, const void* owner = nullptr);

  void removeObserver(ObserverToken token);
  void removeObserver(const void* owner);                         // every observer of the owner
  void removeObserver(std::string_view name, const void* owner);  // the owner's observers of one name

  void post(const Notification& notification);
  void post(std::string name, Value object = {}, Value userInfo = {});
  void post(std::string name, std::shared_ptr<void> sender, Value userInfo = {});

  std::size_t observerCount() const;

 private:
  struct Observer {
    std::uint64_t id;
    std::string name;
    Callback callback;
    const void* owner;
    std::shared_ptr<bool> alive;  // cleared under the lock when removed
  };
  void removeWhere(const std::function<bool(const Observer&)>& match);

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Observer>> observers_;
  std::uint64_t nextId_ = 1;
};

}  // namespace core
