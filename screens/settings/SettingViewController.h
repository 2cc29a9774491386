#pragma once
// SettingViewController: the settings list (screen identifier "softSetting"). The user picks the
// question text size, keeps the screen lit while answering, switches the question pages to night
// colours, restores these three to their defaults, starts a question-bank update and looks at the data
// traffic. The values live in the user defaults (app/SettingDefaults.h).
//
// Two lists, one section each:
//   opened from the "more" menu (isTest NO), 6 rows: 0 font size (pushes "fontSizeSetting"),
//     1 screen light (its switch acts), 2 night mode (its switch acts), 3 bank update (updateDB),
//     4 reset (initialSystemSetting), 5 traffic (pushes "netCounter");
//   opened from the answering screen (isTest YES), 4 rows: the first three, then 3 reset.
//
// The answering screen is told of the change only when the user leaves this screen: on its way out,
// with a delegate, refreshView and then enableScreenLight with the switch's state. Going to a child
// screen (font size, traffic) and back tells it nothing.
//
// The switches write the defaults without saving them, the reset saves at once; what is left unsaved
// is saved when the screen goes away (nothing else would save it before the application ends).

#include <memory>
#include <string>

#include "exam/AnsweringSettingsScreen.h"
#include "screens/settings/FontSizeSettingOwner.h"
#include "ui/Label.h"
#include "ui/Switch.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SettingViewController : public ui::ViewController,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate,
                              public AnsweringSettingsScreen,
                              public FontSizeSettingOwner {
 public:
  static constexpr const char* kIdentifier = "softSetting";
  // kFontLabelPrefix ("当前字体大小为：") is FontSizeSettingOwner's.
  static constexpr double kRowHeight = 60;

  std::string className() const override { return "SettingViewController"; }

  // ---- AnsweringSettingsScreen ----
  void setDelegate(std::weak_ptr<AnsweringSettingsDelegate> delegate) override { delegate_ = std::move(delegate); }
  void setIsTest(bool isTest) override { isTest_ = isTest; }
  bool isTest() const { return isTest_; }
  bool isToExam() const { return isToExam_; }
  void setIsToExam(bool v) { isToExam_ = v; }

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- actions ----
  void enableScreenLight();  // the screen-light switch changed
  void enableNightMode();    // the night-mode switch changed
  void initialSystemSetting();
  void updateDB();

  // ---- views (nullptr before the view is loaded) ----
  ui::Label* lblScreenLight() const { return lblScreenLight_.get(); }
  ui::Switch* switchScreenLight() const { return switchScreenLight_.get(); }
  ui::Label* lblFontSize() const override { return lblFontSize_.get(); }
  ui::Label* lblNightMode() const { return lblNightMode_.get(); }
  ui::Switch* switchNightMode() const { return switchNightMode_.get(); }
  ui::View* chongzuoView() const { return chongzuoView_.get(); }
  ui::Label* hfLabel() const { return hfLabel_.get(); }
  ui::TableView* tableView() const { return tableView_.get(); }

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  enum class Row { FontSize, ScreenLight, NightMode, UpdateDB, Reset, Traffic };
  Row rowAt(int index) const;
  void pushChild(const char* identifier);
  void loadSettings();
  std::shared_ptr<ui::TableViewCell> makeCell(const std::string& identifier, const std::string& title,
                                              std::shared_ptr<ui::Label> detail);

  std::weak_ptr<AnsweringSettingsDelegate> delegate_;
  bool isTest_ = false;
  bool isToExam_ = false;

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Label> lblScreenLight_;
  std::shared_ptr<ui::Switch> switchScreenLight_;
  std::shared_ptr<ui::Label> lblFontSize_;
  std::shared_ptr<ui::Label> lblNightMode_;
  std::shared_ptr<ui::Switch> switchNightMode_;
  std::shared_ptr<ui::View> chongzuoView_;
  std::shared_ptr<ui::Label> hfLabel_;
  // The fixed cells of the list (rows are static, made once with the view).
  // Row 3 holds both the bank update (chongzuoView) and the reset title (hfLabel); one shows by mode.
  std::shared_ptr<ui::TableViewCell> fontCell_, lightCell_, nightCell_, row3Cell_, resetCell_, trafficCell_;
};
