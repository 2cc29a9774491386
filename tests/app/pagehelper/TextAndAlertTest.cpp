// Text measuring for labels and rows, the plain alerts and the store link.

#include <gmock/gmock.h>
#include <stdlib.h>

#include <filesystem>

#include "app/URLOpener.h"
#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "platform/core/PropertyList.h"
#include "tests/app/pagehelper/PageHelperSupport.h"
#include "tests/support/ScopedBundle.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/TempDir.h"
#include "ui/Label.h"
#include "ui/TextMeasurer.h"
#include "util/SystemVersion.h"

using namespace pagehelper_test;

namespace {

// Records what it is asked and answers a fixed size.
class RecordingMeasurer : public ui::TextMeasurer {
 public:
  struct Call {
    std::string text;
    ui::Font font;
    ui::Size constraint;
  };
  ui::Size measure(std::string_view text, const ui::Font& font, ui::Size constraint,
                   ui::LineBreakMode) const override {
    calls.push_back({std::string(text), font, constraint});
    return answer;
  }
  double lineHeight(const ui::Font& font) const override { return font.size; }
  mutable std::vector<Call> calls;
  ui::Size answer{100, 40};
};

class TextMeasure : public ::testing::Test {
 protected:
  ui::test::Harness harness_;
  std::shared_ptr<RecordingMeasurer> measurer_ = std::make_shared<RecordingMeasurer>();
  testsupport::ScopedOverride<std::shared_ptr<ui::TextMeasurer>> installed_{ui::TextMeasurer::setCurrent, measurer_,
                                                                            nullptr};
};

}  // namespace

TEST_F(TextMeasure, SizeForStringBySystemVersion) {
  // From version 7: the system font of the size, the width and a height of 200000; 12 added both ways.
  EXPECT_EQ(VDHelper::sizeForString("题目", 280, ui::Font::system(15), 7), (ui::Size{112, 52}));
  ASSERT_EQ(measurer_->calls.size(), 1u);
  EXPECT_EQ(measurer_->calls[0].text, "题目");
  EXPECT_EQ(measurer_->calls[0].font, ui::Font::system(15));
  EXPECT_EQ(measurer_->calls[0].constraint, (ui::Size{280, 200000}));
  EXPECT_EQ(VDHelper::sizeForString("", 280, ui::Font::system(15), 7), (ui::Size{12, 12}));

  // Before version 7: the measured size; nothing for no text.
  EXPECT_EQ(VDHelper::sizeForString("题目", 280, ui::Font::system(15), 6), (ui::Size{100, 40}));
  EXPECT_EQ(VDHelper::sizeForString("", 280, ui::Font::system(15), 6), (ui::Size{0, 0}));
  EXPECT_EQ(measurer_->calls.size(), 2u);  // the empty text is not measured

  // The short form uses the running system's version and the system font.
  const ui::Size running = VDHelper::sizeForString("题目", 280, 15);
  EXPECT_EQ(running, VDHelper::sizeForString("题目", 280, ui::Font::system(15), systemMajorVersionNumber()));
}

TEST_F(TextMeasure, TextViewHeight) {
  EXPECT_DOUBLE_EQ(VDHelper::getTextViewHeight("一段笔记", 300, 14, 20), 60);
  ASSERT_EQ(measurer_->calls.size(), 1u);
  EXPECT_EQ(measurer_->calls[0].font, ui::Font::system(14));
  EXPECT_EQ(measurer_->calls[0].constraint, (ui::Size{284, 300000}));
  EXPECT_DOUBLE_EQ(VDHelper::getTextViewHeight("", 300, 14, 20), 20);
  EXPECT_EQ(measurer_->calls.size(), 1u);
}

TEST_F(TextMeasure, LabelTakesItsTextsSize) {
  ui::Label label(ui::Rect({10, 20}, {50, 50}), "old");
  label.setBackgroundColor(ui::Color::white());
  VDHelper::setLabel(label, "回复内容", 13, 250);

  EXPECT_EQ(label.text(), "回复内容");
  EXPECT_EQ(label.font(), ui::Font::named("Helvetica", 13));
  EXPECT_EQ(label.numberOfLines(), 0);
  EXPECT_EQ(label.backgroundColor(), ui::Color::clear());
  ASSERT_EQ(measurer_->calls.size(), 1u);
  EXPECT_EQ(measurer_->calls[0].font, ui::Font::named("Helvetica", 13));
  EXPECT_EQ(measurer_->calls[0].constraint, (ui::Size{250, 200000}));
  const double pad = systemMajorVersionNumber() >= 7 ? 12 : 0;
  EXPECT_EQ(label.frame(), ui::Rect({10, 20}, {100 + pad, 40 + pad}));
}

TEST(Alerts, PlainAlertsShowTheirTitlesAndButtons) {
  ui::test::Harness h;
  VDHelper::createAlert("", "题库已更新", "");
  ASSERT_NE(h.alert(), nullptr);
  EXPECT_EQ(h.alert()->title(), "提示");
  EXPECT_EQ(h.alert()->message(), "题库已更新");
  EXPECT_EQ(h.alert()->numberOfButtons(), 1);
  EXPECT_EQ(h.alert()->buttonTitleAtIndex(0), "确定");
  EXPECT_TRUE(h.press("确定"));
  h.settle();
  EXPECT_EQ(h.alert(), nullptr);

  VDHelper& shared = VDHelper::sharedInstance();
  EXPECT_EQ(&shared, &VDHelper::sharedInstance());
  shared.showAlertTitle("标题", "内容", {}, std::string("取消"), {"一", "二"});
  ASSERT_NE(h.alert(), nullptr);
  EXPECT_EQ(h.alert()->title(), "标题");
  EXPECT_EQ(h.alert()->numberOfButtons(), 3);
  EXPECT_EQ(h.alert()->buttonTitleAtIndex(h.alert()->cancelButtonIndex()), "取消");
}

// Records what it is asked to open; answers as told.
class RecordingOpener : public URLOpener {
 public:
  bool openURL(const std::string& url) override {
    opened.push_back(url);
    return answer;
  }
  std::vector<std::string> opened;
  bool answer = true;
};

TEST(StoreLink, OpensTheConfiguredAddressOnly) {
  RecordingOpener opener;
  std::vector<std::string>& opened = opener.opened;
  bool& answer = opener.answer;

  const testsupport::TempDir bundle("vd-pagehelper-bundle");
  const std::string& pattern = bundle.path();
  ASSERT_FALSE(pattern.empty());
  const testsupport::ScopedBundle bundleInUse(pattern);
  auto writeInfo = [&](core::Value info) {
    ASSERT_TRUE(core::PropertyList::writeFile(pattern + "/Info.plist", info));
    core::Bundle::resetMain();
  };

  // No address configured: nothing is opened.
  writeInfo(core::Dictionary{{"CFBundleName", "vardo"}});
  EXPECT_FALSE(VDHelper::openItunes(opener));
  writeInfo(core::Dictionary{{"CFBundleName", "vardo"}, {VDHelper::kStoreURLInfoKey, "  "}});
  EXPECT_FALSE(VDHelper::openItunes(opener));
  EXPECT_TRUE(opened.empty());

  // Configured: handed to the opener, whose answer is the result.
  writeInfo(core::Dictionary{{"CFBundleName", "vardo"},
                             {VDHelper::kStoreURLInfoKey, "https://store.example.org/app/vardo"}});
  EXPECT_TRUE(VDHelper::openItunes(opener));
  answer = false;
  EXPECT_FALSE(VDHelper::openItunes(opener));
  EXPECT_EQ(opened, (std::vector<std::string>{"https://store.example.org/app/vardo",
                                              "https://store.example.org/app/vardo"}));
}
