#pragma once
// QuestionCardViewController ("questionCard"): the answer card the answering screen presents modally.
// One numbered button per question, grouped by the question's style (one table section per style, in
// the order the styles first appear; a style's questions stay together even when the set scatters
// them), coloured by answer state: in exam mode answered questions (right or wrong) are all blue, so the
// card does not tell; otherwise right green, wrong red, the rest white. The current question's number
// is black, the others light grey. A button's number is the question's place in the whole set (from 1),
// under any filter.
//
// Filters (a segmented control): practice and reading "全部(n)", "答错(n)", "未答(n)"; exam "全部(n)",
// "未答(n)" (no wrong answers during an exam; the hint above the table shows outside exam mode only).
// A filter with no question shows no groups.
//
// Layout of a group's row: columns = (table width - 10) / 62, truncated; question k of the group at
// column k mod columns, line k / columns: x = column x 62 + 10, y = line x 62 + 10, 52 x 52. Row height
// ((count - 1) / columns) x 62 + 72. A group's header (44 high) shows its style on a stretched label
// image, with a line to the right.
//
// A tap on a number jumps the answering screen there (skipTestWithIndex) and dismisses the card. The
// lists are taken once, when the card loads. Main thread only.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "exam/QuestionCardHost.h"
#include "model/Questions.h"
#include "ui/Button.h"
#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/View.h"
#include "ui/ViewController.h"

class QuestionCardViewController : public ui::ViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "questionCard";
  static constexpr const char* kAll = "全部";
  static constexpr const char* kWrong = "答错";
  static constexpr const char* kNotDone = "未答";
  static constexpr double kCell = 62;
  static constexpr double kButton = 52;
  static constexpr double kHeaderHeight = 44;

  std::string className() const override { return "QuestionCardViewController"; }

  // The answering screen that presents the card (held weakly).
  void setExamVC(std::shared_ptr<QuestionCardHost> examVC) { examVC_ = std::move(examVC); }
  std::shared_ptr<QuestionCardHost> examVC() const { return examVC_.lock(); }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // Appends the question to the list under its style in `dict`.
  static void configQuestion(const std::shared_ptr<Questions>& test,
                             std::map<std::string, QuestionsArray>& dict);
  // The distinct styles of the questions, in order of first appearance.
  static std::vector<std::string> getArrSection(const QuestionsArray& tests);
  void setSegmented(int all, int wrong, int notDone);
  void segSwitch();   // trainSegmented: all, wrong, not answered
  void segSwitch2();  // testSegmented: all, not answered
  // "答错", "未答" or anything else (all).
  void showQuestions(const std::string& filter);
  void toExamVC(const ui::Button& button);
  void backClick();

  ui::SegmentedControl* trainSegmented() const { return trainSegmented_.get(); }
  ui::SegmentedControl* testSegmented() const { return testSegmented_.get(); }
  ui::TableView* contentTableVC() const { return contentTableVC_.get(); }
  ui::View* hintView() const { return hintView_.get(); }
  const std::vector<std::string>& arrSection() const { return arrSection_; }
  const QuestionsArray& allQuestions() const { return allQuestions_; }
  const QuestionsArray& wrongQuestions() const { return wrongQuestions_; }
  const QuestionsArray& notDoneQuestions() const { return notDoneQuestions_; }
  // The number of button columns for a width.
  static int columns(double width);
  static double rowHeight(int count, int columns);
  // The background image of a question's button.
  static std::string buttonImage(bool examMode, AnswerState state);

  // ---- table ----
  int numberOfSectionsInTableView(ui::TableView& tableView) override;
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  double heightForHeaderInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::View> viewForHeaderInSection(ui::TableView& tableView, int section) override;

 private:
  const QuestionsArray& sectionQuestions(int section) const;
  bool examMode() const;

  std::weak_ptr<QuestionCardHost> examVC_;
  std::shared_ptr<ui::SegmentedControl> trainSegmented_, testSegmented_;
  std::shared_ptr<ui::TableView> contentTableVC_;
  std::shared_ptr<ui::View> hintView_;
  QuestionsArray allQuestions_, wrongQuestions_, notDoneQuestions_;
  std::map<std::string, QuestionsArray> dictAllTest_, dictWrongTest_, dictNotTest_;
  std::vector<std::string> arrSection_;
  const std::map<std::string, QuestionsArray>* dictDataSource_ = &dictAllTest_;
};
