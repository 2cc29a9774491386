#include "screens/common/QuestionRowCell.h"

#include <algorithm>

#include "app/VDHelper.h"
#include "ui/TextMeasurer.h"

QuestionRowCell::QuestionRowCell(const std::string& reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Subtitle, reuseIdentifier) {
  for (ui::Label* label : {textLabel(), detailTextLabel()}) {
    label->setNumberOfLines(0);
    label->setFont(ui::Font::system(kFontSize));
  }
  textLabel()->setTextColor(ui::Color::black());
  detailTextLabel()->setTextColor(ui::Color::rgb255(5, 105, 5));
}

double QuestionRowCell::rowHeight(const ui::TableView& table, const QuestionListRow& row) {
  const double width = table.bounds().width() - (table.isEditing() ? 60 : 20);
  return VDHelper::sizeForString(row.Title, width, kFontSize).height +
         VDHelper::sizeForString(answerLine(row), width, kFontSize).height + 10;
}

std::shared_ptr<QuestionRowCell> QuestionRowCell::dequeue(ui::TableView& table,
                                                          const std::string& identifier) {
  auto cell = std::dynamic_pointer_cast<QuestionRowCell>(table.dequeueReusableCellWithIdentifier(identifier));
  return cell ? cell : std::make_shared<QuestionRowCell>(identifier);
}

std::string QuestionRowCell::answerLine(const QuestionListRow& row) { return kAnswerPrefix + row.AnswerText; }

void QuestionRowCell::fill(const QuestionListRow& row) {
  textLabel()->setText(row.Title);
  detailTextLabel()->setText(answerLine(row));
  layoutSubviews();
}

void QuestionRowCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  const ui::Rect content = contentView().bounds();
  const double x = 10;
  const double width = std::max(0.0, content.width() - 2 * x);
  const ui::Font font = ui::Font::system(kFontSize);
  auto heightOf = [&](const std::string& text) {
    return text.empty() ? 0.0 : ui::sizeWithFont(text, font, {width, 100000}).height;
  };
  const double titleHeight = heightOf(textLabel()->text());
  const double answerHeight = heightOf(detailTextLabel()->text());
  const double top = std::max(0.0, (content.height() - titleHeight - answerHeight) / 2);
  textLabel()->setFrame({x, top, width, titleHeight});
  detailTextLabel()->setFrame({x, top + titleHeight, width, answerHeight});
}
