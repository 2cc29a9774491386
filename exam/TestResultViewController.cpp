#include "exam/TestResultViewController.h"

#include <cstdio>

#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "exam/sets/ChapterResultFile.h"
#include "ui/Application.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"
#include "util/MD5Digest.h"

namespace {

std::string format(const char* pattern, double value) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string countText(const char* label, int count) {
  return std::string(label) + std::to_string(count) + "题";
}

std::shared_ptr<ui::Label> makeLabel(ui::View& parent, double y) {
  auto label = std::make_shared<ui::Label>(ui::Rect{20, y, 240, 24});
  label->setFont(ui::Font::system(16));
  label->setTextColor(ui::Color::white());
  label->setTextAlignment(ui::TextAlignment::Left);
  parent.addSubview(label);
  return label;
}

std::shared_ptr<ui::Button> makeButton(ui::View& parent, double x, const char* title) {
  auto button = std::make_shared<ui::Button>(ui::Rect{x, 240, 110, 36});
  button->setTitle(title);
  button->setTitleColor(ui::Color::white());
  button->setBackgroundColor(ui::Color::rgb255(0x2f, 0x80, 0xc8));
  parent.addSubview(button);
  return button;
}

}  // namespace

void TestResultViewController::loadView() {
  ui::Rect bounds{0, 0, 320, 480};
  if (ui::Application* app = ui::Application::current()) bounds = app->keyWindow().bounds();
  setView(std::make_shared<ui::View>(bounds));
  view().setBackgroundColor(ui::Color::gray(0, 0.5));

  accuracyView_ = std::make_shared<ui::View>(ui::Rect{20, (bounds.size.height - 300) / 2, 280, 300});
  accuracyView_->setBackgroundColor(ui::Color::gray(0, 0.7));
  view().addSubview(accuracyView_);
  imageView_ = std::make_shared<ui::ImageView>(ui::Rect{90, 16, 100, 80});
  accuracyView_->addSubview(imageView_);
  lblYIDACount_ = makeLabel(*accuracyView_, 110);
  lblDADUICount_ = makeLabel(*accuracyView_, 140);
  lblPercent_ = makeLabel(*accuracyView_, 170);
  lblTotalCount_ = makeLabel(*accuracyView_, 200);
  browseButton_ = makeButton(*accuracyView_, 20, kBrowseTitle);
  exitButton_ = makeButton(*accuracyView_, 150, kExitTitle);
  const auto weak = ui::weakScreen(*this);
  browseButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->browseClick();
  });
  exitButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->exitClick();
  });
}

void TestResultViewController::viewDidLoad() {
  int total = 0, answered = 0, right = 0;
  if (auto d = delegate_.lock()) {
    if (auto pager = d->testPager()) {
      for (const auto& q : pager->testArray()) {
        ++total;
        if (q->state != AnswerState::NotAnswered) ++answered;
        if (q->state == AnswerState::Right) ++right;
      }
    }
  }
  const double percent = answered > 0 ? static_cast<double>(right) / answered * 100 : 0;
  lblYIDACount_->setText(countText("本次答题数量 : ", answered));
  lblDADUICount_->setText(countText("答对 : ", right));
  lblPercent_->setText(format("正确率 : %.0f%%", percent));
  lblTotalCount_->setText(countText("总题数 : ", total));
  imageView_->setImage(ui::Image::create(percent >= kPassPercent ? "testpass" : "testnopass"));
  newResultDic(answered, right, percent);
  saveRecord();
}

void TestResultViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void TestResultViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void TestResultViewController::newResultDic(int yidaResult, int daduiResult, double percent) {
  core::Value session;
  if (Session* running = Session::current()) session = running->userSession();
  const std::optional<SessionUser> loggedIn = Session::currentUser();
  const std::string user = stringFromMD5(loggedIn ? loggedIn->userName : std::string()).value_or("");
  resultDic_ = ChapterResultFile::entry(chapterID_, user, session["appInfo"]["EName"].toString(), yidaResult,
                                        daduiResult, percent);
}

void TestResultViewController::saveRecord() {
  ChapterResultFile(ChapterResultFile::pathFor(VDHelper::recordSavePath(), isChapterTest_)).store(resultDic_);
}

void TestResultViewController::browseClick() {
  if (currentMode_ != AnsweringMode::Exam) {
    exitClick();
    return;
  }
  if (auto d = delegate_.lock()) d->resultBrowseClick();
}

void TestResultViewController::exitClick() {
  if (auto d = delegate_.lock()) d->resultViewExitClick();
}
