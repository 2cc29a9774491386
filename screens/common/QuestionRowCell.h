#pragma once
// QuestionRowCell: the row of a question in the review lists: the question's title in black over
// "答案：" and its answer written out in green (red 5, green 105, blue 5), both in the 14-point system
// font on as many lines as they need, stacked at the heights they measure within the row's width.

#include <memory>
#include <string>

#include "exam/sets/QuestionListRow.h"
#include "ui/TableView.h"
#include "ui/TableViewCell.h"

class QuestionRowCell : public ui::TableViewCell {
 public:
  static constexpr double kFontSize = 14;
  static constexpr const char* kAnswerPrefix = "答案：";

  explicit QuestionRowCell(const std::string& reuseIdentifier);
  std::string className() const override { return "QuestionRowCell"; }

  // A cell from the table's pool under `identifier`, or a new one.
  static std::shared_ptr<QuestionRowCell> dequeue(ui::TableView& table, const std::string& identifier);
  void fill(const QuestionListRow& row);

  // "答案：" followed by the answer text.
  static std::string answerLine(const QuestionListRow& row);
  // The height the row takes in `table`: title and answer line as they measure within the table's width
  // less 20 points (60 while it edits, for the selection circles), and 10 points more.
  static double rowHeight(const ui::TableView& table, const QuestionListRow& row);

 protected:
  void layoutSubviews() override;
};
