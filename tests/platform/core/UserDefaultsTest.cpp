#include "platform/core/UserDefaults.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "tests/support/TempDir.h"

using core::Array;
using core::Dictionary;
using core::UserDefaults;
using core::Value;

TEST(UserDefaults, SynchronizedValuesSurviveAReload) {
  testsupport::TempHome home{"vd-core-test"};
  auto& d = UserDefaults::standard();
  EXPECT_EQ(d.path(), home.path() + "/config/defaults.plist");
  d.setObject("isFirstOpen", true);
  d.setInteger("fontSize", 18);
  d.setObject("name", "张三");
  d.setObject("list", Array{1, "a"});
  ASSERT_TRUE(d.synchronize());
  d.setObject("unsaved", 1);

  UserDefaults::resetStandard();
  auto& again = UserDefaults::standard();
  EXPECT_EQ(&again, &d) << "the shared object stays the same";
  EXPECT_TRUE(again.boolForKey("isFirstOpen"));
  EXPECT_TRUE(again.objectForKey("isFirstOpen").isBool());
  EXPECT_EQ(again.integerForKey("fontSize"), 18);
  EXPECT_EQ(again.stringForKey("name"), "张三");
  EXPECT_EQ(again.stringForKey("fontSize"), "18");
  EXPECT_EQ(again.objectForKey("list"), Value(Array{1, "a"}));
  EXPECT_TRUE(again.objectForKey("unsaved").isNil()) << "unsynchronized changes are not on disk";
  EXPECT_EQ(again.dictionaryRepresentation().keys(),
            (std::vector<std::string>{"isFirstOpen", "fontSize", "name", "list"}));

  again.removeObject("name");
  again.setObject("fontSize", Value());  // Nil removes
  ASSERT_TRUE(again.synchronize());
  Value onDisk = core::PropertyList::readFile(again.path());
  EXPECT_FALSE(onDisk.contains("name"));
  EXPECT_FALSE(onDisk.contains("fontSize"));
}

TEST(UserDefaults, EachHomeHasItsOwnDefaults) {
  {
    testsupport::TempHome first{"vd-core-test"};
    UserDefaults::standard().setObject("k", "first");
    ASSERT_TRUE(UserDefaults::standard().synchronize());
  }
  testsupport::TempHome second{"vd-core-test"};
  EXPECT_TRUE(UserDefaults::standard().objectForKey("k").isNil());
}

TEST(UserDefaults, ValuesAreCopiedInAndOut) {
  testsupport::TempHome home{"vd-core-test"};
  auto& d = UserDefaults::standard();
  Value list = Array{1};
  d.setObject("list", list);
  list.push_back(2);  // the caller's container changes, the stored one does not
  Value read = d.objectForKey("list");
  EXPECT_EQ(read.size(), 1u);
  read.push_back(3);
  EXPECT_EQ(d.objectForKey("list").size(), 1u);
}

TEST(UserDefaults, RegisteredDefaultsAnswerMissingKeysButAreNotWritten) {
  testsupport::TempHome home{"vd-core-test"};
  auto& d = UserDefaults::standard();
  d.registerDefaults(Dictionary{{"night", false}, {"size", 2}});
  d.setInteger("size", 4);
  EXPECT_FALSE(d.boolForKey("night"));
  EXPECT_TRUE(d.objectForKey("night").isBool());
  EXPECT_EQ(d.integerForKey("size"), 4);
  ASSERT_TRUE(d.synchronize());
  EXPECT_EQ(core::PropertyList::readFile(d.path()), Value(Dictionary{{"size", 4}}));
  EXPECT_EQ(d.dictionaryRepresentation().size(), 2u);
}

TEST(UserDefaults, CorruptFileGivesEmptyDefaultsAndIsReplacedOnSave) {
  testsupport::TempHome home{"vd-core-test"};
  const std::string path = UserDefaults::standard().path();
  ASSERT_TRUE(core::Paths::atomicWrite(path, std::string_view("<<garbage")));
  UserDefaults::resetStandard();
  EXPECT_TRUE(UserDefaults::standard().dictionaryRepresentation().empty());
  UserDefaults::standard().setBool("ok", true);
  ASSERT_TRUE(UserDefaults::standard().synchronize());
  EXPECT_EQ(core::PropertyList::readFile(path), Value(Dictionary{{"ok", true}}));
}

TEST(UserDefaults, ConcurrentWritersDoNotLoseKeys) {
  testsupport::TempHome home{"vd-core-test"};
  auto& d = UserDefaults::standard();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&d, t] {
      for (int i = 0; i < 50; ++i) {
        d.setInteger("k" + std::to_string(t) + "_" + std::to_string(i), i);
        (void)d.objectForKey("k0_0");
        if (i % 10 == 0) d.synchronize();
      }
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_TRUE(d.synchronize());
  UserDefaults::resetStandard();
  EXPECT_EQ(UserDefaults::standard().dictionaryRepresentation().size(), 200u);
}
