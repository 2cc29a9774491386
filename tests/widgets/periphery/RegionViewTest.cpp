// The region panel: filled from the bundle's province-and-city list, closed by its cancel and done
// buttons, as the personal-data screen uses it.

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

#include "WidgetTestSupport.h"
#include "platform/core/Bundle.h"
#include "ui/test/Harness.h"
#include "widgets/CityPickerSource.h"
#include "widgets/RegionView.h"
#include "widgets/UserHeaderView.h"

namespace {

// The owner of the panel: keeps the old region for the cancel tag and takes the choice otherwise.
struct RegionOwner : RegionViewDelegate {
  std::shared_ptr<CityPickerSource> source;
  std::vector<int> tags;
  std::string region = "北京市 东城区";
  void didCancelPicker(int tag) override {
    tags.push_back(tag);
    if (tag != RegionView::kCancelTag) region = source->regionText();
  }
};

struct RegionFixture : ::testing::Test {
  ui::test::Harness h;
  std::shared_ptr<RegionOwner> owner = std::make_shared<RegionOwner>();
  std::shared_ptr<RegionView> panel;
  ui::View* root = nullptr;

  void SetUp() override {
    core::Bundle::resetMain();
    auto cities = CityPickerSource::loadCityList();
    ASSERT_TRUE(cities.has_value());
    owner->source = std::make_shared<CityPickerSource>(*cities);
    h.setRoot(widgettest::screen([this](ui::View& v) { root = &v; }));
    panel = RegionView::loadFromInterface();
    panel->setFrame(
        {0, root->bounds().height() - RegionView::kHeight, RegionView::kWidth, RegionView::kHeight});
    panel->pickerView()->setDataSource(owner->source);
    panel->pickerView()->setDelegate(owner->source);
    panel->setDelegate(owner);
    root->addSubview(panel);
  }
  RegionPickerView& picker() { return *panel->pickerView(); }
};

}  // namespace

TEST_F(RegionFixture, PanelShowsProvincesAndTheCitiesOfTheFirst) {
  EXPECT_EQ(panel->frame(), (ui::Rect{0, 460 - 256, 320, 256}));
  ASSERT_EQ(picker().numberOfComponents(), 2);
  EXPECT_EQ(picker().numberOfRowsInComponent(0), 34);
  EXPECT_EQ(picker().titleForRow(0, 0), "北京市");
  EXPECT_EQ(picker().titleForRow(0, 1), "东城区");
  EXPECT_EQ(picker().selectedRowInComponent(0), 0);
  EXPECT_NE(h.button("北京市"), nullptr);
  EXPECT_NE(h.barButton("取消"), nullptr);
  EXPECT_NE(h.barButton("确定"), nullptr);
  EXPECT_EQ(panel->barbtn_cancel()->tag(), RegionView::kCancelTag);
}

TEST_F(RegionFixture, CancelReportsTagOneAndKeepsTheRegion) {
  ASSERT_TRUE(h.tap(*h.button("天津市")));
  EXPECT_EQ(owner->source->regionText(), "天津市 和平区");
  ASSERT_TRUE(h.tapBarButton("取消"));
  EXPECT_EQ(owner->tags, std::vector<int>{RegionView::kCancelTag});
  EXPECT_EQ(owner->region, "北京市 东城区");
  EXPECT_EQ(panel->superview(), nullptr);
  EXPECT_EQ(h.button("天津市"), nullptr);
}

TEST_F(RegionFixture, DoneReportsItsTagAndTakesTheChoice) {
  // Choosing a province shows its cities from the first; then a city is chosen.
  ASSERT_TRUE(h.tap(*h.button("天津市")));
  EXPECT_EQ(picker().selectedRowInComponent(0), 1);
  EXPECT_EQ(picker().titleForRow(0, 1), "和平区");
  EXPECT_EQ(picker().selectedRowInComponent(1), 0);
  ASSERT_TRUE(h.tap(*h.button("河东区")));
  EXPECT_EQ(picker().selectedRowInComponent(1), 1);
  ASSERT_TRUE(h.tapBarButton("确定"));
  EXPECT_EQ(owner->tags, std::vector<int>{RegionView::kDoneTag});
  EXPECT_EQ(owner->region, "天津市 河东区");
  EXPECT_EQ(panel->superview(), nullptr);
}

TEST_F(RegionFixture, ChoosingAnotherProvinceStartsItsCitiesAtTheTop) {
  ASSERT_TRUE(h.tap(*h.button("天津市")));
  ASSERT_TRUE(h.tap(*h.button("河东区")));
  ASSERT_TRUE(h.tap(*h.button("河北省")));
  EXPECT_EQ(picker().selectedRowInComponent(1), 0);
  EXPECT_EQ(owner->source->regionText(), "河北省 石家庄市");
  EXPECT_EQ(picker().numberOfRowsInComponent(1), 11);
}

TEST_F(RegionFixture, ClosingWithoutADelegateStillRemovesThePanel) {
  panel->setDelegate({});
  ASSERT_TRUE(h.tapBarButton("确定"));
  EXPECT_EQ(panel->superview(), nullptr);
  EXPECT_TRUE(owner->tags.empty());
}

TEST_F(RegionFixture, SelectionByProgramStaysInRange) {
  picker().selectRow(99, 1, false);
  EXPECT_EQ(picker().selectedRowInComponent(1), 0);
  picker().selectRow(15, 1, false);  // 延庆区, the last district of 北京市
  EXPECT_EQ(picker().selectedRowInComponent(1), 15);
  // Shown a shorter list, the component keeps a row that exists.
  owner->source->didSelectRow(picker(), 4, 0);  // 内蒙古自治区: 12 entries
  EXPECT_EQ(picker().selectedRowInComponent(1), 0);
  EXPECT_EQ(picker().selectedRowInComponent(5), -1);
  EXPECT_EQ(picker().titleForRow(0, 5), "");
}

TEST(CityList, HoldsEveryProvinceLevelDivision) {
  core::Bundle::resetMain();
  auto list = CityPickerSource::loadCityList();
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(list->size(), 34u);
  std::set<std::string> states;
  for (const auto& p : *list) {
    SCOPED_TRACE(p.state);
    EXPECT_FALSE(p.cities.empty());
    EXPECT_EQ(std::set<std::string>(p.cities.begin(), p.cities.end()).size(), p.cities.size());
    states.insert(p.state);
  }
  EXPECT_EQ(states.size(), 34u);
  for (const char* s : {"北京市", "天津市", "上海市", "重庆市", "河北省", "广东省", "海南省", "台湾省",
                        "内蒙古自治区", "广西壮族自治区", "西藏自治区", "宁夏回族自治区", "新疆维吾尔自治区",
                        "香港特别行政区", "澳门特别行政区"}) {
    EXPECT_TRUE(states.count(s)) << s;
  }
}

TEST(CityList, SkipsMalformedEntriesAndRejectsNonLists) {
  char path[] = "/tmp/vd_city_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    std::ofstream out(path);
    out << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array>)"
        << R"(<dict><key>state</key><string>甲省</string><key>cities</key><array><string>乙市</string><integer>3</integer></array></dict>)"
        << R"(<dict><key>state</key><integer>1</integer><key>cities</key><array/></dict>)"
        << R"(<string>not a province</string>)"
        << R"(</array></plist>)";
  }
  auto list = CityPickerSource::readCityList(path);
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(list->size(), 1u);
  EXPECT_EQ((*list)[0].state, "甲省");
  EXPECT_EQ((*list)[0].cities, std::vector<std::string>{"乙市"});
  {
    std::ofstream out(path);
    out << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict/></plist>)";
  }
  EXPECT_FALSE(CityPickerSource::readCityList(path).has_value());
  std::remove(path);
  EXPECT_FALSE(CityPickerSource::readCityList(path).has_value());

  // An empty list leaves the picker empty and the choice blank.
  CityPickerSource empty({});
  RegionPickerView picker({0, 0, 320, 212});
  EXPECT_EQ(empty.regionText(), " ");
  EXPECT_EQ(empty.numberOfRowsInComponent(picker, 1), 0);
}

TEST(UserHeaderView, ButtonIsHeldWeaklyAndItsActionDoesNothing) {
  ui::test::Harness h;
  auto header = std::make_shared<UserHeaderView>(ui::Rect{0, 0, 320, 80});
  {
    auto button = std::make_shared<ui::Button>(ui::Rect{0, 0, 320, 80});
    header->setBackgroundButton(button);
    EXPECT_EQ(header->backgroundButton(), button);
    header->userLoginClick(*button);
  }
  EXPECT_EQ(header->backgroundButton(), nullptr);
}
