#include <gmock/gmock.h>

#include "app/VDNetworkHelper.h"
#include "tests/app/shellui/ShellFixture.h"
#include "ui/Label.h"
#include "ui/NavigationItem.h"

using namespace shellui_test;

namespace {

// The account client's application-information call: keeps what was asked and answers when told.
class FakeAppInfoClient : public VDAppInfoClient {
 public:
  void appInfo(const std::string& bankShortName, Reply reply) override {
    subjects.push_back(bankShortName);
    reply_ = std::move(reply);
  }
  void answer(bool ok, const core::Value& json) {
    auto reply = std::move(reply_);
    reply_ = nullptr;
    if (reply) reply(ok, json);
  }
  std::vector<std::string> subjects;

 private:
  Reply reply_;
};

class NetworkHelper : public ShellFixture {
 protected:
  // Launches the application with the fake as the maker of account clients (made_ keeps the weak
  // handles of what it made).
  AppDelegate& launchWithFakeClients(int networkStatus = 2) {
    AppServices services = testsupport::quietServices(networkStatus);
    services.newAppInfoClient = [this] {
      auto client = std::make_shared<FakeAppInfoClient>();
      made_.push_back(client);
      return client;
    };
    return launch(std::move(services));
  }
  std::vector<std::weak_ptr<FakeAppInfoClient>> made_;
};

}  // namespace

TEST(NetworkHelperVersion, EveryDotAfterTheFirstIsDropped) {
  const std::pair<const char*, const char*> cases[] = {{"4.1.2", "4.12"},    {"5", "5"}, {"2.10", "2.10"},
                                                       {"1.2.3.4", "1.234"}, {"", ""},   {"3.", "3."}};
  for (const auto& [given, shown] : cases) {
    SCOPED_TRACE(given);
    EXPECT_EQ(VDNetworkHelper::minVersion(given), shown);
  }
}

TEST_F(NetworkHelper, OfflineShowsTheNetworkAlertAndSendsNothing) {
  launchWithFakeClients(/*networkStatus=*/0);
  h().press("取消");  // the launch's own network alert
  h().settle();
  ASSERT_EQ(h().alert(), nullptr);

  VDNetworkHelper::getAppInfo("zyys");

  EXPECT_TRUE(made_.empty());
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_EQ(h().alert()->message(), core::Bundle::main().localizedString("alertNetwork"));
}

TEST_F(NetworkHelper, ReplyKeepsTheApplicationInformationAndTitlesTheHomeScreen) {
  AppDelegate& app = launchWithFakeClients();
  auto item = std::make_shared<ui::NavigationItem>("首页");
  app.setMainNavigationItem(item);

  VDNetworkHelper::getAppInfo("zyys");
  ASSERT_EQ(made_.size(), 1u);
  auto client = made_[0].lock();
  ASSERT_NE(client, nullptr);  // kept while the request is out
  EXPECT_THAT(client->subjects, ::testing::ElementsAre("zyys"));
  EXPECT_EQ(VDNetworkHelper::pendingRequests(), 1u);

  const core::Value body = core::Dictionary{{"Name", "中医执业医师"}, {"ID", 7}};
  client->answer(true, core::Dictionary{{"Body", body}, {"Message", ""}, {"LoginState", 1}});
  client.reset();
  EXPECT_EQ(VDNetworkHelper::pendingRequests(), 0u);
  EXPECT_TRUE(made_[0].expired());  // let go once it has answered

  EXPECT_EQ(app.userSession()["appInfo"], body);
  auto* title = dynamic_cast<ui::Label*>(item->titleView().get());
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(),
            "中医执业医师v" + VDNetworkHelper::minVersion(core::Bundle::main().shortVersion()));
  EXPECT_EQ(title->frame(), ui::Rect(0, 0, 240, 44));
  EXPECT_EQ(title->font(), ui::Font::boldSystem(17));
  EXPECT_EQ(title->textColor(), ui::Color::white());
  EXPECT_EQ(title->shadowColor(), ui::Color::black());
  EXPECT_EQ(title->textAlignment(), ui::TextAlignment::Center);
  EXPECT_EQ(title->numberOfLines(), 0);
  ASSERT_NE(item->backBarButtonItem(), nullptr);
  EXPECT_EQ(item->backBarButtonItem()->title(), "首页");
  EXPECT_EQ(h().alert(), nullptr);
}

TEST_F(NetworkHelper, TitleWithoutApplicationInformationHasAnEmptyName) {
  AppDelegate& app = launch();
  auto item = std::make_shared<ui::NavigationItem>();
  app.setMainNavigationItem(item);
  VDNetworkHelper::setMinNavigationTitle();
  auto* title = dynamic_cast<ui::Label*>(item->titleView().get());
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "v" + VDNetworkHelper::minVersion(core::Bundle::main().shortVersion()));
}

TEST_F(NetworkHelper, FailedReplyShowsTheServerMessageOrTheRequestFailure) {
  struct Case {
    const char* name;
    core::Value reply;
    std::string message;
  };
  const Case cases[] = {
      {"server message", core::Dictionary{{"Body", core::Value::null()}, {"Message", "科目不存在"}},
       "科目不存在"},
      {"no reply", core::Value(), core::Bundle::main().localizedString("requestFaile")},
  };
  AppDelegate& app = launchWithFakeClients();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    made_.clear();
    VDNetworkHelper::getAppInfo("zyys");
    ASSERT_EQ(made_.size(), 1u);
    made_[0].lock()->answer(false, c.reply);

    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), core::Bundle::main().localizedString("alertTitle"));
    EXPECT_EQ(h().alert()->message(), c.message);
    EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "OK");
    EXPECT_FALSE(app.userSession().contains("appInfo"));
    ASSERT_TRUE(h().press("OK"));
    h().settle();
  }
}
