#include "screens/records/StatisticsTableCell.h"

StatisticsTableCell::StatisticsTableCell()
    : ui::TableViewCell(ui::TableViewCellStyle::Default, kIdentifier),
      labChapter_(std::make_shared<ui::Label>()),
      labFinished_(std::make_shared<ui::Label>()),
      labRightPercentage_(std::make_shared<ui::Label>()) {
  setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  labChapter_->setFont(ui::Font::system(15));
  labChapter_->setNumberOfLines(2);
  for (ui::Label* figure : {labFinished_.get(), labRightPercentage_.get()}) {
    figure->setFont(ui::Font::system(15));
    figure->setTextAlignment(ui::TextAlignment::Center);
  }
  labRightPercentage_->setTextColor(ui::Color::rgb255(5, 105, 5));
  contentView().addSubview(labChapter_);
  contentView().addSubview(labFinished_);
  contentView().addSubview(labRightPercentage_);
}

void StatisticsTableCell::fill(const std::string& name, const std::string& finished, const std::string& right) {
  labChapter_->setText(name);
  labFinished_->setText(finished);
  labRightPercentage_->setText(right);
  layoutSubviews();
}

void StatisticsTableCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  const double height = contentView().bounds().height();
  labChapter_->setFrame({10, 0, kFinishedX - 15, height});
  labFinished_->setFrame({kFinishedX, 0, kFigureWidth, height});
  labRightPercentage_->setFrame({kRightX, 0, kFigureWidth, height});
}
