// The road's study steps: the question page's settings as a reader changes them (a larger font and the
// night colours, checked on the page WebKit draws), a simulated exam from its two settings screens through
// real question pages to the submission and its result, then the learning history and the statistics,
// whose figures are those of the answers the road gave.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <utility>

#include "exam/ExammingViewController.h"
#include "exam/TestResultViewController.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "model/AnswerState.h"
#include "model/Questions.h"
#include "model/TestPager.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/practice/ExamSetting1ViewController.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "screens/records/LearningRecordViewController.h"
#include "screens/records/StatisticsTableCell.h"
#include "screens/records/StatisticsViewController.h"
#include "screens/settings/FontSizeViewController.h"
#include "screens/settings/SettingViewController.h"
#include "tests/road/RoadSteps.h"
#include "ui/BarButtonItem.h"
#include "ui/ImageView.h"
#include "ui/Switch.h"

namespace road {

namespace {

// The home screen's functions the study steps use.
constexpr int kRandomPractice = 4;
constexpr int kSimulatedExam = 2;
constexpr int kLearningRecords = 8;
constexpr int kStatistics = 11;

// The chosen size and its pixels on the page; the night page's background.
constexpr const char* kLargeFont = "特大";
constexpr const char* kLargeFontPixels = "24px";
constexpr const char* kNightBackground = "rgb(26, 33, 49)";
constexpr std::uint32_t kNightBackgroundPixel = 0x1A2131FF;

// The exam the road sets: three single-choice questions.
constexpr const char* kSingleChoiceStyle = "单项选择题";
constexpr int kExamQuestions = 3;

// What one step leaves for the later ones.
struct StudyState {
  std::string dayFontSize;  // the question text's size before the reader chose one
  int examRight = 0, examAnswered = 0;
};

// ---- the answering screen ----

// The answering screen on show with every page loaded and no move under way.
bool answeringSettled(Road& road) {
  ExammingViewController* screen = questionScreen(road);
  return screen && screen->loadNumber() == 0 && screen->scrollSlide() == 0 && pageOnShow(road) &&
         screen->view().isUserInteractionEnabled();
}

// Waits for the answering screen's pages and takes away the group instructions that lie over the first
// question of a group (a click beside their box).
void answeringReady(Road& road) {
  ASSERT_TRUE(road.waitFor([&] { return answeringSettled(road); }, 60))
      << "the question pages did not load:\n" << road.describe();
  road.settle();
  if (questionScreen(road)->styleHud()) {
    road.click({160, 450});
    ASSERT_TRUE(road.waitFor([&] { return !questionScreen(road)->styleHud(); })) << road.describe();
  }
  road.settle();
}

std::string computed(Road& road, ui::WebView& page, const std::string& selector, const std::string& property) {
  return road.evaluate(page, "getComputedStyle(document.querySelector('" + selector + "'))." + property);
}

// The options button of the answering screen's bar (the one with a picture, not a title).
ui::Button* optionsButton(Road& road) {
  return road.find<ui::Button>([](ui::Button& b) {
    auto* bar = dynamic_cast<ui::BarButtonView*>(&b);
    return bar && bar->item() && bar->item()->image() && bar->item()->title().empty();
  });
}

// A finger's tap on what the selector finds in the page: where it shows when it shows whole, else after
// bringing it into view (Road::clickInPage). A page scrolled without need would take the bar with it.
bool tapInPage(Road& road, ui::WebView& page, const std::string& selector) {
  const std::string box = road.evaluate(
      page, "(function(){var e=document.querySelector(\"" + selector +
                "\"); if(!e) return ''; var r=e.getBoundingClientRect();"
                " return r.x+','+r.y+','+r.width+','+r.height+','+innerHeight;})()");
  double x = 0, y = 0, w = 0, h = 0, viewport = 0;
  if (std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf,%lf", &x, &y, &w, &h, &viewport) != 5) return false;
  const ui::Rect shows = road.visibleRect(page);
  const ui::Rect frame = gtktest::WindowSession::frameOf(page);
  // A little left of the middle of the element.
  const ui::Point centre{frame.minX() + x + w * 0.35, frame.minY() + y + h / 2};
  if (y >= 0 && y + h <= viewport && shows.contains(centre)) {
    road.click(centre);
    return true;
  }
  return road.clickInPage(page, selector);
}

// The question on show is the n-th (from 1) of the set, by what its page says ("n/count、").
bool pageShowsQuestion(Road& road, int n, int count) {
  ui::WebView* page = pageOnShow(road);
  if (!page) return false;
  const std::string number = std::to_string(n) + "/" + std::to_string(count) + "、";
  return road.evaluate(*page, "document.getElementById('MainTitle_Area').innerText").find(number) !=
         std::string::npos;
}

// ---- 1. the page's font size and night colours ----

void answeringOptions(Road& road, StudyState& state) {
  backTo(road, "MainInterfaceViewController1");
  clickFunction(road, kRandomPractice);
  answeringReady(road);
  if (::testing::Test::HasFatalFailure()) return;
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  // The day page: white, in the page's own size.
  EXPECT_EQ(computed(road, *page, ".TestBody", "backgroundColor"), "rgb(255, 255, 255)");
  state.dayFontSize = computed(road, *page, "#MainTitle_Area", "fontSize");
  EXPECT_NE(state.dayFontSize, kLargeFontPixels);

  ui::Button* options = optionsButton(road);
  ASSERT_NE(options, nullptr) << road.describe();
  ASSERT_TRUE(road.click(*options));
  ExammingViewController* screen = questionScreen(road);
  ASSERT_TRUE(road.waitFor([&] { return !screen->isMoreViewHidden(); })) << road.describe();
  EXPECT_FALSE(road.visibleRect(*screen->btnCard()).isEmpty());
  EXPECT_FALSE(road.visibleRect(*screen->btnSetting()).isEmpty());
}

void answeringSettings(Road& road) {
  ASSERT_TRUE(road.clickButton(ExammingViewController::kSettingTitle)) << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "SettingViewController"; })) << road.describe();
  road.settle();
  auto* settings = dynamic_cast<SettingViewController*>(road.topScreen());
  ASSERT_NE(settings, nullptr);
  // From a question: size, screen light, night mode and the reset, nothing else.
  EXPECT_EQ(settings->tableView()->numberOfRowsInSection(0), 4);
  EXPECT_NE(road.label("字体大小"), nullptr) << road.describe();
  EXPECT_NE(road.label("夜间模式"), nullptr);
  EXPECT_NE(road.label("恢复默认设置"), nullptr);
  EXPECT_EQ(road.label("更新题库"), nullptr) << "the bank update is not offered from a question";
  EXPECT_NE(road.label("当前字体大小为：中号（默认）"), nullptr) << road.describe();
  EXPECT_NE(road.label("当前设置：白天"), nullptr);
  EXPECT_FALSE(settings->switchNightMode()->isOn());
}

void fontSize(Road& road) {
  ASSERT_TRUE(road.clickRow("字体大小"));
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "FontSizeViewController"; })) << road.describe();
  road.settle();
  ASSERT_TRUE(road.clickRow(kLargeFont)) << road.describe();
  ASSERT_TRUE(road.waitFor([&] {
    ui::TableViewCell* chosen = road.row(kLargeFont);
    return chosen && chosen->accessoryType() == ui::TableViewCellAccessoryType::Checkmark;
  })) << "the chosen size is not checked";
  // One size is checked, the one chosen.
  for (const char* other : {"小号", "中号", "大号", "超大"}) {
    ui::TableViewCell* row = road.row(other);
    ASSERT_NE(row, nullptr) << other;
    EXPECT_EQ(row->accessoryType(), ui::TableViewCellAccessoryType::None) << other;
  }
}

void nightMode(Road& road) {
  ASSERT_TRUE(road.back());
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "SettingViewController"; })) << road.describe();
  road.settle();
  auto* settings = dynamic_cast<SettingViewController*>(road.topScreen());
  ASSERT_NE(settings, nullptr);
  EXPECT_NE(road.label(std::string(SettingViewController::kFontLabelPrefix) + kLargeFont), nullptr)
      << road.describe();
  ASSERT_TRUE(road.click(*settings->switchNightMode()));
  ASSERT_TRUE(road.waitFor([&] { return settings->switchNightMode()->isOn(); })) << "the switch did not turn on";
  EXPECT_NE(road.label("当前设置：夜间"), nullptr) << road.describe();
}

void nightPage(Road& road, StudyState& state) {
  ASSERT_TRUE(road.back());
  // Leaving the settings rebuilds the pages at the same question, in the new style.
  ASSERT_TRUE(road.waitFor([&] { return questionScreen(road) != nullptr; })) << road.describe();
  answeringReady(road);
  if (::testing::Test::HasFatalFailure()) return;
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(computed(road, *page, ".TestBody", "backgroundColor"), kNightBackground);
  EXPECT_EQ(computed(road, *page, "#MainTitle_Area", "fontSize"), kLargeFontPixels)
      << "the page's text was " << state.dayFontSize << " before";
  // As drawn: the page is dark, with the question's text on it.
  const ui::Rect area = road.visibleRect(*page);
  EXPECT_TRUE(road.waitFor([&] {
    const gtktest::Shot shot = road.window().shot();
    return gtktest::near(shot.at({area.midX(), area.maxY() - 90}), kNightBackgroundPixel, 12) &&
           shot.inkIn(area, kNightBackgroundPixel) > 500;
  }, 20)) << "the window does not show the night page";
}

// ---- 2. a simulated exam ----

void examSubjects(Road& road) {
  backTo(road, "MainInterfaceViewController1");
  clickFunction(road, kSimulatedExam);
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ExamSetting1ViewController" || road.alert(); }))
      << road.describe();
  // An earlier exam left unfinished is offered again; this road sets a new one.
  if (road.alert()) {
    ASSERT_TRUE(road.answerAlert("否")) << road.alertText();
  }
  ASSERT_TRUE(road.waitFor([&] {
    auto* subjects = dynamic_cast<ExamSetting1ViewController*>(road.topScreen());
    return subjects && subjects->sbjArr().size() > 0;
  }, 30)) << road.describe();
  road.settle();
  auto* subjects = dynamic_cast<ExamSetting1ViewController*>(road.topScreen());
  // Every subject of the bank, "(part)subject", checked.
  for (const core::Value& row : subjects->sbjArr().array()) {
    EXPECT_EQ(row["subjectName"].toString().rfind("(", 0), 0u) << row["subjectName"].toString();
    EXPECT_EQ(row["isChecked"].toInt(), 1) << row["subjectName"].toString();
  }
  ui::TableViewCell* first = road.row(subjects->sbjArr()[0]["subjectName"].toString());
  ASSERT_NE(first, nullptr) << road.describe();
  EXPECT_EQ(first->accessoryType(), ui::TableViewCellAccessoryType::Checkmark);
  EXPECT_EQ(subjects->btnSelect()->currentTitle(), ExamSetting1ViewController::kUncheckAllTitle);
}

void examStyles(Road& road) {
  ASSERT_TRUE(road.clickButton(ExamSetting1ViewController::kNextTitle)) << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ExamSetting2ViewController"; }, 30)) << road.describe();
  road.settle();
  ui::TableViewCell* single = road.row(kSingleChoiceStyle);
  ASSERT_NE(single, nullptr) << road.describe();
  auto* count = dynamic_cast<ui::TextField*>(single->viewWithTag(ExamSetting2ViewController::kCountFieldTag));
  ASSERT_NE(count, nullptr);
  ASSERT_TRUE(road.typeInto(*count, std::to_string(kExamQuestions))) << "the count holds \"" << count->text() << "\"";
  // Two digits at most: a third is refused.
  road.window().type("5");
  road.settle();
  EXPECT_EQ(count->text(), std::to_string(kExamQuestions) + "5");
  road.window().type("7");
  road.settle();
  EXPECT_EQ(count->text(), std::to_string(kExamQuestions) + "5") << "a third digit was taken";
  road.window().key("BackSpace");
  ASSERT_TRUE(road.waitFor([&] { return count->text() == std::to_string(kExamQuestions); }));
}

// Clicks an option of the question on show, on its page, and waits for the answer to be taken.
void answerOnPage(Road& road, const std::string& letter) {
  ExammingViewController* exam = questionScreen(road);
  ASSERT_NE(exam, nullptr);
  const std::shared_ptr<Questions> question = exam->testPager()->currentTest();
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(tapInPage(road, *page, "#radio_" + letter)) << "no option " << letter << " on the page";
  ASSERT_TRUE(road.waitFor([&] { return question->state != AnswerState::NotAnswered; }))
      << "the click on option " << letter << " was not taken";
  EXPECT_EQ(question->reply, letter);
  EXPECT_EQ(road.evaluate(*page, "document.getElementById('radio_" + letter + "').checked"), "true");
  // As drawn: the chosen option's button is filled with the accent blue (WebKit paints on its own time).
  const std::string box = road.evaluate(*page,
                                        "(function(){var r=document.getElementById('radio_" + letter +
                                            "').getBoundingClientRect(); return r.x+','+r.y+','+r.width+','+r.height;})()");
  double x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h), 4) << box;
  const ui::Rect frame = gtktest::WindowSession::frameOf(*page);
  const ui::Rect button{frame.minX() + x, frame.minY() + y, w, h};
  EXPECT_TRUE(road.waitFor([&] {
    const gtktest::Shot shot = road.window().shot();
    int blue = 0;
    for (double py = button.minY(); py < button.maxY(); ++py)
      for (double px = button.minX(); px < button.maxX(); ++px) {
        const std::uint32_t c = shot.at({px, py});
        if (gtktest::channel(c, 2) > gtktest::channel(c, 0) + 80) ++blue;
      }
    return blue >= 8;
  }, 10)) << "the window does not show option " << letter << " chosen";
}

std::string wrongLetter(const Questions& q) { return q.Answer == "A" ? "B" : "A"; }

void nextQuestion(Road& road, int n) {
  ExammingViewController* exam = questionScreen(road);
  ASSERT_NE(exam, nullptr);
  ASSERT_TRUE(road.click(*exam->nextButton()));
  ASSERT_TRUE(road.waitFor([&] { return exam->currentIndex() == n - 1 && answeringSettled(road); }, 30))
      << "the next button did not move to question " << n << ":\n" << road.describe();
  road.settle();
  EXPECT_TRUE(pageShowsQuestion(road, n, kExamQuestions)) << "the page on show is not question " << n;
}

void examQuestion(Road& road, StudyState& state) {
  ASSERT_TRUE(road.clickButton(ExamSetting2ViewController::kStartTitle)) << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return questionScreen(road) != nullptr; }, 30)) << road.describe();
  answeringReady(road);
  if (::testing::Test::HasFatalFailure()) return;
  ExammingViewController* exam = questionScreen(road);
  EXPECT_EQ(exam->currentMode(), AnsweringMode::Exam);
  EXPECT_EQ(exam->title(), "模拟考试");
  ASSERT_EQ(exam->testPager()->testArray().size(), static_cast<std::size_t>(kExamQuestions));
  for (const auto& q : exam->testPager()->testArray()) ASSERT_EQ(q->type, "ATEST");
  EXPECT_TRUE(pageShowsQuestion(road, 1, kExamQuestions));
  // The reader's settings hold on every page, in every run.
  ui::WebView* page = pageOnShow(road);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(computed(road, *page, ".TestBody", "backgroundColor"), kNightBackground);
  EXPECT_EQ(computed(road, *page, "#MainTitle_Area", "fontSize"), kLargeFontPixels);
  // An exam shows no explanation when a question is answered: the first one right.
  answerOnPage(road, exam->testPager()->currentTest()->Answer);
  EXPECT_EQ(exam->testPager()->testArray()[0]->state, AnswerState::Right);
  EXPECT_EQ(road.evaluate(*pageOnShow(road), "document.getElementById('Explain_Area').offsetHeight > 0"), "false");
  state.examAnswered = 1;
  state.examRight = 1;
}

void examLastQuestion(Road& road, StudyState& state) {
  nextQuestion(road, 2);
  if (::testing::Test::HasFatalFailure()) return;
  ExammingViewController* exam = questionScreen(road);
  answerOnPage(road, wrongLetter(*exam->testPager()->currentTest()));
  EXPECT_EQ(exam->testPager()->testArray()[1]->state, AnswerState::Wrong);
  state.examAnswered = 2;
  // The last question is left unanswered; its page has the submit button.
  nextQuestion(road, 3);
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(road.evaluate(*pageOnShow(road), "document.querySelector(\"input[value='批阅']\") != null"), "true");
}

void examSubmitConfirm(Road& road) {
  ASSERT_TRUE(tapInPage(road, *pageOnShow(road), "input[value='批阅']"));
  ASSERT_TRUE(road.waitFor([&] { return road.alert() != nullptr; })) << road.describe();
  road.settle();
  EXPECT_NE(road.alertText().find(ExammingViewController::kConfirmTitle), std::string::npos) << road.alertText();
  EXPECT_NE(road.alertText().find("您还有1题未作答，请在题卡中查看这些题目，强制交卷请按确定"), std::string::npos)
      << road.alertText();
}

void examResult(Road& road, StudyState& state) {
  const long journalBefore = [&] {
    const core::Value j = JSONValue(road.server().journal().value_or("{}"));
    return static_cast<long>(j["last"].toInt());
  }();
  ASSERT_TRUE(road.answerAlert("确定")) << road.alertText();
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "TestResultViewController"; })) << road.describe();
  road.settle();
  auto* result = dynamic_cast<TestResultViewController*>(road.topScreen());
  ASSERT_NE(result, nullptr);
  char percent[32];
  std::snprintf(percent, sizeof percent, "正确率 : %.0f%%", 100.0 * state.examRight / state.examAnswered);
  EXPECT_NE(road.label("本次答题数量 : " + std::to_string(state.examAnswered) + "题"), nullptr) << road.describe();
  EXPECT_NE(road.label("答对 : " + std::to_string(state.examRight) + "题"), nullptr);
  EXPECT_NE(road.label(percent), nullptr) << percent;
  EXPECT_NE(road.label("总题数 : " + std::to_string(kExamQuestions) + "题"), nullptr);
  ASSERT_NE(result->imageView()->image(), nullptr);
  EXPECT_EQ(result->imageView()->image()->name(), "testnopass") << "50% does not pass";
  EXPECT_NE(road.button(TestResultViewController::kExitTitle), nullptr);

  // The exam reaches the server as one reply log of the two answers.
  core::Value log;
  ASSERT_TRUE(road.waitFor([&] {
    const core::Value j = JSONValue(road.server().journal(journalBefore).value_or("{}"));
    for (const core::Value& r : j["requests"].array())
      if (r["decoded_path"].toString().find("/replylog") != std::string::npos && r["status"].toInt() == 200)
        log = JSONValue(r["body"].toString());
    return log.isDictionary();
  }, 30)) << "no reply log was sent";
  EXPECT_EQ(log["TestNum"].toString(), std::to_string(state.examAnswered));
  EXPECT_EQ(log["RightTestNum"].toString(), std::to_string(state.examRight));
  EXPECT_EQ(log["ReplyLogArr"].size(), static_cast<std::size_t>(state.examAnswered));
}

// ---- 3. the learning history and the statistics ----

void learningRecords(Road& road) {
  // The result's exit leaves the exam.
  ASSERT_TRUE(road.clickButton(TestResultViewController::kExitTitle)) << road.describe();
  ASSERT_TRUE(road.waitFor([&] { return road.topName() == "ExamSetting2ViewController"; })) << road.describe();
  road.settle();
  openFunction(road, kLearningRecords, "LearningRecordViewController");
  if (::testing::Test::HasFatalFailure()) return;
  road.settle();
  auto* records = dynamic_cast<LearningRecordViewController*>(road.topScreen());
  ASSERT_NE(records, nullptr);
  EXPECT_TRUE(records->nullRecordView()->isHidden());
  // The exam just submitted, newest first, with the time it was kept.
  ui::TableViewCell* newest = records->learningRecordTableView()->cellForRowAtIndexPath({0, 0});
  ASSERT_NE(newest, nullptr) << road.describe();
  EXPECT_EQ(newest->textLabel()->text(), "【测验模式】 模拟考试");
  EXPECT_TRUE(std::regex_match(newest->detailTextLabel()->text(),
                               std::regex("[0-9]{4}年[0-9]{2}月[0-9]{2}日 [0-9]{2}:[0-9]{2}:[0-9]{2}")))
      << newest->detailTextLabel()->text();
}

std::string percentText(long part, long whole) {
  const float value = part == 0 || whole == 0 ? 0.0f : static_cast<float>(part) / static_cast<float>(whole) * 100.0f;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", static_cast<double>(value));
  return text;
}

// The server's statistics reply for the logged-in user, asked with the application's own session.
core::Value statisticsReply(Road& road) {
  std::string session;
  for (const HTTPCookie& c : HTTPRequest::sessionCookies())
    if (c.name == "VDSID") session = c.name + "=" + c.value;
  if (session.empty()) return {};
  const auto reply = road.server().request("GET", "/api/1.0/json/sys/Statistics/GKSample", "", {{"Cookie", session}});
  return reply ? JSONValue(reply->body)["Body"] : core::Value();
}

void statistics(Road& road) {
  backTo(road, "MainInterfaceViewController1");
  clickFunction(road, kStatistics);
  ASSERT_TRUE(road.waitFor([&] { return road.find<StatisticsTableCell>() != nullptr || road.alert(); }, 30))
      << road.describe();
  road.settle();
  ASSERT_EQ(road.alert(), nullptr) << road.alertText();
  ASSERT_EQ(road.topName(), "StatisticsViewController");

  // What the server has of the road's answers: every question answered on the road, the exam's among them.
  const auto state = road.server().request("GET", "/__test/state?user=user01");
  ASSERT_TRUE(state.has_value());
  const core::Value answers = JSONValue(state->body)["answers"];
  ASSERT_TRUE(answers.isArray());
  long done = 0, right = 0;
  for (const core::Value& a : answers.array()) {
    ++done;
    if (a["right"].toBool()) ++right;
  }
  EXPECT_GE(done, 2) << "the exam's two answers are not on the server";
  const core::Value chapters = statisticsReply(road);
  ASSERT_TRUE(chapters.isArray() && chapters.size() > 0) << "no statistics for the road's user";
  long total = 0, chaptersDone = 0;
  for (const core::Value& c : chapters.array()) {
    total += c["TestNum"].toInt();
    chaptersDone += c["PastNum"].toInt();
  }
  EXPECT_EQ(chaptersDone, done) << "the chapters' counts are not the road's answers";

  // The screen: the first chapter, then the whole ("总进度": the road's answers over the bank, the right
  // ones over those answered), then the other chapters.
  auto rowOf = [&](const std::string& name) {
    return road.find<StatisticsTableCell>([&](StatisticsTableCell& c) { return c.labChapter()->text() == name; });
  };
  StatisticsTableCell* whole = rowOf(StatisticsViewController::kTotalRow);
  ASSERT_NE(whole, nullptr) << road.describe();
  EXPECT_EQ(whole->labFinished()->text(), percentText(done, total));
  EXPECT_EQ(whole->labRightPercentage()->text(), percentText(right, done));
  StatisticsTableCell* first = rowOf(chapters[0]["Name"].toString());
  ASSERT_NE(first, nullptr) << road.describe();
  EXPECT_LT(first->frame().minY(), whole->frame().minY()) << "the whole is not the second row";
  // A chapter the road answered in shows what it did there.
  for (const core::Value& c : chapters.array()) {
    StatisticsTableCell* row = rowOf(c["Name"].toString());
    if (!row) continue;  // below the fold
    EXPECT_EQ(row->labFinished()->text(), percentText(c["PastNum"].toInt(), c["TestNum"].toInt()))
        << c["Name"].toString();
    EXPECT_EQ(row->labRightPercentage()->text(), percentText(c["RightNum"].toInt(), c["PastNum"].toInt()))
        << c["Name"].toString();
  }
}

}  // namespace

std::vector<RoadStep> studySteps() {
  auto state = std::make_shared<StudyState>();
  return {
      // The question page as the reader sets it: random practice, the answering screen's options, its
      // settings, a larger font, the night colours, and the page drawn again in them.
      {"answering-options", [state](Road& r) { answeringOptions(r, *state); }},
      {"answering-settings", answeringSettings},
      {"font-size", fontSize},
      {"night-mode", nightMode},
      {"night-large-font", [state](Road& r) { nightPage(r, *state); }},
      // A simulated exam: the subjects, the styles and counts, its questions answered on their pages,
      // the submission with a question left, the result.
      {"exam-subjects", examSubjects},
      {"exam-styles", examStyles},
      {"exam-question", [state](Road& r) { examQuestion(r, *state); }},
      {"exam-last-question", [state](Road& r) { examLastQuestion(r, *state); }},
      {"exam-submit-confirm", examSubmitConfirm},
      {"exam-result", [state](Road& r) { examResult(r, *state); }},
      // The learning history with the exam in it, and the statistics of the road's answers.
      {"learning-records", learningRecords},
      {"statistics", statistics},
  };
}

}  // namespace road
