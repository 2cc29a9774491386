#pragma once
// ExamSetting2ViewController ("examSetting2"): the second step of a simulated exam, how many questions
// of each style. One row per style of the chosen subjects (label tag 11: "Style1"; number field tag 12).
// A field takes digits only, at most two of them; the counts live in the screen, not in the cells.
// "开始考试" builds {"Key": "<StyleID>", "Value": count} for every style in order (an empty field counts
// 0); with no count above 0 it asks for counts, otherwise it posts the exam (ExamTestBuilder) with the
// checked subjects and opens the answering screen in exam mode. A failed request shows the reply's
// "Message", or the request-failure text when no reply came.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "exam/sets/ExamTestBuilder.h"
#include "platform/core/Value.h"
#include "ui/Button.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class ExamSetting2ViewController : public ui::ViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate,
                                   public ui::TextFieldDelegate {
 public:
  static constexpr const char* kIdentifier = "examSetting2";
  static constexpr const char* kTitle = "模拟考试";
  static constexpr const char* kCellIdentifier = "ExamSetting2TableViewCell";
  static constexpr int kStyleLabelTag = 11;
  static constexpr int kCountFieldTag = 12;
  static constexpr double kRowHeight = 50;
  static constexpr const char* kStartTitle = "开始考试";
  static constexpr const char* kPreviousTitle = "上一步";
  static constexpr const char* kNoCountMessage = "请您设置答题数量，填写完毕后进入考试！";
  static constexpr const char* kExamTitle = "模拟考试";

  std::string className() const override { return "ExamSetting2ViewController"; }

  // ---- launch properties ----
  const core::Value& sbjArr() const { return sbjArr_; }
  void setSbjArr(core::Value rows) { sbjArr_ = std::move(rows); }
  const core::Value& styleList() const { return styleList_; }
  void setStyleList(core::Value styles);

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- operations ----
  // The keyword entries of every style, from the counts typed.
  core::Value keywords() const;
  void startExam();
  void previous();
  // The count typed for a style's row ("" when none).
  const std::string& countAt(int row) const;

  ui::TableView* mytableview() const { return mytableview_.get(); }
  ui::Button* btnStart() const { return btnStart_.get(); }
  ui::Button* btnPrevious() const { return btnPrevious_.get(); }
  std::shared_ptr<ExamTestBuilder> examBuilder() const { return examBuilder_; }

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;

  // ---- count fields ----
  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  void textFieldDidBeginEditing(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

 private:
  int rowOf(const ui::TextField& field) const;
  void examBuilt(bool ok, const core::Value& reply, const std::optional<QuestionsArray>& questions);

  core::Value sbjArr_ = core::Value::newArray();
  core::Value styleList_ = core::Value::newArray();
  std::vector<std::string> counts_;
  std::map<const ui::TextField*, int> fieldRows_;
  std::shared_ptr<ui::TableView> mytableview_;
  std::shared_ptr<ui::Button> btnStart_, btnPrevious_;
  std::shared_ptr<ExamTestBuilder> examBuilder_;
};
