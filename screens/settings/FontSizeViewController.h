#pragma once
// FontSizeViewController: the choice of the question text size (screen identifier "fontSizeSetting",
// title "字体大小"), pushed by the settings screen. One section of five rows, one per size word
// ("小号", "中号", "大号", "特大", "超大"; reuse identifiers "row0" .. "row4").
//
// The current size is read from the settings screen's font label: the two characters that follow
// "当前字体大小为：". A row whose text begins with them carries the check mark. Choosing a row sets that
// label to "当前字体大小为：" and the row's text (without "（默认）", even for "中号"), stores the text
// under "fontSize" and redraws the list; the screen stays open.

#include <memory>
#include <string>

#include "ui/TableView.h"
#include "ui/ViewController.h"

class FontSizeSettingOwner;

class FontSizeViewController : public ui::ViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "fontSizeSetting";

  std::string className() const override { return "FontSizeViewController"; }

  void setSetting(std::weak_ptr<FontSizeSettingOwner> setting) { setting_ = std::move(setting); }

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  ui::TableView* tableView() const { return tableView_.get(); }

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  // The two characters after the prefix of the settings screen's font label ("" without one).
  std::string currentSize() const;

  std::weak_ptr<FontSizeSettingOwner> setting_;
  std::shared_ptr<ui::TableView> tableView_;
};
