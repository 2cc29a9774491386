#pragma once
// TestResultViewController ("testResult"): the result of a submitted run, shown over the whole window
// (its view is added on top of the application window, not pushed): how many questions were answered,
// how many right, the accuracy and a pass or fail picture ("testpass" from 60 % up, "testnopass"
// below). Its opener sets currentMode, chapterID, isChapterTest and the delegate before the view
// loads; the figures are counted, shown and stored in the chapter result file (ChapterResultFile) once,
// when the view loads.
//
// Figures over the delegate's questions: answered = state not 0, right = state 2, accuracy = right /
// answered x 100 (0 when nothing was answered). Labels: "本次答题数量 : %d题", "答对 : %d题",
// "正确率 : %.0f%%", "总题数 : %d题".
//
// Buttons: browse (in exam mode the delegate's resultBrowseClick, otherwise as exit) and exit (the
// delegate's resultViewExitClick). The delegate is held weakly (the opener keeps this screen).

#include <memory>
#include <string>

#include "exam/TestResultViewDelegate.h"
#include "model/AnsweringMode.h"
#include "platform/core/Value.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/ViewController.h"

class TestResultViewController : public ui::ViewController {
 public:
  static constexpr const char* kIdentifier = "testResult";
  static constexpr double kPassPercent = 60;
  static constexpr const char* kBrowseTitle = "查看答案";
  static constexpr const char* kExitTitle = "退出";

  std::string className() const override { return "TestResultViewController"; }

  // ---- set by the opener before the view loads ----
  void setDelegate(std::weak_ptr<TestResultViewDelegate> d) { delegate_ = std::move(d); }
  void setCurrentMode(AnsweringMode mode) { currentMode_ = mode; }
  void setChapterID(std::string id) { chapterID_ = std::move(id); }
  void setIsChapterTest(bool v) { isChapterTest_ = v; }
  AnsweringMode currentMode() const { return currentMode_; }
  const std::string& chapterID() const { return chapterID_; }
  bool isChapterTest() const { return isChapterTest_; }

  // The entry stored for this result (Nil before the view loads).
  const core::Value& resultDic() const { return resultDic_; }

  ui::ImageView* imageView() const { return imageView_.get(); }
  ui::View* accuracyView() const { return accuracyView_.get(); }
  ui::Label* lblYIDACount() const { return lblYIDACount_.get(); }
  ui::Label* lblDADUICount() const { return lblDADUICount_.get(); }
  ui::Label* lblPercent() const { return lblPercent_.get(); }
  ui::Label* lblTotalCount() const { return lblTotalCount_.get(); }
  ui::Button* browseButton() const { return browseButton_.get(); }
  ui::Button* exitButton() const { return exitButton_.get(); }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  bool shouldAutorotateToInterfaceOrientation(int orientation) const { return orientation == 1; }

  void newResultDic(int yidaResult, int daduiResult, double percent);
  void saveRecord();
  void browseClick();
  void exitClick();

 private:
  std::weak_ptr<TestResultViewDelegate> delegate_;
  AnsweringMode currentMode_ = AnsweringMode::Practice;
  std::string chapterID_;
  bool isChapterTest_ = false;
  core::Value resultDic_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ui::View> accuracyView_;
  std::shared_ptr<ui::Label> lblYIDACount_, lblDADUICount_, lblPercent_, lblTotalCount_;
  std::shared_ptr<ui::Button> browseButton_, exitButton_;
};
