#pragma once
// StatisticsTableCell: one row of the learning statistics: the chapter's name, then the share of its
// questions done and the share of those answered right, in three columns.

#include <memory>
#include <string>

#include "ui/Label.h"
#include "ui/TableViewCell.h"

class StatisticsTableCell : public ui::TableViewCell {
 public:
  static constexpr const char* kIdentifier = "statisticsTableCell";
  // Where the two figures' columns begin, and their width.
  static constexpr double kFinishedX = 170;
  static constexpr double kRightX = 245;
  static constexpr double kFigureWidth = 70;

  StatisticsTableCell();
  std::string className() const override { return "StatisticsTableCell"; }

  ui::Label* labChapter() const { return labChapter_.get(); }
  ui::Label* labFinished() const { return labFinished_.get(); }
  ui::Label* labRightPercentage() const { return labRightPercentage_.get(); }
  // Shows a statistics row {"Name", "PastPercentage", "RightPercentage"}.
  void fill(const std::string& name, const std::string& finished, const std::string& right);

 protected:
  void layoutSubviews() override;

 private:
  std::shared_ptr<ui::Label> labChapter_;
  std::shared_ptr<ui::Label> labFinished_;
  std::shared_ptr<ui::Label> labRightPercentage_;
};
