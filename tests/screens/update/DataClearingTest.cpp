// The data-clearing panel driven as a person would: choose a row, confirm, watch the progress overlay,
// read the result, close.

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "tests/screens/update/BankCheckFixture.h"

using namespace bankcheck_test;

class DataClearing : public BankCheckFixture {
 protected:
  // Opens the panel as the "more" menu does: a close block, the view on the window.
  std::shared_ptr<DataManagementViewController> open() {
    auto vc = std::dynamic_pointer_cast<DataManagementViewController>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("dataManagement"));
    EXPECT_NE(vc, nullptr);
    if (!vc) return nullptr;
    vc->setCacelBlock([this] { ++closed_; });
    h().window().addOverlay(vc);
    h().settle();
    return vc;
  }

  bool panelOnWindow(const DataManagementViewController& vc) {
    return vc.viewIfLoaded() && vc.viewIfLoaded()->window() != nullptr;
  }

  // The files of the subject, of another subject and the records.
  void makeFiles() {
    installSampleBank();
    writeFile(VDHelper::dbSavePath() + "/Other.db", "other subject");
    writeFile(core::Paths::caches() + "/imgcache/GKSample/a.png", "a");
    writeFile(core::Paths::caches() + "/imgcache/Other/b.png", "b");
    writeFile(core::Paths::documents() + "/yizuo/chapter-1.plist", "r1");
    writeFile(core::Paths::documents() + "/yizuo/sub/chapter-2.plist", "r2");
  }

  std::string images() const { return core::Paths::caches() + "/imgcache/GKSample"; }
  std::string records() const { return core::Paths::documents() + "/yizuo"; }

  int closed_ = 0;
};

TEST_F(DataClearing, EachChoiceRemovesItsFilesAfterConfirmation) {
  struct Row {
    const char* name;
    const char* row;
    bool bank, images, records;  // present before
    const char* failing;         // a path whose removal fails ("" none)
    const char* result;          // the result text
    bool bankAfter, imagesAfter, recordsAfter;
  };
  const Row rows[] = {
      {"records", "清除答题记录", true, true, true, "", "清除成功", true, true, false},
      {"records, none there", "清除答题记录", true, true, false, "", "清除成功", true, true, false},
      {"records, removal fails", "清除答题记录", true, true, true, "records", "清除失败", true, true, true},
      {"bank and images", "清除题库", true, true, true, "", "清除成功", false, false, true},
      {"no bank: images stay", "清除题库", false, true, true, "", "清除成功", false, true, true},
      {"bank removal fails: images stay", "清除题库", true, true, true, "bank", "清除失败", true, true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    makeFiles();
    if (!r.bank) std::filesystem::remove(bankFile());
    if (!r.images) std::filesystem::remove_all(images());
    if (!r.records) std::filesystem::remove_all(records());
    const std::string failing = std::string(r.failing) == "bank"      ? bankFile()
                                : std::string(r.failing) == "records" ? records()
                                                                      : std::string();
    closed_ = 0;
    auto vc = open();
    ASSERT_NE(vc, nullptr);
    vc->setRemover([failing](const std::string& path) {
      if (path == failing) return false;
      return core::Paths::removeAll(path);
    });
    ASSERT_TRUE(h().tap(*h().button(r.row)));
    ASSERT_TRUE(h().tap(*h().barButton("确定")));
    h().settle();
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), "数据管理");
    EXPECT_EQ(h().alert()->message(), std::string(r.row) == "清除题库"
                                          ? "确定要清除当前科目的题库吗？清除后需重新下载。"
                                          : "确定要清除全部答题记录吗？");
    EXPECT_EQ(buttons(*h().alert()), (std::vector<std::string>{"取消", "确定"}));
    ASSERT_TRUE(h().press("确定"));
    h().settle();
    ASSERT_TRUE(runUntil([&] { return h().alert() != nullptr; })) << "no result";
    h().settle();

    ui::AlertView* result = h().alert();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->title(), "数据管理");
    EXPECT_EQ(result->message(), r.result);
    EXPECT_EQ(buttons(*result), std::vector<std::string>{"确定"});
    EXPECT_EQ(result->messageAlignment(), ui::TextAlignment::Left);
    EXPECT_EQ(vc->hudView(), nullptr) << "the overlay closes before the result";

    EXPECT_EQ(std::filesystem::exists(bankFile()), r.bankAfter);
    EXPECT_EQ(std::filesystem::exists(images()), r.imagesAfter);
    EXPECT_EQ(std::filesystem::exists(records()), r.recordsAfter);
    // Another subject's files are never touched.
    EXPECT_TRUE(std::filesystem::exists(VDHelper::dbSavePath() + "/Other.db"));
    EXPECT_TRUE(std::filesystem::exists(core::Paths::caches() + "/imgcache/Other/b.png"));

    ASSERT_TRUE(h().press("确定"));
    h().settle();
    EXPECT_EQ(closed_, 1);
    EXPECT_FALSE(panelOnWindow(*vc));
  }
}

TEST_F(DataClearing, ProgressShowsWhileTheFilesAreRemoved) {
  makeFiles();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> removing{false};
  auto vc = open();
  vc->setRemover([&, released](const std::string& path) {
    removing = true;
    released.wait();
    return core::Paths::removeAll(path);
  });
  ASSERT_TRUE(h().tap(*h().button("清除题库")));
  ASSERT_TRUE(h().tap(*h().barButton("确定")));
  h().settle();
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  ASSERT_TRUE(runUntil([&] { return removing.load(); }));

  // The overlay covers the panel: its text shows, the toolbar takes no tap, no result yet.
  ASSERT_NE(vc->hudView(), nullptr);
  EXPECT_NE(h().label("正在加载..."), nullptr);
  EXPECT_FALSE(h().tap(*h().barButton("取消")));
  EXPECT_EQ(closed_, 0);
  EXPECT_EQ(h().alert(), nullptr);

  release.set_value();
  ASSERT_TRUE(runUntil([&] { return h().alert() != nullptr; }));
  EXPECT_EQ(h().alert()->message(), "清除成功");
  EXPECT_FALSE(std::filesystem::exists(bankFile()));
}

TEST_F(DataClearing, CancellingTheConfirmationOrThePanel) {
  makeFiles();
  auto vc = open();
  ASSERT_NE(vc, nullptr);
  // The panel opens on the first row; rows are "清除答题记录" and "清除题库".
  ASSERT_NE(vc->myPickerView(), nullptr);
  EXPECT_EQ(vc->myPickerView()->numberOfRows(), 2);
  EXPECT_EQ(vc->myPickerView()->titleForRow(vc->myPickerView()->selectedRow()), "清除答题记录");

  // "取消" in the confirmation removes nothing and leaves the panel open.
  ASSERT_TRUE(h().tap(*h().barButton("确定")));
  h().settle();
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(records() + "/chapter-1.plist"));
  EXPECT_TRUE(panelOnWindow(*vc));
  EXPECT_EQ(closed_, 0);

  // "取消" in the toolbar closes the panel and runs the close block.
  ASSERT_TRUE(h().tap(*h().barButton("取消")));
  h().settle();
  EXPECT_FALSE(panelOnWindow(*vc));
  EXPECT_EQ(closed_, 1);
  EXPECT_TRUE(std::filesystem::exists(bankFile()));
  EXPECT_TRUE(std::filesystem::exists(records()));
}
