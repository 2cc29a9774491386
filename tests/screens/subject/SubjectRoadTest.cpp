// The road of a new user, headless against the loopback API server: a fresh start (no subject
// chosen) shows the welcome pages; the user pages through them, starts, picks the category, the
// series and the sample subject by touch alone, and lands on the home screen of that subject, which
// offers the subject's question bank for download.

#include "screens/home/SidePanelController.h"
#include "tests/screens/subject/SubjectFixture.h"
#include "ui/Window.h"

namespace subject_test {
namespace {

class SubjectRoad : public SubjectFixture {};

TEST_F(SubjectRoad, FromAFreshStartToTheHomeScreenOfTheSampleSubject) {
  // The launch with the executable's own shell wiring and a network that is up.
  AppServices services = AppServices::standard();
  services.statistics.reset();
  services.crashCatcher.reset();
  services.newUser = nullptr;
  services.reachabilityForInternetConnection = [] {
    return std::make_shared<testsupport::FixedReachability>();
  };
  loopback_.launch(std::move(services));
  h().settle();
  ASSERT_EQ(top(), "SelectSortViewController");

  // The welcome pages: two swipes to the third page, then its start button.
  auto* sort = topAs<SelectSortViewController>();
  ui::ScrollView* pages = sort->scrollView();
  ASSERT_NE(pages->window(), nullptr);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(h().drag(*pages, {-200, 0}));
    h().settle();
  }
  ASSERT_TRUE(h().tap(*sort->btnOpen()));
  settleRequests();

  // Category, series, subject.
  ASSERT_TRUE(tapRow(*sort->selectSortTableView(), "职业资格考试"));
  auto* series = topAs<SelectSeriesViewController>();
  ASSERT_NE(series, nullptr) << h().screens();
  ASSERT_TRUE(tapRow(*series->seriesTableView(), "常识综合"));
  settleRequests();
  auto* subject = topAs<SelectSubjectViewController>();
  ASSERT_NE(subject, nullptr) << h().screens();
  ASSERT_TRUE(tapRow(*subject->tableView(), kSampleName));

  // The home screen of the sample subject, its title from the application information.
  ASSERT_TRUE(waitForTop("MainInterfaceViewController1")) << h().screens();
  settleRequests();
  EXPECT_NE(dynamic_cast<SidePanelController*>(h().window().rootViewController()), nullptr);
  EXPECT_EQ(VDHelper::getSubjectEName(), kSample);
  EXPECT_EQ(app().userSession()["appInfo"]["Name"].toString(), kSampleName);
  EXPECT_FALSE(VDHelper::isHavefileName());

  // The first-use hint lies over the home screen (the choice set "isFirstMain"); a tap takes it away.
  ui::Button* hint = h().find<ui::Button>([](const ui::Button& b) {
    return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == "prompt1";
  });
  ASSERT_NE(hint, nullptr) << h().screens();
  ASSERT_TRUE(h().tap(*hint));
  h().settle();

  // A practice function offers the chosen subject's question bank for download.
  auto* home = dynamic_cast<MainInterfaceViewController1*>(app().mainInterfaceVC().get());
  ASSERT_NE(home, nullptr);
  ASSERT_TRUE(h().tap(*home->functionButton(2)));
  ASSERT_TRUE(runUntil([this] {
    h().settle(0.2);
    return h().alert() != nullptr;
  })) << "no download offer";
  EXPECT_EQ(h().alert()->title(), "提示");
  EXPECT_NE(h().button("下载"), nullptr) << h().alert()->describe();
}

}  // namespace
}  // namespace subject_test
