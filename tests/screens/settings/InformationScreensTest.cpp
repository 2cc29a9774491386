// The web page, help, exam-information and notice screens: the web page's loading indicator (gone
// after a failed load too), the help page from the bundle, the two sites of the exam information and
// the numbering of the notices.

#include "screens/settings/ExamInfoViewController.h"
#include "screens/settings/ExamWebSiteViewController.h"
#include "screens/settings/InformViewController.h"
#include "screens/settings/SiteAddresses.h"
#include "screens/settings/SoftUsinghelpContentViewController.h"
#include "tests/screens/settings/FeedbackFixture.h"
#include "ui/Window.h"
#include "widgets/ProgressHUD.h"

namespace settings_test {
namespace {

using Information = FeedbackFixture;

TEST_F(Information, TheWebPageIsCoveredWhileItLoadsAndUncoveredWhenTheLoadEnds) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "failed load" : "finished load");
    auto screen = make<ExamWebSiteViewController>("examWebSite");
    const std::string url = server().mobileBase() + "MobileDevicesEntry.aspx?type=opinion";
    screen->setSUrl(url);
    screen->view();
    auto& web = h().web(*screen->vardoWebView());
    web.setHoldLoads(true);
    push(screen);
    EXPECT_EQ(web.url(), url);
    EXPECT_TRUE(web.scalesPageToFit());
    ASSERT_NE(screen->hudView(), nullptr);
    EXPECT_EQ(screen->hudView()->labelText(), core::Bundle::main().localizedString("alertMessage"));
    EXPECT_NE(h().find<ProgressHUD>(), nullptr);
    if (fails) {
      web.failLoad("offline");
    } else {
      web.finishLoad();
    }
    h().drainMain();
    EXPECT_EQ(screen->hudView(), nullptr);
    EXPECT_EQ(h().find<ProgressHUD>(), nullptr);
    navigation().popToRootViewController(false);
    h().settle();
  }
}

TEST_F(Information, TheHelpScreenShowsABundleFileOrStaysBlank) {
  struct Case {
    const char* file;
    bool loads;
  };
  const Case cases[] = {{"AboutSoft.html", true}, {"Missing.html", false}, {"../Info.plist", false}, {"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto screen = make<SoftUsinghelpContentViewController>("softUsingHelpContent");
    screen->setNavTitle("关于软件");
    screen->setHtmlFileName(c.file);
    push(screen);
    EXPECT_EQ(screen->title(), "关于软件");
    auto& web = h().web(*screen->helpWebView());
    if (c.loads) {
      EXPECT_EQ(web.loadCount(), 1);
      EXPECT_EQ(web.url(), "vdbundle://bundle/AboutSoft.html");
    } else {
      EXPECT_EQ(web.loadCount(), 0);
    }
    navigation().popToRootViewController(false);
    h().settle();
  }
}

TEST_F(Information, TheTwoSiteButtonsOpenTheirSitesUnderTheirTitles) {
  struct Case {
    const char* title;
    std::string address;
  };
  const Case cases[] = {{"资讯站", SiteAddresses::newsSite()}, {"产品站", SiteAddresses::makerSite()}};
  auto info = make<ExamInfoViewController>("examinfo");
  push(info);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    ASSERT_TRUE(h().tap(*(std::string(c.title) == "资讯站" ? info->examInfoButton() : info->productButton())));
    h().settle();
    auto* web = dynamic_cast<ExamWebSiteViewController*>(h().topScreen());
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->title(), c.title);
    EXPECT_EQ(web->sUrl(), core::addingPercentEscapes(c.address));
    navigation().popViewController(false);
    h().settle();
  }
}

TEST_F(Information, NoticesAreNumberedInTurnAndTheNextButtonGoesAfterTheLast) {
  for (const int count : {3, 1, 0}) {
    SCOPED_TRACE(count);
    core::Value inform = core::Value::newArray();
    for (int i = 1; i <= count; ++i) {
      core::Value notice = core::Value::newArray();
      notice.push_back(i);
      notice.push_back("第" + std::to_string(i) + "条通知的内容");
      inform.push_back(notice);
    }
    app().userSession().set("Inform", inform);
    auto screen = make<InformViewController>("inform");
    app().window()->addOverlay(screen);
    h().settle();
    EXPECT_EQ(top(), "InformViewController");
    EXPECT_FALSE(screen->inform_textView()->isEditable());
    EXPECT_DOUBLE_EQ(screen->informView()->layer().cornerRadius(), 10);
    for (int shown = 1; shown <= count; ++shown) {
      EXPECT_EQ(screen->lab_title()->text(), "通知" + std::to_string(shown));
      EXPECT_EQ(screen->inform_textView()->text(), "第" + std::to_string(shown) + "条通知的内容");
      const bool more = shown < count;
      EXPECT_EQ(h().button("下一条") != nullptr, more) << "notice " << shown;
      if (more) {
        ASSERT_TRUE(h().tap(*screen->btn_confirm()));
      }
    }
    if (count == 0) {
      EXPECT_EQ(screen->lab_title()->text(), "");
      EXPECT_EQ(h().button("下一条"), nullptr);
    }
    // The close button takes the overlay away.
    ASSERT_TRUE(h().tap(*screen->btn_close()));
    h().settle();
    EXPECT_EQ(screen->view().superview(), nullptr);
    EXPECT_NE(top(), "InformViewController");
  }
}

}  // namespace
}  // namespace settings_test
