// ExammingViewController: submission, the reply log and the learning records.
#include <cstdio>

#include "app/AppShell.h"
#include "app/Session.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/ExammingViewController.h"
#include "exam/TestResultViewController.h"
#include "exam/sets/LastLearningRecordFile.h"
#include "exam/sets/LearningRecordFile.h"
#include "exam/sets/ReplyLogRequest.h"
#include "model/FunctionModule.h"
#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/runloop/RunLoop.h"
#include "service/SimulationExam.h"
#include "ui/Application.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

std::string unansweredMessage(int count) {
  return "您还有" + std::to_string(count) + "题未作答，请在题卡中查看这些题目，强制交卷请按确定";
}

}  // namespace

std::string ExammingViewController::userName() const {
  const Session* session = Session::current();
  return session ? session->userName() : std::string();
}

void ExammingViewController::markClick(ui::Control* sender) {
  if (sender && currentMode_ != AnsweringMode::Exam) {
    errorFeedback();
    return;
  }
  markClick();
}

void ExammingViewController::markClick() {
  int unanswered = 0;
  for (const auto& test : tests())
    if (test->state == AnswerState::NotAnswered) ++unanswered;
  const auto weak = ui::weakScreen(*this);
  if (unanswered == testCount()) {
    std::make_shared<UIAlertViewBlock>(core::Bundle::main().localizedString("alertTitle"), kNothingAnswered,
                                       nullptr, "确定", std::vector<std::string>{})
        ->show();
    return;
  }
  if (unanswered == 0) {
    markExamPapers(false);
    delectLastLearningRecord();
    return;
  }
  std::make_shared<UIAlertViewBlock>(
      kConfirmTitle, unansweredMessage(unanswered),
      [weak](bool, int buttonIndex) {
        auto self = weak.lock();
        if (!self || buttonIndex != 1) return;
        self->isMoreViewHidden_ = false;
        self->hiddenMoreView();
        if (self->isAllow_) self->saveToLearningRecord();
        self->markExamPapers(false);
        self->delectLastLearningRecord();
      },
      "取消", std::vector<std::string>{"确定"})
      ->show();
}

void ExammingViewController::markExamPapers(bool onlyCurrent) {
  if (!onlyCurrent) {
    testResultVC_ = std::dynamic_pointer_cast<TestResultViewController>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
            TestResultViewController::kIdentifier));
    if (testResultVC_) {
      testResultVC_->setCurrentMode(currentMode_);
      testResultVC_->setChapterID(chapterID_);
      testResultVC_->setIsChapterTest(isChapterTest_);
      testResultVC_->setDelegate(weakAs<TestResultViewDelegate>());
      if (ui::Application* app = ui::Application::current())
        app->keyWindow().addFrontView(testResultVC_->view().shared_from_this());
    }
    if (currentMode_ != AnsweringMode::Exam) return;
  }
  if (userName().empty()) return;
  // The log is written from copies taken here; only the post runs on a worker.
  ReplyLogRequest::Run run;
  run.caption = getCaption();
  run.chapterID = chapterID_;
  run.now = VDHelper::now();
  run.startTime = core::Date{run.now.secondsSince1970 - (rl::RunLoop::main().now() - startTime_)};
  run.testKind = getFunctionModule();
  run.originalMode = originalMode_;
  run.redoMode = redoMode_;
  auto request = std::make_shared<ReplyLogRequest>(
      tests(), onlyCurrent && testPager_ ? testPager_->currentTest() : nullptr, run);
  if (!request->anyAnswered()) return;
  examBll_ = std::make_shared<SimulationExam>();
  request->send(examBll_);
}

int ExammingViewController::getFunctionModule() const {
  return reportedFunctionModule(functionState_ ? static_cast<int>(*functionState_) : 0);
}

std::string ExammingViewController::getCaption() const {
  if (functionState_ == FunctionModule::ChapterPractice) return chapterName_;
  return chapterName_ + "[" + core::DateFormatter("yyyy-MM-dd HH:mm").format(VDHelper::now()) + "]";
}

bool ExammingViewController::replyIsEmpty() const {
  if (currentMode_ == AnsweringMode::Reading) return false;
  for (const auto& test : tests())
    if (!test->reply.empty()) return true;
  return false;
}

void ExammingViewController::resultBrowseClick() {
  if (testResultVC_) testResultVC_->view().removeFromSuperview();
  changeExamMode(AnsweringMode::Reading, false);
}

void ExammingViewController::resultViewExitClick() {
  loadNumber_ = 0;
  isAllow_ = true;
  if (testResultVC_) testResultVC_->view().removeFromSuperview();
  if (auto* nav = navigationController()) nav->popViewController(true);
}

core::Value ExammingViewController::createDicLearningRecord() {
  std::shared_ptr<Questions> current = testPager_ ? testPager_->currentTest() : nullptr;
  chapterCurrentID_ = current ? current->AllTestID : std::string();
  return LearningRecordFile::record(currentMode_, chapterName_, VDHelper::now(), tests(), current,
                                    testsJSON_);
}

void ExammingViewController::saveToLearningRecord() {
  const auto path = LearningRecordFile::pathFor(VDHelper::learningRecordSavePath(), userName());
  if (!path || !replyIsEmpty()) return;
  const core::Value record = createDicLearningRecord();
  LearningRecordFile(*path).store(VDHelper::getSubjectEName(), record);
}

void ExammingViewController::saveToLastLearningRecord() {
  if (currentMode_ == AnsweringMode::Reading || unSaveRecord_) return;
  const auto path = LearningRecordFile::pathFor(VDHelper::lastLearningRecordSavePath(), userName());
  if (!path) return;
  AppShell* app = AppShell::current();
  // Written off the main thread; a newer save replaces one still waiting (the home screen reads what
  // waits through LastLearningRecordFile::read).
  LastLearningRecordFile(*path).save(VDHelper::getSubjectEName(), createDicLearningRecord(),
                                     app ? app->currentModule() : 0);
}

void ExammingViewController::delectLastLearningRecord() {
  if (const auto path = LearningRecordFile::pathFor(VDHelper::lastLearningRecordSavePath(), userName()))
    LastLearningRecordFile(*path).discard();
}

bool ExammingViewController::fileIsExists(const std::string& path) { return core::Paths::fileExists(path); }
