// The gallery: every screen the application registers, in its real window, in a state with content, and
// the alerts, sheets and panels the screens open. One application start serves them all: the road's first
// steps (tests/road) bring it from a fresh start to the sample subject's bank installed and `user01`
// logged in against the loopback server; then each registered screen opens on the home screen's
// navigation, the answering screen shows each question type in practice, exam and review, and the panels
// open as a person opens them. Every picture goes to the gallery's folder (docs/screens with
// VD_GALLERY_SHOTS) under the screen's name and is checked: the road's text checks, every named picture
// in the bundle, pictures scaled into their frames, no renderer's pink box, no two controls that take
// clicks lying over each other (tests/gallery/GalleryChecks.h).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/VDViewControllerFactory.h"
#include "exam/ExammingViewController.h"
#include "exam/ImageBrowserViewController.h"
#include "exam/TestResultViewController.h"
#include "exam/sets/AnsweringScreen.h"
#include "exam/sets/TestBuilder.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/home/SidePanelController.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "tests/gallery/GalleryChecks.h"
#include "tests/road/Road.h"
#include "tests/road/RoadSteps.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/AlertLayer.h"
#include "ui/PageResources.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"
#include "ui/Window.h"

namespace {

using road::Road;

// Controls a screen lays partly over each other on purpose, as {screen class, control, control, why}
// (descriptions as gallery::describeControl gives them). A control wholly on a larger one (a row's button,
// a sheet on its dimmed backdrop) is layering already; no screen needs a row here today.
const std::vector<gallery::Layering>& layerings() {
  static const std::vector<gallery::Layering> table = {};
  return table;
}

class Gallery {
 public:
  explicit Gallery(Road& road) : road_(road) {}

  // Keeps the picture of what shows as `name` and checks it.
  void picture(const std::string& name) {
    const gtktest::Shot shot = road_.shot(name);
    gallery::checkPictures(road_, shot, name);
    gallery::checkOverlaps(road_, name, layerings());
    for (const std::string& error : road_.takeScriptErrors()) ADD_FAILURE() << name << ": page script error: " << error;
    shown_.insert(name);
  }
  bool shown(const std::string& name) const { return shown_.count(name) > 0; }

  ui::NavigationController* homeNavigation() {
    auto home = road_.app().mainInterfaceVC();
    return home ? home->navigationController() : nullptr;
  }

  // Back to the home screen, with no alert over it.
  void home() {
    for (int i = 0; i < 3 && road_.alert(); ++i) {
      ui::AlertPanel* panel = road_.alert();
      ui::Button* button = panel->buttonView(0);
      if (!button || !road_.click(*button)) break;
      road_.waitFor([&] { return road_.alert() != panel; });
    }
    // A screen presented over the home screen goes, the side menu closes, the navigation goes back.
    if (auto home = road_.app().mainInterfaceVC(); home && home->presentedViewController()) {
      home->dismissViewController(false);
      road_.settle();
    }
    if (auto* panel = dynamic_cast<SidePanelController*>(road_.app().sidePanelVC().get())) panel->showCenterPanel(false);
    if (auto* nav = homeNavigation()) nav->popToRootViewController(false);
    road_.settle();
  }

  // Opens the screen of this identifier on the home screen's navigation and waits for its requests.
  std::shared_ptr<ui::ViewController> push(const std::string& id) {
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(id);
    EXPECT_NE(screen, nullptr) << "no screen is registered as " << id;
    ui::NavigationController* nav = homeNavigation();
    EXPECT_NE(nav, nullptr);
    if (!screen || !nav) return nullptr;
    nav->pushViewController(screen, false);
    road_.settle();
    return screen;
  }

  // From the list on show, the screen its first row opens (through the levels of a nested list).
  bool openFirstRow(const std::string& expectedScreen) {
    for (int level = 0; level < 3; ++level) {
      if (openTopRow(expectedScreen)) return true;
    }
    return false;
  }

 private:
  bool openTopRow(const std::string& expectedScreen) {
    const ui::ViewController* from = road_.topScreen();
    // The top row of the list on show.
    ui::TableViewCell* cell = nullptr;
    road_.forEachVisible([&](ui::View& v) {
      auto* c = dynamic_cast<ui::TableViewCell*>(&v);
      if (c && (!cell || road_.visibleRect(*c).minY() < road_.visibleRect(*cell).minY())) cell = c;
      return false;
    });
    if (!cell || !road_.click(*cell)) return false;
    road_.waitFor([&] { return road_.topScreen() != from; }, 20);
    road_.settle();
    return road_.topName() == expectedScreen;
  }

  Road& road_;
  std::set<std::string> shown_;
};

// ---- the answering screen on each question type ----

struct TypeSample {
  std::string type;    // "ATEST", ...
  std::string prefix;  // of the session's id list: "A", ...
};

const std::vector<TypeSample>& questionTypes() {
  static const std::vector<TypeSample> types = {{"ATEST", "A"},   {"BTEST", "B"},   {"A3TEST", "A3"}, {"XTEST", "X"},
                                                {"PDTEST", "PD"}, {"JDTEST", "JD"}, {"TKTEST", "TK"}};
  return types;
}

// Two questions of the type from the installed sample bank, as a question set makes them.
QuestionsArray questionsOfType(const TypeSample& sample) {
  std::ifstream in(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.manifest.json");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const core::Value manifest = JSONValue(text);
  std::string ids;
  int taken = 0;
  for (const core::Value& q : manifest["States"]["bank"]["Questions"].array()) {
    if (q["Bad"].toBool() || q["Type"].toString() != sample.type || taken == 2) continue;
    ids += (ids.empty() ? "" : ",") + std::to_string(q["AID"].toInt());
    ++taken;
  }
  const core::Value style = manifest["Styles"][sample.type];
  core::Value session = core::Dictionary{{"Type", sample.type},
                                         {"Description", style["Description"]},
                                         {"StyleID", style["StyleID"]},
                                         {"Style", style["Style"]},
                                         {sample.prefix + "Testid", ids}};
  core::Value body = core::Dictionary{{"ID", 1}, {"Name", "样例"}, {"Sessions", core::Array{session}}};
  return TestBuilder::changeJSonToTestArrayByDB(body).value_or(QuestionsArray{});
}

ExammingViewController* answering(Road& road) { return dynamic_cast<ExammingViewController*>(road.topScreen()); }

// Opens the answering screen on these questions in this mode and waits for its first page, without the
// group's instructions over it.
bool openAnswering(Road& road, Gallery& gallery, const QuestionsArray& questions, AnsweringMode mode) {
  auto screen = std::dynamic_pointer_cast<ExammingViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming"));
  if (!screen || questions.empty()) return false;
  auto pager = std::make_shared<TestPager>(questions);
  pager->setCurrentTest(questions[0]);
  AnsweringScreen& launch = *screen;
  launch.setTestPager(pager);
  launch.setOriginalMode(mode);
  launch.setRedoMode(mode);
  launch.setChapterName("样例");
  gallery.homeNavigation()->pushViewController(screen, false);
  const bool ready = road.waitFor([&] {
    ExammingViewController* s = answering(road);
    return s && s->loadNumber() == 0 && s->scrollSlide() == 0 && road::pageOnShow(road) &&
           s->view().isUserInteractionEnabled();
  }, 60);
  if (!ready) return false;
  road.settle();
  if (screen->styleHud()) {
    road.click({160, 300});
    road.waitFor([&] { return !screen->styleHud(); });
  }
  ui::WebView* page = road::pageOnShow(road);
  road.waitFor([&] { return page && road.evaluate(*page, "String(document.body.innerText.length > 20)") == "true"; });
  road.settle();
  return true;
}

ui::Button* optionsButton(Road& road) {
  return road.find<ui::Button>([](ui::Button& b) {
    auto* bar = dynamic_cast<ui::BarButtonView*>(&b);
    return bar && bar->item() && bar->item()->image() && bar->item()->title().empty();
  });
}

// The screens the first start shows, by the road's step that reaches them: the picture's name.
const std::vector<std::pair<std::string, std::string>>& firstStartPictures() {
  static const std::vector<std::pair<std::string, std::string>> table = {
      {"welcome-1", "selectSort-welcome"},
      {"category", "selectSort"},
      {"provinces", "selectProvince"},
      {"series", "selectSeries"},
      {"subject", "selectSubject"},
      {"home-guide", "sidebar-guide"},
      {"home", "sidebar"},
      {"download-offer", "updateSoftware-offer"},
      {"download-progress", "updateSoftware-progress"},
      {"bank-installed", "sidebar-bank-installed"},
      {"login-gate", "alert-login-gate"},
      {"login", "login"},
      {"logged-in", "sidebar-logged-in"},
  };
  return table;
}

// The registered screens that need what another screen gives them: opened from it, as a person does.
struct FromScreen {
  std::string id;
  std::string parent;     // the list it is opened from (its first row)
  std::string className;  // the screen's class
};

const std::vector<FromScreen>& openedFromLists() {
  static const std::vector<FromScreen> table = {
      {"errorRedoDetail", "errorRedoList", "ErrorRedoDetailViewController"},
      {"myFavoritesDetail", "myFavorites", "MyFavoritesDetailViewController"},
      {"fastLearnDetail", "fastLearnList", "FastLearnDetailViewController"},
      {"examGuideContent", "examGuideList", "ExamGuideContentViewController"},
  };
  return table;
}

// Shown by the answering part, not opened alone.
const std::set<std::string>& answeringScreens() {
  static const std::set<std::string> ids = {"examming", "questionCard", "testResult", "imageBrowser",
                                            "allNote", "errorFeedback", "updateNote"};
  return ids;
}

void timed(const std::string& what, const std::function<void()>& part) {
  const auto began = std::chrono::steady_clock::now();
  part();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("gallery %-28s %5.1f s\n", what.c_str(), seconds);
  std::fflush(stdout);
}

TEST(Gallery, EveryScreenInTheWindowWithContent) {
  Road road(road::Pictures{"VD_GALLERY_SHOTS", "VD_GALLERY_DEFAULT_SHOTS", "vd-gallery-shots", false});
  ASSERT_TRUE(road.prepare()) << road.failure();
  road.start();
  ASSERT_TRUE(road.running());
  Gallery gallery(road);

  // 1. The first start, to the bank installed and the user logged in (the road's own steps).
  timed("first start", [&] {
    std::vector<road::RoadStep> steps = road::roadSteps();
    for (const road::RoadStep& step : steps) {
      SCOPED_TRACE("first-start step " + step.name);
      step.walk(road);
      ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "the first start stops at " << step.name;
      for (const auto& [stepName, picture] : firstStartPictures())
        if (stepName == step.name) gallery.picture(picture);
      if (step.name == "logged-in") break;
    }
  });
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  // The user's favourites (more than a page) and wrong answers on the server, so that their lists have rows.
  {
    std::ifstream in(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.manifest.json");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const core::Value manifest = JSONValue(text);
    core::Value wrong = core::Value::newArray();
    std::int64_t subject = 0;
    for (const core::Value& q : manifest["States"]["bank"]["Questions"].array()) {
      if (q["Bad"].toBool() || wrong.array().size() == 3) continue;
      if (subject == 0) subject = q["Subject"].toInt();
      if (q["Subject"].toInt() == subject)
        wrong.push_back(core::Dictionary{{"aid", q["AID"].toInt()}, {"count", 2}, {"days_ago", 0}});
    }
    for (const core::Value& doc :
         {core::Value(core::Dictionary{{"favourites", core::Dictionary{{"subject", subject}, {"count", 38}}}}),
          core::Value(core::Dictionary{{"wrong", wrong}})}) {
      core::Value seeded = doc.deepCopy();
      seeded.set("user", "user01");
      auto reply = road.server().request("POST", "/__test/seed", JSONRepresentation(seeded).value_or(""),
                                         {{"Content-Type", "application/json"}});
      ASSERT_TRUE(reply && reply->status == 200) << (reply ? reply->body : "no reply");
    }
  }

  // 2. Every registered screen.
  timed("registered screens", [&] {
    for (const std::string& id : allScreenIdentifiers()) {
      if (answeringScreens().count(id) || gallery.shown(id) || id == "updateSoftware") continue;
      bool fromList = false;
      for (const FromScreen& f : openedFromLists()) fromList |= f.id == id;
      if (fromList) continue;
      SCOPED_TRACE("screen " + id);
      gallery.home();
      if (id == "evenmore") {
        auto* panel = dynamic_cast<SidePanelController*>(road.app().sidePanelVC().get());
        ASSERT_NE(panel, nullptr);
        panel->showLeftPanel(false);
        road.settle();
        gallery.picture(id);
        panel->showCenterPanel(false);
        road.settle();
        continue;
      }
      if (id == "softUsingHelpContent") {
        // The help page the side menu's "关于软件" opens.
        auto* panel = dynamic_cast<SidePanelController*>(road.app().sidePanelVC().get());
        ASSERT_NE(panel, nullptr);
        panel->showLeftPanel(false);
        road.settle();
        ui::TableViewCell* about = road.row("关于软件");
        ASSERT_NE(about, nullptr) << road.describe();
        ASSERT_TRUE(road.click(*about));
        ASSERT_TRUE(road.waitFor([&] { return road.topName() == "SoftUsinghelpContentViewController"; }))
            << road.describe();
        ui::WebView* help = nullptr;
        EXPECT_TRUE(road.waitFor([&] {
          help = road.find<ui::WebView>();
          return help && road.evaluate(*help, "String(document.body && document.body.innerText.length > 0)") == "true";
        })) << "the help page shows nothing";
        road.settle();
        // Painted: the page's grey ground shows in the window.
        EXPECT_TRUE(road.waitFor([&] { return road.window().shot().at({160, 300}) != 0xFFFFFFFFu; }, 10))
            << "the help page is not painted";
        gallery.picture(id);
        continue;
      }
      if (!gallery.push(id)) continue;
      gallery.picture(id);
      for (const FromScreen& f : openedFromLists()) {
        if (f.parent != id) continue;
        if (gallery.openFirstRow(f.className)) {
          gallery.picture(f.id);
        } else {
          ADD_FAILURE() << "the first row of " << id << " does not open " << f.className << ":\n" << road.describe();
        }
      }
    }
  });

  // 3. The answering screen on each question type, in practice, exam and review.
  timed("answering screens", [&] {
    const std::pair<AnsweringMode, const char*> modes[] = {
        {AnsweringMode::Practice, "practice"}, {AnsweringMode::Exam, "exam"}, {AnsweringMode::Reading, "review"}};
    for (const TypeSample& type : questionTypes()) {
      const QuestionsArray questions = questionsOfType(type);
      ASSERT_FALSE(questions.empty()) << "the sample bank has no " << type.type;
      for (const auto& [mode, modeName] : modes) {
        const std::string name = std::string("examming-") + type.type + "-" + modeName;
        SCOPED_TRACE(name);
        gallery.home();
        ASSERT_TRUE(openAnswering(road, gallery, questions, mode)) << road.describe();
        gallery.picture(name);
      }
    }
  });
  // 4. The panels, sheets and alerts the screens open, as a person opens them.
  timed("panels", [&] {
    const QuestionsArray questions = questionsOfType(questionTypes()[0]);
    gallery.home();
    ASSERT_TRUE(openAnswering(road, gallery, questions, AnsweringMode::Practice)) << road.describe();
    auto openOptions = [&] {
      ui::Button* options = optionsButton(road);
      ASSERT_NE(options, nullptr) << road.describe();
      ASSERT_TRUE(road.click(*options));
      ASSERT_TRUE(road.waitFor([&] { return road.button(ExammingViewController::kCardTitle) != nullptr; }))
          << road.describe();
      road.settle();
    };
    openOptions();
    if (::testing::Test::HasFatalFailure()) return;
    gallery.picture("examming-options");
    ASSERT_TRUE(road.clickButton(ExammingViewController::kCardTitle));
    ASSERT_TRUE(road.waitFor([&] { return road.topName() == "QuestionCardViewController"; })) << road.describe();
    road.settle();
    gallery.picture("questionCard");
    ASSERT_TRUE(road.clickButton("返回"));
    ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ExammingViewController"; })) << road.describe();
    road.settle();
    openOptions();
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_TRUE(road.clickButton(ExammingViewController::kSettingTitle));
    ASSERT_TRUE(road.waitFor([&] { return road.topName() != "ExammingViewController"; })) << road.describe();
    road.settle();
    gallery.picture("softSetting-answering");
    road::backTo(road, "ExammingViewController");
    // The error report, from the button at the foot of a practice page.
    ui::Button* report = road.find<ui::Button>([](ui::Button& b) {
      auto image = b.currentImage();
      return image && image->name() == "ic_t_wrongredo";
    });
    ASSERT_NE(report, nullptr) << road.describe();
    ASSERT_TRUE(road.click(*report));
    ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ErrorFeedbackViewController"; })) << road.describe();
    road.settle();
    gallery.picture("errorFeedback");
    road::backTo(road, "ExammingViewController");
    // The notes of the question, with the sheet to write one.
    ui::WebView* page = road::pageOnShow(road);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(road.clickInPage(*page, "input[name='笔记']")) << "the page has no note tool";
    ASSERT_TRUE(road.waitFor([&] { return road.topName() == "AllNoteViewController"; }, 30)) << road.describe();
    road.settle();
    gallery.picture("allNote");

    // The page jump of a paged question list (the favourites: more than one page).
    gallery.home();
    gallery.push("myFavorites");
    ASSERT_TRUE(gallery.openFirstRow("MyFavoritesDetailViewController")) << road.describe();
    ui::Button* pages = road.find<ui::Button>([](ui::Button& b) {
      auto* bar = dynamic_cast<ui::BarButtonView*>(&b);
      return bar && bar->isEnabled() && bar->item() && bar->item()->title().find('/') != std::string::npos;
    });
    ASSERT_NE(pages, nullptr) << "no page jump on the favourites:\n" << road.describe();
    ASSERT_TRUE(road.click(*pages));
    ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
    road.settle();
    gallery.picture("alert-page-jump");
    ASSERT_TRUE(road.answerAlert(road.alert()->buttonTitleAtIndex(0)));

    // The logout question of the home screen (answered no: the user stays).
    gallery.home();
    ASSERT_TRUE(road.click(*road::homeScreen(road)->registButton()));
    ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
    road.settle();
    gallery.picture("alert-logout");
    ASSERT_TRUE(road.answerAlert(road.alert()->buttonTitleAtIndex(0)));

    // An exam handed in with a question unanswered: the question first, then the result over the exam.
    gallery.home();
    ASSERT_TRUE(openAnswering(road, gallery, questions, AnsweringMode::Exam)) << road.describe();
    ui::WebView* examPage = road::pageOnShow(road);
    ASSERT_NE(examPage, nullptr);
    ASSERT_TRUE(road.clickInPage(*examPage, "#radio_A")) << "the exam page has no choice A";
    road.settle();
    ui::Button* submit = road.find<ui::Button>([](ui::Button& b) {
      auto image = b.currentImage();
      return image && image->name() == "ic_t_submit";
    });
    ASSERT_NE(submit, nullptr) << road.describe();
    ASSERT_TRUE(road.click(*submit));
    ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
    road.settle();
    gallery.picture("alert-submit-confirm");
    ASSERT_TRUE(road.answerAlert("确定")) << road.alertText();
    ASSERT_TRUE(road.waitFor([&] { return road.button(TestResultViewController::kExitTitle) != nullptr; }))
        << road.describe();
    road.settle();
    gallery.picture("testResult");
    ASSERT_TRUE(road.clickButton(TestResultViewController::kExitTitle));
    road.settle();
    gallery.home();
    auto browser = std::dynamic_pointer_cast<ImageBrowserViewController>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("imageBrowser"));
    ASSERT_NE(browser, nullptr);
    // A picture of the bundle, through the pages' own scheme (pages read no file URLs).
    browser->setWebhtml("<html><body style=\"margin:0;background:#000\"><img src=\"" +
                        ui::PageResources::bundleBaseURL() +
                        "category_yiyao.png\" style=\"width:100%\"></body></html>");
    // Presented over the screen, as the answering screen presents it.
    gallery.homeNavigation()->presentViewController(browser, false);
    road.settle();
    ASSERT_NE(browser->imgWebView(), nullptr);
    EXPECT_TRUE(road.waitFor([&] {
      return road.evaluate(*browser->imgWebView(),
                           "String(document.images.length > 0 && document.images[0].naturalWidth > 0)") == "true";
    })) << "the browsed picture does not load";
    road.settle();
    gallery.picture("imageBrowser");
    road.click(road.visibleRect(*browser->imgWebView()).center());  // a tap closes it
    EXPECT_TRUE(road.waitFor([&] { return road.topScreen() != browser.get(); })) << road.describe();
    gallery.home();

    // The note sheet over the window, holding a note to edit.
    auto sheet = std::dynamic_pointer_cast<UpdateNoteViewController>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("updateNote"));
    ASSERT_NE(sheet, nullptr);
    sheet->setUnID(1);
    sheet->setAID(1003);
    sheet->setNoteStr("这道题要记住。");
    sheet->showOnWindow();
    road.settle();
    gallery.picture("updateNote");
  });

  // Every registered screen has its picture.
  for (const std::string& id : allScreenIdentifiers()) {
    bool has = gallery.shown(id);
    for (const auto& [step, picture] : firstStartPictures()) has |= picture.rfind(id + "-", 0) == 0 || picture == id;
    for (const TypeSample& type : questionTypes()) has |= id == "examming" && gallery.shown("examming-" + type.type + "-practice");
    EXPECT_TRUE(has) << "the gallery shows no picture of the screen " << id;
  }
  std::printf("gallery: pictures in %s\n", road.shotsDirectory().c_str());
}

}  // namespace
