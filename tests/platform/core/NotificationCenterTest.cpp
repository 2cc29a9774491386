#include "platform/core/NotificationCenter.h"

#include <gtest/gtest.h>

#include <thread>

using core::Notification;
using core::NotificationCenter;
using core::ObserverToken;
using core::Value;

TEST(NotificationCenter, DeliversByNameWithObjectAndUserInfo) {
  NotificationCenter center;
  std::vector<std::string> log;
  int owner = 0;
  center.addObserver(
      "login",
      [&](const Notification& n) {
        log.push_back("login:" + n.object.toString() + ":" + n.userInfo["user"].str());
      },
      &owner);
  center.addObserver("", [&](const Notification& n) { log.push_back("any:" + n.name); });
  center.addObserver("logout", [&](const Notification&) { log.push_back("logout"); });

  center.post("login", Value(1), Value(core::Dictionary{{"user", "u1"}}));
  center.post("other");
  EXPECT_EQ(log, (std::vector<std::string>{"login:1:u1", "any:login", "any:other"}));

  auto sender = std::make_shared<int>(5);
  std::shared_ptr<void> seen;
  center.addObserver("sent", [&](const Notification& n) { seen = n.sender; });
  center.post("sent", std::static_pointer_cast<void>(sender));
  EXPECT_EQ(seen.get(), sender.get());
}

TEST(NotificationCenter, RemovalByTokenOwnerAndName) {
  NotificationCenter center;
  int a = 0, b = 0;
  int calls[3] = {0, 0, 0};
  ObserverToken t0 = center.addObserver(
      "x", [&](const Notification&) { ++calls[0]; }, &a);
  center.addObserver(
      "x", [&](const Notification&) { ++calls[1]; }, &a);
  center.addObserver(
      "y", [&](const Notification&) { ++calls[1]; }, &a);
  center.addObserver(
      "x", [&](const Notification&) { ++calls[2]; }, &b);
  center.removeObserver(t0);
  center.post("x");
  EXPECT_EQ(calls[0], 0);
  EXPECT_EQ(calls[1], 1);
  center.removeObserver("x", &a);
  center.post("x");
  center.post("y");
  EXPECT_EQ(calls[1], 2) << "only the owner's observer of y is left";
  center.removeObserver(&b);
  center.post("x");
  EXPECT_EQ(calls[2], 2);
  center.removeObserver(&a);
  EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, ObserversChangedDuringDelivery) {
  NotificationCenter center;
  std::vector<std::string> log;
  ObserverToken second;
  center.addObserver("n", [&](const Notification&) {
    log.push_back("first");
    center.removeObserver(second);  // removed before its turn: not called
    center.addObserver("n", [&](const Notification&) { log.push_back("added"); });
  });
  second = center.addObserver("n", [&](const Notification&) { log.push_back("second"); });
  ObserverToken self;
  self = center.addObserver("n", [&](const Notification&) {
    log.push_back("self");
    center.removeObserver(self);  // removing itself while running is safe
  });
  center.post("n");
  EXPECT_EQ(log, (std::vector<std::string>{"first", "self"}));
  log.clear();
  center.post("n");
  EXPECT_EQ(log, (std::vector<std::string>{"first", "added"}));
}

TEST(NotificationCenter, PostsFromSeveralThreads) {
  NotificationCenter center;
  std::atomic<int> count{0};
  center.addObserver("tick", [&](const Notification&) { ++count; });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) {
        center.post("tick");
        auto tok = center.addObserver("other", [](const Notification&) {});
        center.removeObserver(tok);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(count.load(), 400);
  EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}
