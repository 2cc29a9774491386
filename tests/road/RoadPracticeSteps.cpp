// The road's steps after the question found by search: a chapter practised on real question pages (a
// right and a wrong answer marked on the page, the explanation, an image full screen), a favourite kept
// with the page's star, the result, the favourite found again in the favourites, the wrong answer in the
// wrong-answer book, a note written on that question and read back in the user's notes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "exam/ExammingViewController.h"
#include "exam/TestResultViewController.h"
#include "model/Questions.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/notes/MyNoteViewController.h"
#include "screens/practice/SimulateExamsViewController.h"
#include "tests/road/RoadSteps.h"

namespace road {

namespace {

// The chapter practised: its first questions are single choices, the seventh carries a map wide enough
// to open full screen.
constexpr const char* kSubjectName = "人文常识";
constexpr const char* kChapter = "地理常识";
constexpr int kImageQuestion = 7;
constexpr const char* kImageName = "gk_map500.png";
// Typed key by key: plain letters, which the X server's keyboard map holds (characters outside it are
// typed through a remapped key, which a loaded machine can drop).
constexpr const char* kNote = "Xinjiang: about 1/6 of the land";

// Home functions, by tag.
constexpr int kChapterPractice = 1;
constexpr int kFavourites = 6;
constexpr int kWrongRedo = 7;
constexpr int kNotes = 13;

// The question screen's current question, or nullptr.
Questions* currentQuestion(Road& road) {
  ExammingViewController* screen = questionScreen(road);
  if (!screen || !screen->testPager()) return nullptr;
  return screen->testPager()->currentTest().get();
}

// Waits until the question screen shows question `number` (1-based) wholly on a loaded page, its heading
// "number/count、" on it; the page, or nullptr.
ui::WebView* waitForQuestion(Road& road, int number) {
  ui::WebView* shown = nullptr;
  road.waitFor([&] {
    ExammingViewController* screen = questionScreen(road);
    if (!screen || screen->loadNumber() != 0 || screen->currentIndex() != number - 1) return false;
    shown = pageOnShow(road);
    if (!shown) return false;
    const std::string heading = std::to_string(number) + "/" +
                                std::to_string(screen->testPager()->testArray().size()) + "、";
    return road.evaluate(*shown, "document.body.innerText").find(heading) != std::string::npos;
  }, 60);
  road.settle();
  return shown ? pageOnShow(road) : nullptr;
}

// The mark an option carries on the page: "right" (its tick shows), "wrong" (its cross shows) or "",
// followed by the colour of its text.
std::string markOf(Road& road, ui::WebView& page, const std::string& letter) {
  return road.evaluate(
      page, "(function(){function shows(n){var e=document.getElementsByName(n)[0];"
            "return e && getComputedStyle(e).display!='none';}"
            "var l=document.querySelector('label[for=\"radio_" + letter + "\"]');"
            "return (shows('right_" + letter + "')?'right':'')+(shows('wrong_" + letter + "')?'wrong':'')"
            "+' '+(l?getComputedStyle(l).color:'');})()");
}

// The explanation area's text when it shows on the page, else "".
std::string explanation(Road& road, ui::WebView& page) {
  return road.evaluate(page,
                       "(function(){var e=document.getElementById('Explain_Area');"
                       "return e && getComputedStyle(e).display!='none' ? e.innerText : '';})()");
}

// Answers the question on show by clicking its option's button on the page, and waits for the answer
// to be taken.
void answer(Road& road, ui::WebView& page, const std::string& letter) {
  Questions* question = currentQuestion(road);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(road.clickInPage(page, "#radio_" + letter)) << "no option " << letter << " on the page";
  ASSERT_TRUE(road.waitFor([&] { return question->state != AnswerState::NotAnswered; }))
      << "the click on option " << letter << " was not taken";
  road.settle();
}

// How many pixels of the page's place in the window are of a colour (a predicate over red, green, blue).
int pixelsOn(Road& road, ui::WebView& page, const std::function<bool(int, int, int)>& colour) {
  const gtktest::Shot picture = road.window().shot();
  const ui::Rect rect = road.visibleRect(page);
  int n = 0;
  for (double y = rect.minY(); y < rect.maxY(); ++y)
    for (double x = rect.minX(); x < rect.maxX(); ++x) {
      const std::uint32_t p = picture.at({x, y});
      if (colour(gtktest::channel(p, 0), gtktest::channel(p, 1), gtktest::channel(p, 2))) ++n;
    }
  return n;
}

// WebKit paints on its own time: waits until the window shows the marks the page holds.
bool showsGreenMark(Road& road, ui::WebView& page) {
  return road.waitFor([&] {
    return pixelsOn(road, page, [](int r, int g, int b) { return g > 80 && r < 90 && b < 110 && g > r + 40; }) > 40;
  }, 20);
}
bool showsRedMark(Road& road, ui::WebView& page) {
  return road.waitFor([&] {
    return pixelsOn(road, page, [](int r, int g, int b) { return r > 200 && g < 80 && b < 80; }) > 40;
  }, 20);
}

// Clicks one of the tools in the row at the page's end (favourite, note, mark, redo), once the page's
// end key has scrolled them clear of the screen's page buttons (a click on the page's blank left margin
// first gives the page the keys).
void clickPageTool(Road& road, ui::WebView& page, const std::string& name) {
  const ui::Rect shows = road.visibleRect(page);
  road.click({shows.minX() + 3, shows.midY()});
  road.settle();
  road.window().key("End");
  ASSERT_TRUE(road.waitFor([&] {
    return road.evaluate(page, "String(window.scrollY+window.innerHeight>=document.body.scrollHeight-1)") == "true";
  })) << "the page does not scroll to its end";
  road.settle();
  ASSERT_TRUE(road.clickInPage(page, "input[name='" + name + "']")) << "the page has no tool " << name;
}

std::string wrongLetter(const Questions& q) { return q.Answer == "A" ? "B" : "A"; }

// The group's instructions lie over the first question of a group; a click beside their box takes
// them away.
void dismissInstructions(Road& road) {
  ExammingViewController* screen = questionScreen(road);
  ASSERT_NE(screen, nullptr);
  if (!screen->styleHud()) return;
  road.click({160, 450});
  ASSERT_TRUE(road.waitFor([&] { return screen->styleHud() == nullptr; })) << road.describe();
}

void next(Road& road) {
  ExammingViewController* screen = questionScreen(road);
  ASSERT_NE(screen, nullptr);
  const int from = screen->currentIndex();
  ASSERT_TRUE(road.click(*screen->nextButton()));
  ASSERT_TRUE(road.waitFor([&] { return screen->currentIndex() == from + 1; })) << road.describe();
  ASSERT_NE(waitForQuestion(road, from + 2), nullptr) << "question " << from + 2 << " did not show";
  dismissInstructions(road);
}

// ---- a chapter practised ----

void chapterList(Road& road) {
  openFunction(road, kChapterPractice, "SimulateExamsViewController");
  if (::testing::Test::HasFatalFailure()) return;
  road.settle();
  auto* hub = dynamic_cast<SimulateExamsViewController*>(road.topScreen());
  ASSERT_NE(hub, nullptr);
  ASSERT_TRUE(road.click(*hub->btnChapterPratice()));
  for (const char* level : {"常识综合", kSubjectName}) {
    ASSERT_TRUE(road.waitFor([&] { return road.row(level) != nullptr; })) << level << "\n" << road.describe();
    road.settle();
    ASSERT_TRUE(road.clickRow(level));
  }
  ASSERT_TRUE(road.waitFor([&] { return road.row(kChapter) != nullptr; })) << road.describe();
  road.settle();
  EXPECT_NE(road.label("共22题"), nullptr) << "the chapter's row does not count its questions:\n" << road.describe();
}

void rightAnswer(Road& road) {
  ASSERT_TRUE(road.clickRow(kChapter));
  ASSERT_TRUE(road.waitFor([&] { return questionScreen(road) != nullptr; }, 30)) << road.describe();
  ExammingViewController* screen = questionScreen(road);
  EXPECT_EQ(screen->currentMode(), AnsweringMode::Practice);
  ui::WebView* page = waitForQuestion(road, 1);
  ASSERT_NE(page, nullptr) << "the chapter's first question did not show:\n" << road.describe();
  dismissInstructions(road);
  const Questions& q = *currentQuestion(road);
  ASSERT_EQ(q.type, "ATEST");
  answer(road, *page, q.Answer);
  EXPECT_EQ(q.state, AnswerState::Right);
  EXPECT_EQ(markOf(road, *page, q.Answer), "right rgb(0, 102, 0)") << "the right answer is not marked green";
  EXPECT_NE(explanation(road, *page).find("(答对了)"), std::string::npos) << explanation(road, *page);
  EXPECT_TRUE(showsGreenMark(road, *page)) << "the window shows no green mark on the page";
}

void wrongAnswer(Road& road) {
  next(road);
  if (::testing::Test::HasFatalFailure()) return;
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  const Questions& q = *currentQuestion(road);
  ASSERT_EQ(q.type, "ATEST");
  const std::string wrong = wrongLetter(q);
  answer(road, *page, wrong);
  EXPECT_EQ(q.state, AnswerState::Wrong);
  EXPECT_EQ(markOf(road, *page, wrong), "wrong rgb(255, 0, 0)") << "the wrong answer is not marked red";
  EXPECT_EQ(markOf(road, *page, q.Answer), "right rgb(0, 102, 0)") << "the right answer is not shown";
  // The explanation: what was chosen, the right answer, and the reasoning.
  const std::string explained = explanation(road, *page);
  EXPECT_NE(explained.find("您的选择 :" + wrong + " (答错了)"), std::string::npos) << explained;
  EXPECT_NE(explained.find("正确答案: " + q.Answer), std::string::npos) << explained;
  EXPECT_NE(explained.find("解题思路: " + q.Explain), std::string::npos) << explained;
  // The explanation is under the options: the page scrolls it into the window.
  // (by the bar's height at least, which it takes away with it)
  road.evaluate(*page, "(function(){var r=document.getElementById('Explain_Area').getBoundingClientRect();"
                       "window.scrollBy(0, Math.max(r.bottom-window.innerHeight+8, 48));})()");
  EXPECT_TRUE(road.waitFor([&] {
    return road.evaluate(*page, "(function(){var r=document.getElementById('Explain_Area')"
                                ".getBoundingClientRect();return r.top>=0&&r.bottom<=window.innerHeight?'in':'out';})()") == "in";
  })) << "the explanation does not come into the window";
  EXPECT_TRUE(showsRedMark(road, *page)) << "the window shows no red mark on the page";
  EXPECT_TRUE(showsGreenMark(road, *page)) << "the window shows no green mark on the page";
}

void imageFullScreen(Road& road) {
  for (int n = 3; n <= kImageQuestion; ++n) {
    next(road);
    if (::testing::Test::HasFatalFailure()) return;
  }
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(road.clickInPage(*page, std::string("img[name='") + kImageName + "']"))
      << "the question shows no map:\n" << road.evaluate(*page, "document.body.innerHTML");
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ImageBrowserViewController"; })) << road.describe();
  ui::WebView* viewer = nullptr;
  ASSERT_TRUE(road.waitFor([&] {
    viewer = road.find<ui::WebView>([&](ui::WebView& w) { return road.visibleRect(w).width() >= 320; });
    return viewer && road.evaluate(*viewer, "(function(){var i=document.images[0];"
                                            "return i&&i.complete?String(i.naturalWidth):'';})()") == "500";
  }, 20)) << "the map did not open full screen";
  // The map's greens in the window.
  EXPECT_TRUE(road.waitFor([&] {
    return pixelsOn(road, *viewer, [](int r, int g, int b) {
      return std::abs(r - 70) < 40 && std::abs(g - 130) < 40 && std::abs(b - 90) < 40;
    }) > 2000;
  }, 20)) << "the window does not show the map";
  road.settle();
}

void favouriteKept(Road& road) {
  // One tap on the viewer closes it.
  road.click({160, 240});
  ASSERT_TRUE(road.waitFor([&] { return questionScreen(road) != nullptr; })) << road.describe();
  ui::WebView* page = waitForQuestion(road, kImageQuestion);
  ASSERT_NE(page, nullptr);
  Questions* q = currentQuestion(road);
  ASSERT_FALSE(q->IsFav);
  ASSERT_TRUE(road.clickInPage(*page, "#fav"));
  ASSERT_TRUE(road.waitFor([&] { return q->IsFav; }, 20)) << "the star kept nothing:\n" << road.describe();
  EXPECT_TRUE(road.waitFor([&] {
    return road.evaluate(*page, "document.getElementById('fav').getAttribute('src')") == "ic_t_fav_true.png";
  })) << "the page's star did not fill";
  EXPECT_TRUE(road.waitFor([&] { return road.label(ExammingViewController::kFavAdded) != nullptr; }))
      << "no word that the favourite was kept";
  road.settle();
}

void practiceResult(Road& road) {
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  // The page's mark button ends the practice; the questions left unanswered are confirmed away.
  clickPageTool(road, *page, "批阅");
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
  EXPECT_NE(road.alertText().find(ExammingViewController::kConfirmTitle), std::string::npos) << road.alertText();
  ASSERT_TRUE(road.answerAlert("确定")) << road.alertText();
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "TestResultViewController"; })) << road.describe();
  road.settle();
  auto* result = dynamic_cast<TestResultViewController*>(road.topScreen());
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->lblYIDACount()->text(), "本次答题数量 : 2题");
  EXPECT_EQ(result->lblDADUICount()->text(), "答对 : 1题");
  EXPECT_EQ(result->lblPercent()->text(), "正确率 : 50%");
}

// ---- review ----

void favourites(Road& road) {
  auto* result = dynamic_cast<TestResultViewController*>(road.topScreen());
  ASSERT_NE(result, nullptr);
  ASSERT_TRUE(road.click(*result->exitButton()));
  // Back on the chapter's level, which shows the practice's result on its row.
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ChaptListViewController"; }, 30)) << road.describe();
  road.settle();
  EXPECT_TRUE(road.waitFor([&] { return road.labelContaining("答对：1题，正确率：50%") != nullptr; }))
      << road.describe();
  openFunction(road, kFavourites, "MyFavoriteViewController");
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(road.waitFor([&] { return road.row(kSubjectName) != nullptr; }, 30)) << road.describe();
  road.settle();
  EXPECT_NE(road.label("共1题"), nullptr) << road.describe();
}

void favouriteFound(Road& road) {
  ASSERT_TRUE(road.clickRow(kSubjectName));
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "MyFavoritesDetailViewController"; })) << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.labelContaining("我国地势的总体特征") != nullptr; }, 30))
      << "the kept question is not among the favourites:\n" << road.describe();
  road.settle();
}

void wrongBook(Road& road) {
  openFunction(road, kWrongRedo, "ErrorRedoViewController");
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(road.waitFor([&] { return road.row(kSubjectName) != nullptr; }, 30)) << road.describe();
  road.settle();
  EXPECT_NE(road.label("共1题"), nullptr) << road.describe();
}

void wrongBookDetail(Road& road) {
  ASSERT_TRUE(road.clickRow(kSubjectName));
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ErrorRedoDetailViewController"; })) << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.labelContaining("我国面积最大的省级行政区") != nullptr; }, 30))
      << "the wrong answer is not in the wrong-answer book:\n" << road.describe();
  road.settle();
}

// ---- a note ----

void noteTyped(Road& road) {
  // The wrong question, opened from the book, offers its notes on its page.
  ui::Label* title = road.labelContaining("我国面积最大的省级行政区");
  ASSERT_NE(title, nullptr);
  ASSERT_TRUE(road.click(*title));
  ASSERT_TRUE(road.waitFor([&] { return questionScreen(road) != nullptr; }, 30)) << road.describe();
  ui::WebView* page = waitForQuestion(road, 1);
  ASSERT_NE(page, nullptr) << road.describe();
  dismissInstructions(road);
  clickPageTool(road, *page, "笔记");
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "AllNoteViewController"; }, 30)) << road.describe();
  road.settle();
  ui::TextView* text = nullptr;
  ASSERT_TRUE(road.waitFor([&] { return (text = road.find<ui::TextView>()) != nullptr; })) << road.describe();
  ASSERT_TRUE(road.typeInto(*text, kNote)) << "the note holds \"" << text->text() << "\"";
}

void noteAdded(Road& road) {
  ASSERT_TRUE(road.clickButton(MyNoteViewController::kAddTitle)) << road.describe();
  EXPECT_TRUE(road.waitFor([&] { return road.label(MyNoteViewController::kAddedToast) != nullptr; }, 30))
      << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.label(kNote) != nullptr; }, 30))
      << "the question's notes do not show the note:\n" << road.describe();
  road.settle();
}

void myNotes(Road& road) {
  openFunction(road, kNotes, "MainNoteViewController", 30);
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(road.waitFor([&] { return road.labelContaining(kNote) != nullptr; }, 30))
      << "my notes do not list the note:\n" << road.describe();
  road.settle();
}

}  // namespace

std::vector<RoadStep> practiceSteps() {
  return {
      // A chapter practised on its real pages.
      {"chapter-list", chapterList},
      {"practice-right", rightAnswer},
      {"practice-wrong", wrongAnswer},
      {"practice-image", imageFullScreen},
      {"favourite-kept", favouriteKept},
      {"practice-result", practiceResult},
      // What the practice left: the favourite, the wrong answer.
      {"favourites", favourites},
      {"favourite-found", favouriteFound},
      {"wrong-book", wrongBook},
      {"wrong-book-detail", wrongBookDetail},
      // A note on the wrong question, read back in the user's notes.
      {"note-typed", noteTyped},
      {"note-added", noteAdded},
      {"my-notes", myNotes},
  };
}

}  // namespace road
