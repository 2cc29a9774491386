#include <gmock/gmock.h>

#include "tests/app/StartupFixture.h"
#include "widgets/UIAlertViewBlock.h"

using namespace startup_test;

using AlertBlock = StartupFixture;

TEST_F(AlertBlock, BlockGetsCancelledAndIndexOnceTheAlertHasGone) {
  struct Case {
    const char* press;
    bool cancelled;
    int index;
  };
  const Case cases[] = {{"取消", true, 0}, {"一", false, 1}, {"二", false, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.press);
    std::vector<std::pair<bool, int>> calls;
    auto alert = std::make_shared<UIAlertViewBlock>(
        "标题", "内容", [&calls](bool cancelled, int index) { calls.emplace_back(cancelled, index); }, "取消",
        std::vector<std::string>{"一", "二"});
    alert->show();
    alert.reset();  // the window keeps it while it waits
    ASSERT_NE(h().alert(), nullptr);
    ASSERT_TRUE(h().press(c.press));
    EXPECT_TRUE(calls.empty());  // not before the alert has been dismissed
    h().settle();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(c.cancelled, c.index));
    EXPECT_EQ(h().alert(), nullptr);
  }
}

TEST_F(AlertBlock, WithoutACancelButtonNothingCountsAsCancelled) {
  std::vector<std::pair<bool, int>> calls;
  auto alert = std::make_shared<UIAlertViewBlock>(
      "标题", "", [&calls](bool cancelled, int index) { calls.emplace_back(cancelled, index); }, std::nullopt,
      std::vector<std::string>{"好"});
  alert->show();
  ASSERT_TRUE(h().press("好"));
  h().settle();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(false, 0));
}

TEST_F(AlertBlock, BlockMayShowTheNextAlert) {
  int shown = 0;
  std::function<void()> showOne = [&] {
    ++shown;
    auto alert = std::make_shared<UIAlertViewBlock>(
        "第" + std::to_string(shown), "",
        [&](bool, int) {
          if (shown < 3) showOne();
        },
        "关闭", std::vector<std::string>{});
    alert->show();
  };
  showOne();
  for (int i = 1; i <= 3; ++i) {
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), "第" + std::to_string(i));
    ASSERT_TRUE(h().press("关闭"));
    h().settle();
  }
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_EQ(shown, 3);
}
