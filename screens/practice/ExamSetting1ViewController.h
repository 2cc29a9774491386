#pragma once
// ExamSetting1ViewController ("examSetting1"): the first step of a simulated exam, the subjects. Every
// child of a top-level node of the local chapter tree is a subject row {"subjectId": the child's "ID",
// "subjectName": "(<top Name>)<child Name>", "isChecked": 1 or 0}; rows start checked. A row tap toggles
// its check; "取消全选" unchecks every row (the button then reads "全选"), "全选" checks them all again.
// "下一步" with no row checked shows "您还没有选择科目，请您至少选择一项科目" and sends nothing; otherwise the
// checked ids, joined by "," in row order, ask the server for the subjects' question styles, and the
// second step ("examSetting2") opens with the rows and the styles.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/Chapter.h"
#include "service/SimulationExam.h"
#include "ui/Button.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class ExamSetting1ViewController : public ui::ViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate,
                                   public ChapterDelegate,
                                   public SimulationExamDelegate {
 public:
  static constexpr const char* kIdentifier = "examSetting1";
  static constexpr const char* kTitle = "模拟考试";
  static constexpr const char* kCellIdentifier = "SimpleTableIdentifier";
  static constexpr const char* kCheckAllTitle = "全选";
  static constexpr const char* kUncheckAllTitle = "取消全选";
  static constexpr const char* kNextTitle = "下一步";
  static constexpr const char* kNoSubjectMessage = "您还没有选择科目，请您至少选择一项科目";

  std::string className() const override { return "ExamSetting1ViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- operations ----
  void getNavigation();
  void didGetNavigation(bool ok, const core::Value& json) override;
  void cancelCheckAll();
  void nextSetting();
  void didGetSbjsStyle(bool ok, const core::Value& json) override;
  // Row height for a subject name: 60 when it is wider than 280 points in the 20-point system font,
  // else 44.
  static double rowHeightFor(const std::string& subjectName);

  // ---- state ----
  const core::Value& sbjArr() const { return sbjArr_; }
  int didDeselect() const { return didDeselect_; }
  ui::Button* btnSelect() const { return btnSelect_.get(); }
  ui::Button* btnNext() const { return btnNext_.get(); }
  ui::TableView* mytableview() const { return mytableview_.get(); }

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  std::shared_ptr<Chapter> getChapterBll();
  std::shared_ptr<SimulationExam> getSimulationExamBll();

  core::Value listData_;
  core::Value sbjArr_ = core::Value::newArray();
  int didDeselect_ = 0;
  std::shared_ptr<ui::Button> btnSelect_, btnNext_;
  std::shared_ptr<ui::TableView> mytableview_;
  std::shared_ptr<Chapter> chapterBll_;
  std::shared_ptr<SimulationExam> simulationExamBll_;
};
