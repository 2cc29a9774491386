// The notices screen against the loopback server: cards of the server's notices, removal on the device
// with renumbering, the card sizes that follow the body, and the image shown when there are none.

#include "ui/TextMeasurer.h"
#include "screens/account/SMSNotifierViewController.h"
#include "tests/screens/account/AccountFixture.h"
#include "ui/TableViewCell.h"

namespace account_test {
namespace {

using Screen = SMSNotifierViewController;

class Notices : public AccountFixture {
 protected:
  Screen& open() {
    openHome();
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("sNotifier");
    homeScreen().navigationController()->pushViewController(screen, true);
    h().settle();
    settleRequests();
    auto* s = dynamic_cast<Screen*>(h().topScreen());
    EXPECT_NE(s, nullptr) << top();
    return *s;
  }
  // The texts of the visible cards' captions ("信息通知<n>"), top to bottom.
  std::vector<std::string> captions() {
    std::vector<std::string> out;
    auto caption = [](const ui::Label& l) { return l.text().rfind("信息通知", 0) == 0 && l.text() != "信息通知"; };
    for (ui::Label* l : h().findAll<ui::Label>(caption))
      out.push_back(l->text());
    return out;
  }
  // Taps the delete image of card `index` and confirms.
  void remove(Screen& screen, std::size_t index) {
    ui::View& card = *screen.msgArr().at(index);
    ui::View* image = nullptr;
    for (const auto& v : card.subviews())
      if (auto* iv = dynamic_cast<ui::ImageView*>(v.get()); iv && iv->image() && iv->image()->name() == "center_delect")
        image = iv;
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(h().tap(*image));
    h().settle();
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->message(), Screen::kDeleteMessage);
    ASSERT_TRUE(h().press("确定"));
    h().settle();
  }
};

const char* kThree = R"({"notices": [["第一条", "正文一", "2013-07-01"], ["第二条", "正文二", "2013-07-02"],
                                      ["第三条", "正文三", "2013-07-03"]]})";

TEST_F(Notices, RemovingACardRenumbersTheOthersAndReopeningBringsItBack) {
  scenario(kThree);
  Screen& screen = open();
  EXPECT_EQ(screen.title(), "信息通知");
  ASSERT_EQ(requests("sys/GetAnnouncement/2.1/GKSample").size(), 1u);
  EXPECT_EQ(captions(), (std::vector<std::string>{"信息通知1", "信息通知2", "信息通知3"}));
  EXPECT_NE(h().label("第二条"), nullptr);
  EXPECT_NE(h().label("2013-07-02"), nullptr);

  server().clearJournal();
  remove(screen, 1);
  EXPECT_EQ(captions(), (std::vector<std::string>{"信息通知1", "信息通知2"}));
  EXPECT_EQ(h().label("第二条"), nullptr);
  ASSERT_EQ(screen.msgArr().size(), 2u);
  EXPECT_EQ(screen.msgArr()[1]->tag(), 1);
  EXPECT_EQ(screen.serviceAmtArr()[1][0], core::Value("第三条"));
  EXPECT_TRUE(requests("/api/").empty()) << "nothing is sent for a removal";

  // A refused confirmation keeps the card.
  ui::View& card = *screen.msgArr()[0];
  for (const auto& v : card.subviews())
    if (auto* iv = dynamic_cast<ui::ImageView*>(v.get()); iv && iv->image() && iv->image()->name() == "center_delect") {
      ASSERT_TRUE(h().tap(*iv));
      h().settle();
      ASSERT_TRUE(h().press("取消"));
      h().settle();
    }
  EXPECT_EQ(screen.msgArr().size(), 2u);

  homeScreen().navigationController()->popViewController(false);
  h().settle();
  open();
  EXPECT_EQ(captions(), (std::vector<std::string>{"信息通知1", "信息通知2", "信息通知3"}));
}

TEST_F(Notices, ACardAndItsRowGrowWithTheBody) {
  const std::string longBody(400, 'x');
  scenario(R"({"notices": [["短", "一行", "2013-07-01"], ["长", ")" + longBody + R"(", "2013-07-02"]]})");
  Screen& screen = open();
  ASSERT_EQ(screen.msgArr().size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const std::string text = i == 0 ? "一行" : longBody;
    const double body = ui::sizeWithFont(text, ui::Font::named("Helvetica", 15), {280, 2000}).height;
    const ui::Rect card = screen.msgArr()[i]->frame();
    EXPECT_EQ(card, (ui::Rect{20, 10, 280, body + 100}));
    EXPECT_EQ(screen.tableView()->rectForRowAtIndexPath({0, static_cast<int>(i)}).size.height, card.size.height + 30);
  }
  EXPECT_GT(screen.msgArr()[1]->frame().size.height, screen.msgArr()[0]->frame().size.height + 50);
}

TEST_F(Notices, NoNoticesShowTheEmptyImage) {
  struct Case {
    const char* name;
    std::string scenario;
    core::Value fault;
  };
  const Case cases[] = {
      {"failed request", "",
       core::Dictionary{{"path", "/api/1.0/json/sys/GetAnnouncement/*"}, {"drop", true}, {"count", 2}}},
      {"null body", "",
       core::Dictionary{{"path", "/api/1.0/json/sys/GetAnnouncement/*"},
                        {"body", R"({"Body": null, "Message": "", "LoginState": 0})"}}},
      {"empty list", R"({"notices": []})", core::Value()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    if (!c.scenario.empty()) scenario(c.scenario);
    if (!c.fault.isNil()) fault(c.fault);
    Screen& screen = open();
    ASSERT_NE(screen.noNoticesView(), nullptr);
    EXPECT_EQ(screen.noNoticesView()->image()->name(), Screen::kNoNoticesImage);
    EXPECT_EQ(h().visibleRect(*screen.noNoticesView()), h().visibleRect(screen.view()));
    homeScreen().navigationController()->popViewController(false);
    h().settle();
  }
}

TEST_F(Notices, RemovingTheLastNoticeShowsTheEmptyImage) {
  scenario(R"({"notices": [["唯一", "正文", "2013-07-01"]]})");
  Screen& screen = open();
  EXPECT_EQ(screen.noNoticesView(), nullptr);
  remove(screen, 0);
  ASSERT_NE(screen.noNoticesView(), nullptr);
  EXPECT_EQ(h().visibleRect(*screen.noNoticesView()), h().visibleRect(screen.view()));
  EXPECT_TRUE(captions().empty());
}

}  // namespace
}  // namespace account_test
