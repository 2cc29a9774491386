#include "tests/road/RoadSteps.h"

#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/VDHelper.h"
#include "exam/ExammingViewController.h"
#include "screens/account/LoginViewController.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/subject/SelectSortViewController.h"
#include "screens/update/UpdateSoftwareViewController.h"
#include "ui/BarButtonItem.h"
#include "ui/ScrollView.h"
#include "ui/SearchBar.h"
#include "ui/Window.h"
#include "widgets/ProgressHUD.h"

namespace road {

MainInterfaceViewController1* homeScreen(Road& road) {
  return dynamic_cast<MainInterfaceViewController1*>(road.app().mainInterfaceVC().get());
}

bool onHome(Road& road) { return road.topName() == "MainInterfaceViewController1" && !road.alert(); }

// Clicks a function of the home screen (scrolling the grid to it first, as a finger would).
void clickFunction(Road& road, int tag) {
  MainInterfaceViewController1* home = homeScreen(road);
  ASSERT_NE(home, nullptr);
  ui::Button* function = home->functionButton(tag);
  ASSERT_NE(function, nullptr);
  ASSERT_TRUE(road.scrollIntoView(*function)) << "function " << tag << " cannot be brought into view";
  ASSERT_TRUE(road.click(*function));
}

void openFunction(Road& road, int tag, const std::string& screen, double seconds) {
  backTo(road, "MainInterfaceViewController1");
  if (::testing::Test::HasFatalFailure()) return;
  clickFunction(road, tag);
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == screen; }, seconds)) << road.describe();
}

UpdateSoftwareViewController* downloadPanel(Road& road) {
  for (const auto& vc : road.window().app().keyWindow().overlays())
    if (auto* p = dynamic_cast<UpdateSoftwareViewController*>(vc.get())) return p;
  return nullptr;
}

// Back along the navigation stack until the screen of this class shows.
void backTo(Road& road, const std::string& screen) {
  for (int i = 0; i < 6 && road.topName() != screen; ++i) {
    const std::string from = road.topName();
    const ui::ViewController* fromScreen = road.topScreen();  // levels of one class follow each other
    // A screen that reloads as it shows again may hold its bar's touches a moment: the finger tries again.
    bool moved = false;
    for (int attempt = 0; attempt < 3 && !moved; ++attempt) {
      road.settle();
      ASSERT_TRUE(road.back()) << "no way back from " << from;
      moved = road.waitFor([&] { return road.topScreen() != fromScreen; }, 8);
    }
    ASSERT_TRUE(moved) << road.describe();
    road.settle();
  }
  ASSERT_EQ(road.topName(), screen) << road.describe();
}

ExammingViewController* questionScreen(Road& road) {
  return dynamic_cast<ExammingViewController*>(road.topScreen());
}

ui::WebView* pageOnShow(Road& road) {
  return road.find<ui::WebView>([&](ui::WebView& w) {
    const ui::Rect r = road.visibleRect(w);
    return r.width() > 300;
  });
}

namespace {

// The user of the sample server, the subject of the sample bank, and a search that finds one question.
constexpr const char* kUser = "user01";
constexpr const char* kPassword = "secret1";
constexpr const char* kCategory = "职业资格考试";
constexpr const char* kSeries = "常识综合";
constexpr const char* kProvinceCategory = "建筑工程考试";
constexpr const char* kProvinceSeries = "一、二级建造师";
constexpr const char* kSubject = "常识综合（样例）";
constexpr const char* kSearchWords = "1911";

// ---- the first start ----

void welcomePage(Road& road, int page) {
  auto* sort = dynamic_cast<SelectSortViewController*>(road.topScreen());
  ASSERT_NE(sort, nullptr) << "a fresh start shows no welcome pages:\n" << road.describe();
  ui::ScrollView* pages = sort->scrollView();
  ASSERT_NE(pages, nullptr);
  if (page > 1) {
    road.drag({280, 240}, {40, 240});
    ASSERT_TRUE(road.waitFor([&] { return pages->contentOffset().x >= (page - 1) * 320.0; }))
        << "the drag did not turn to page " << page;
  }
}

void category(Road& road) {
  auto* sort = dynamic_cast<SelectSortViewController*>(road.topScreen());
  ASSERT_NE(sort, nullptr);
  ASSERT_TRUE(road.click(*sort->btnOpen())) << "the last welcome page shows no start button";
  ASSERT_TRUE(road.waitFor([&] { return road.row(kCategory) != nullptr; })) << road.describe();
  road.settle();
}

void provinces(Road& road) {
  ASSERT_TRUE(road.clickRow(kProvinceCategory));
  ASSERT_TRUE(road.waitFor([&] { return road.row(kProvinceSeries) != nullptr; })) << road.describe();
  road.settle();
  ASSERT_TRUE(road.clickRow(kProvinceSeries));
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "SelectProvinceViewController"; })) << road.describe();
  road.settle();
  EXPECT_NE(road.row("北京"), nullptr) << road.describe();
}

void series(Road& road) {
  backTo(road, "SelectSortViewController");
  ASSERT_TRUE(road.clickRow(kCategory));
  ASSERT_TRUE(road.waitFor([&] { return road.row(kSeries) != nullptr; })) << road.describe();
  road.settle();
  EXPECT_NE(road.row(kSeries), nullptr) << road.describe();
}

void subject(Road& road) {
  ASSERT_TRUE(road.clickRow(kSeries));
  ASSERT_TRUE(road.waitFor([&] { return road.row(kSubject) != nullptr; })) << road.describe();
  road.settle();
}

void homeWithGuide(Road& road) {
  ASSERT_TRUE(road.clickRow(kSubject));
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "MainInterfaceViewController1"; }, 30))
      << road.describe();
  road.settle();
  EXPECT_EQ(VDHelper::getSubjectEName(), "GKSample");
  // The first visit lays the usage guide over the whole window.
  ui::Button* guide = road.find<ui::Button>([](ui::Button& b) {
    return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == "prompt1";
  });
  ASSERT_NE(guide, nullptr) << road.describe();
}

void home(Road& road) {
  road.click({160, 300});  // anywhere on the guide takes it away
  ASSERT_TRUE(road.waitFor([&] {
    return !road.find<ui::Button>([](ui::Button& b) {
      return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == "prompt1";
    });
  })) << "the guide stayed";
  ASSERT_NE(homeScreen(road), nullptr);
  EXPECT_EQ(homeScreen(road)->loginButton()->currentTitle(), "登录");
}

// ---- the question bank ----

void downloadOffer(Road& road) {
  ASSERT_FALSE(VDHelper::isHavefileName());
  clickFunction(road, 10);
  ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << "no download offer";
  road.settle();
  EXPECT_NE(road.alertText().find("提示"), std::string::npos) << road.alertText();
}

void downloadProgress(Road& road) {
  // The packets come slowly enough to watch the bar fill.
  ASSERT_TRUE(road.server().fault(R"({"path": "/packets/*", "method": "GET", "throttle": 60000, "count": 4})"));
  ASSERT_TRUE(road.answerAlert("下载"));
  ASSERT_TRUE(road.waitFor([&] {
    UpdateSoftwareViewController* panel = downloadPanel(road);
    return panel && panel->processView() && panel->processView()->progress() > 0.2f;
  }, 60)) << "no progress shown:\n" << road.describe();
}

void bankInstalled(Road& road) {
  ASSERT_TRUE(road.waitFor([&] { return VDHelper::isHavefileName() && !downloadPanel(road); }, 120))
      << "the bank was not installed:\n" << road.describe();
  road.settle();
  EXPECT_TRUE(onHome(road)) << road.describe();
}

// ---- the account ----

void loginGate(Road& road) {
  clickFunction(road, 10);
  ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
  EXPECT_NE(road.alertText().find(MainInterfaceViewController1::kLoginGateMessage), std::string::npos)
      << road.alertText();
}

void login(Road& road) {
  ASSERT_TRUE(road.answerAlert("登录"));
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "LoginViewController"; })) << road.describe();
  road.settle();
  // The first login's hint lies over the whole window: a tap takes it away.
  auto hint = [&] {
    return road.find<ui::Button>([](ui::Button& b) {
      auto image = b.currentBackgroundImage();
      return image && image->name() == LoginViewController::kFirstRunImage;
    });
  };
  ASSERT_NE(hint(), nullptr) << "the first login shows no hint";
  ASSERT_TRUE(road.click(*hint()));
  ASSERT_TRUE(road.waitFor([&] { return hint() == nullptr; })) << "a tap does not take the hint away";
  road.settle();
  ui::TextField* name = road.field("用户名/邮箱/手机号");
  ui::TextField* password = road.field("请输入密码");
  ASSERT_TRUE(name && password) << road.describe();
  ASSERT_TRUE(road.typeInto(*name, kUser)) << "the name field holds \"" << name->text() << "\"";
  ASSERT_TRUE(road.typeInto(*password, kPassword));
}

void loggedIn(Road& road) {
  ui::Button* login = road.find<ui::Button>([](ui::Button& b) {
    return b.currentTitle() == "登录" && !dynamic_cast<ui::BarButtonView*>(&b);
  });
  ASSERT_NE(login, nullptr) << road.describe();
  ASSERT_TRUE(road.click(*login));
  ASSERT_TRUE(road.waitFor([&] {
    return road.app().userSession()["userInfo"]["UserName"].toString() == kUser && onHome(road);
  }, 30)) << road.describe();
  road.settle();
  EXPECT_EQ(homeScreen(road)->registButton()->currentTitle(), "注销");
}

// ---- questions ----

void searchResults(Road& road) {
  clickFunction(road, 10);
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "FindTestViewController"; })) << road.describe();
  road.settle();
  auto* bar = road.find<ui::SearchBar>();
  ASSERT_NE(bar, nullptr) << road.describe();
  ASSERT_TRUE(road.typeInto(bar->searchField(), kSearchWords));
  road.window().key("Return");
  ASSERT_TRUE(road.waitFor([&] { return road.labelContaining("查找到") != nullptr; }, 30)) << road.describe();
  road.settle();
}

void questionPage(Road& road) {
  ui::TableViewCell* hit = road.find<ui::TableViewCell>();
  ASSERT_NE(hit, nullptr) << road.describe();
  ASSERT_TRUE(road.click(*hit));
  ASSERT_TRUE(road.waitFor([&] {
    ExammingViewController* screen = questionScreen(road);
    return screen && screen->loadNumber() == 0 && pageOnShow(road);
  }, 60)) << "the question page did not load:\n" << road.describe();
  road.settle();
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  EXPECT_NE(road.evaluate(*page, "document.body.innerText").find("1911"), std::string::npos)
      << "the page does not show the question found";
}

void questionPageRead(Road& road) {
  // The group's instructions lie over the first question; a click beside their box takes them away.
  ASSERT_NE(road.find<ProgressHUD>(), nullptr) << road.describe();
  road.click({160, 450});
  ASSERT_TRUE(road.waitFor([&] { return road.find<ProgressHUD>() == nullptr; })) << road.describe();
  ASSERT_NE(pageOnShow(road), nullptr);
  // WebKit paints on its own time: the question's text shows as ink on the page's white.
  const ui::Rect page = road.visibleRect(*pageOnShow(road));
  EXPECT_TRUE(road.waitFor([&] { return road.window().shot().inkIn(page, 0xFFFFFFFF) > 500; }, 20))
      << "the question page shows no text in the window";
}

// ---- logout, and the next start ----

void logoutAsked(Road& road) {
  backTo(road, "MainInterfaceViewController1");
  ASSERT_TRUE(road.click(*homeScreen(road)->registButton()));
  ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
  EXPECT_NE(road.alertText().find(MainInterfaceViewController1::kLogoutMessage), std::string::npos)
      << road.alertText();
}

void loggedOut(Road& road) {
  ASSERT_TRUE(road.answerAlert("确定")) << road.alertText();
  ASSERT_TRUE(road.waitFor([&] { return homeScreen(road)->loginButton()->currentTitle() == "登录"; }))
      << road.describe();
  EXPECT_FALSE(road.app().userSession().contains("userInfo"));
}

void automaticLogin(Road& road) {
  road.stop();
  road.start();
  ASSERT_TRUE(road.waitFor([&] { return homeScreen(road) && road.topName() == "MainInterfaceViewController1"; }, 30))
      << "the next start does not open on the home screen:\n" << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.app().userSession()["userInfo"]["UserName"].toString() == kUser; }, 30))
      << "no automatic login on the next start";
  road.settle();
  EXPECT_EQ(homeScreen(road)->registButton()->currentTitle(), "注销");
}

}  // namespace

std::vector<RoadStep> roadSteps() {
  std::vector<RoadStep> steps = {
      // The first start: the welcome pages, then the subject (category, series, a look at a series
      // split by province, the sample subject) and the home screen of that subject.
      {"welcome-1", [](Road& r) { welcomePage(r, 1); }},
      {"welcome-2", [](Road& r) { welcomePage(r, 2); }},
      {"welcome-3", [](Road& r) { welcomePage(r, 3); }},
      {"category", category},
      {"provinces", provinces},
      {"series", series},
      {"subject", subject},
      {"home-guide", homeWithGuide},
      {"home", home},
      // The question bank, offered by the first function used, downloaded with its progress, installed.
      {"download-offer", downloadOffer},
      {"download-progress", downloadProgress},
      {"bank-installed", bankInstalled},
      // The account: the login a function asks for, typed into the login screen.
      {"login-gate", loginGate},
      {"login", login},
      {"logged-in", loggedIn},
      // Questions: a search of the bank, a question page in WebKit.
      {"search-results", searchResults},
      {"question-instructions", questionPage},
      {"question-page", questionPageRead},
  };
  for (auto part : {practiceSteps(), studySteps()}) steps.insert(steps.end(), part.begin(), part.end());
  std::vector<RoadStep> last = {
      // Practice: a chapter, its result, a favourite, the wrong-answer book, a note.
      // Study: the page's night mode and font size, a simulated exam, the learning statistics.
      // (tests/road/RoadPracticeSteps.cpp, tests/road/RoadStudySteps.cpp)
      // Logout, and the next start logs in by itself.
      {"logout-asked", logoutAsked},
      {"logged-out", loggedOut},
      {"automatic-login", automaticLogin},
  };
  steps.insert(steps.end(), last.begin(), last.end());
  return steps;
}

}  // namespace road
