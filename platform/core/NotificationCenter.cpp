#include "platform/core/NotificationCenter.h"

#include <algorithm>

namespace core {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

ObserverToken NotificationCenter::addObserver(std::string name, Callback callback, const void* owner) {
  if (!callback) return {};
  std::lock_guard lock(mutex_);
  auto o = std::make_shared<Observer>(
      Observer{nextId_++, std::move(name), std::move(callback), owner, std::make_shared<bool>(true)});
  observers_.push_back(o);
  return ObserverToken{o->id};
}

void NotificationCenter::removeWhere(const std::function<bool(const Observer&)>& match) {
  std::vector<std::shared_ptr<Observer>> removed;  // destroyed after the lock is released
  {
    std::lock_guard lock(mutex_);
    auto it = std::stable_partition(observers_.begin(), observers_.end(),
                                    [&](const std::shared_ptr<Observer>& o) { return !match(*o); });
    for (auto r = it; r != observers_.end(); ++r) {
      *(*r)->alive = false;
      removed.push_back(std::move(*r));
    }
    observers_.erase(it, observers_.end());
  }
}

void NotificationCenter::removeObserver(ObserverToken token) {
  if (!token) return;
  removeWhere([&](const Observer& o) { return o.id == token.id; });
}

void NotificationCenter::removeObserver(const void* owner) {
  if (!owner) return;
  removeWhere([&](const Observer& o) { return o.owner == owner; });
}

void NotificationCenter::removeObserver(std::string_view name, const void* owner) {
  if (!owner) return;
  removeWhere([&](const Observer& o) { return o.owner == owner && o.name == name; });
}

void NotificationCenter::post(const Notification& notification) {
  std::vector<std::shared_ptr<Observer>> targets;
  {
    std::lock_guard lock(mutex_);
    for (const auto& o : observers_) {
      if (o->name.empty() || o->name == notification.name) targets.push_back(o);
    }
  }
  for (const auto& o : targets) {
    {
      std::lock_guard lock(mutex_);
      if (!*o->alive) continue;
    }
    o->callback(notification);
  }
}

void NotificationCenter::post(std::string name, Value object, Value userInfo) {
  post(Notification{std::move(name), std::move(object), nullptr, std::move(userInfo)});
}

void NotificationCenter::post(std::string name, std::shared_ptr<void> sender, Value userInfo) {
  post(Notification{std::move(name), Value(), std::move(sender), std::move(userInfo)});
}

std::size_t NotificationCenter::observerCount() const {
  std::lock_guard lock(mutex_);
  return observers_.size();
}

}  // namespace core
