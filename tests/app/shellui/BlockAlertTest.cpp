#include <gmock/gmock.h>

#include "tests/app/shellui/ShellFixture.h"
#include "widgets/UIAlertViewBlock.h"

using namespace shellui_test;

using BlockAlert = ShellFixture;

// The cancelled flag compares the pressed index with the cancel button's index, wherever that button is.
TEST_F(BlockAlert, CancelledFollowsTheCancelButtonIndex) {
  struct Case {
    const char* name;
    std::optional<std::string> cancelTitle;
    int moveCancelTo;  // -1: leave it where the constructor put it
    const char* press;
    bool cancelled;
    int index;
  };
  const Case cases[] = {
      {"cancel first", "返回", -1, "返回", true, 0},
      {"other after cancel", "返回", -1, "删除", false, 2},
      {"cancel moved last", std::nullopt, 2, "返回", true, 2},
      {"other before a moved cancel", std::nullopt, 2, "保存", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<bool, int>> calls;
    std::vector<std::string> others{"保存", "删除"};
    if (!c.cancelTitle) others.push_back("返回");
    auto alert = std::make_shared<UIAlertViewBlock>(
        "笔记", "保存修改吗？", [&calls](bool cancelled, int index) { calls.emplace_back(cancelled, index); },
        c.cancelTitle, others);
    if (c.moveCancelTo >= 0) alert->setCancelButtonIndex(c.moveCancelTo);
    alert->show();
    std::weak_ptr<UIAlertViewBlock> weak = alert;
    alert.reset();  // the window keeps it until it is dismissed

    ASSERT_TRUE(h().press(c.press));
    h().settle();
    EXPECT_THAT(calls, ::testing::ElementsAre(std::make_pair(c.cancelled, c.index)));
    EXPECT_TRUE(weak.expired());  // and lets it go afterwards
  }
}
