// The shared device identifier: slot scenarios over a pasteboard directory and defaults of the test's
// own, opting out and in, and what survives a restart.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "statistics/StatsDeviceID.h"
#include "statistics/StatsPasteboardStore.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kA = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
const std::string kB = "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";

class DeviceID : public ::testing::Test {
 protected:
  // One app start: a fresh object (no cache) over the same slots and defaults.
  std::string start(core::Error* error = nullptr) {
    StatsDeviceID id(StatsPasteboardStore(dir_ / "pasteboards"), defaults_);
    return id.valueWithError(error);
  }
  // Another app's record in a slot.
  void putSlot(int index, const std::string& identifier, const std::string& appUID) {
    StatsDeviceID other(StatsPasteboardStore(dir_ / "pasteboards"), defaults_);
    ASSERT_TRUE(other.setDict(core::Dictionary{{"SharedUDID", identifier}, {"SharedUDID_appUID", appUID}},
                              StatsDeviceID::slotName(index)));
  }
  core::Dictionary slot(int index) {
    StatsDeviceID reader(StatsPasteboardStore(dir_ / "pasteboards"), defaults_);
    return reader.getDictFromPasteboard(StatsDeviceID::slotName(index));
  }
  core::Value local() { return defaults_.objectForKey("SharedUDID"); }
  int usedSlots() {
    int n = 0;
    for (int i = 0; i < StatsDeviceID::kSlotCount; ++i) n += slot(i).contains("SharedUDID") ? 1 : 0;
    return n;
  }

  testsupport::TempDir dir_;
  core::UserDefaults defaults_{dir_ / "defaults.plist"};
};

TEST_F(DeviceID, FirstRunMakesAFreshIdentifierAndStoresItInSlotZeroAndTheDefaults) {
  core::Error error;
  const std::string id = start(&error);
  EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{40}"))) << id;
  EXPECT_EQ(error.domain, "org.SharedUDID");
  EXPECT_EQ(error.code, StatsDeviceID::kFound);
  EXPECT_EQ(error.userInfo["description"].str(), "SharedUDID succesfully retrieved");

  EXPECT_EQ(local()["SharedUDID"].str(), id);
  EXPECT_TRUE(local()["SharedUDID_createdTS"].isDate());
  EXPECT_EQ(local()["SharedUDID_slot"].str(), "org.SharedUDID.slot.0");
  EXPECT_EQ(slot(0).get("SharedUDID").str(), id);
  EXPECT_EQ(slot(0).get("SharedUDID_appUID"), local()["SharedUDID_appUID"]);
  // The local record survives a restart of the defaults.
  core::UserDefaults reread(dir_ / "defaults.plist");
  EXPECT_EQ(reread.objectForKey("SharedUDID")["SharedUDID"].str(), id);
}

TEST_F(DeviceID, AdoptsTheIdentifierMostSlotsHoldAndClaimsTheNextFreeSlot) {
  putSlot(0, kA, "app-1");
  putSlot(1, kB, "app-2");
  putSlot(2, kA, "app-3");
  core::Error error;
  EXPECT_EQ(start(&error), kA);
  EXPECT_EQ(error.code, StatsDeviceID::kFound);
  EXPECT_EQ(slot(3).get("SharedUDID").str(), kA);
  EXPECT_EQ(local()["SharedUDID_slot"].str(), "org.SharedUDID.slot.3");
}

TEST_F(DeviceID, UnreadableOrForeignSlotsCountAsFree) {
  StatsPasteboardStore store(dir_ / "pasteboards");
  ASSERT_TRUE(store.setData("org.SharedUDID.slot.0", "org.SharedUDID", core::Bytes{'j', 'u', 'n', 'k'}));
  ASSERT_TRUE(store.setData("org.SharedUDID.slot.1", "other.type", core::Bytes{1}));
  putSlot(2, kB, "app-2");
  EXPECT_EQ(start(), kB);
  EXPECT_EQ(slot(0).get("SharedUDID").str(), kB);  // the first free slot, over the junk
}

TEST_F(DeviceID, ALocalIdentifierStaysEvenAgainstTheMajority) {
  defaults_.setObject("SharedUDID", core::Dictionary{{"SharedUDID", kB}, {"SharedUDID_appUID", "me"}});
  putSlot(0, kA, "app-1");
  putSlot(1, kA, "app-2");
  core::Error error;
  EXPECT_EQ(start(&error), kB);
  EXPECT_EQ(error.code, StatsDeviceID::kDiscrepancy);
  EXPECT_EQ(slot(2).get("SharedUDID").str(), kB);  // it still takes a slot of its own
}

TEST_F(DeviceID, LaterStartsKeepTheIdentifierAndTheOneSlot) {
  const std::string first = start();
  putSlot(5, kA, "app-9");
  putSlot(6, kA, "app-8");
  core::Error error;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(start(&error), first);
  EXPECT_EQ(error.code, StatsDeviceID::kDiscrepancy);  // the majority now holds another identifier
  EXPECT_EQ(usedSlots(), 3);                           // its own and the two others: no new slot per start
}

TEST_F(DeviceID, TheFirstAnswerIsKeptForTheLifeOfTheObject) {
  StatsDeviceID id(StatsPasteboardStore(dir_ / "pasteboards"), defaults_);
  const std::string first = id.value();
  defaults_.removeObject("SharedUDID");
  core::Error error;
  EXPECT_EQ(id.valueWithError(&error), first);
  EXPECT_EQ(error.userInfo["description"].str(), "SharedUDID in cache from first call");
}

TEST_F(DeviceID, OptingOutGivesZerosUntilOptingInAgain) {
  StatsDeviceID id(StatsPasteboardStore(dir_ / "pasteboards"), defaults_);
  const std::string real = id.value();
  id.setOptOut(true);
  core::Error error;
  EXPECT_EQ(id.valueWithError(&error), std::string(40, '0'));
  EXPECT_EQ(error.code, StatsDeviceID::kOptedOut);
  EXPECT_TRUE(local()["SharedUDID_optOutTS"].isDate());
  EXPECT_TRUE(slot(0).contains("SharedUDID_optOutTS"));
  EXPECT_EQ(start(), std::string(40, '0'));  // also after a restart

  id.setOptOut(false);
  EXPECT_EQ(id.valueWithError(&error), real);
  EXPECT_EQ(error.code, StatsDeviceID::kFound);
  EXPECT_FALSE(local().contains("SharedUDID_optOutTS"));
  EXPECT_EQ(start(), real);
}

TEST(StatsPasteboardStore, NamesStayInsideTheDirectory) {
  testsupport::TempDir dir;
  StatsPasteboardStore store(dir / "pb");
  EXPECT_FALSE(store.exists("org.SharedUDID.slot.0"));
  EXPECT_FALSE(store.dataForType("org.SharedUDID.slot.0", "t"));
  for (const char* bad : {"", ".", ".."}) EXPECT_FALSE(store.setData(bad, "t", core::Bytes{1}));
  ASSERT_TRUE(store.setData("../x/y", "t", core::Bytes{7}));
  EXPECT_EQ(store.pathFor("../x/y"), dir / "pb/..%2Fx%2Fy");
  EXPECT_EQ(store.dataForType("../x/y", "t"), core::Bytes{7});
  ASSERT_TRUE(store.setData("../x/y", "u", core::Bytes{8}));  // another type beside the first
  EXPECT_EQ(store.dataForType("../x/y", "t"), core::Bytes{7});
}

}  // namespace
