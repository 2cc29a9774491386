#pragma once
// ErrorRedoViewController ("errorRedoList"): the wrong-answer book of the chosen bank counted in three
// groupings, chosen with a segmented control: by subject ("按科目显示"), by age ("遗忘曲线": today, within
// three days, within a week, older) and by error frequency ("出错频率": three times or more, twice,
// once). Each row shows the grouping's title and count ("共%@题"); a row with a count of 0 opens
// nothing and shows the toast "<title>错题数为0"; any other opens its questions ("errorRedoDetail").
//
// Every appearance asks for all three groupings again (under the waiting overlay) and, once all three
// have answered, shows the grouping last chosen. Choosing a failed grouping asks for it again. A grouping
// fails when no reply came, its "Body" is null, the subject list is empty or the age or frequency counts add
// up to 0 (an empty book: the hint), or when its "Body" is not a list of records within kMaxRows (a reply
// of the wrong shape: the hint label says what went wrong, ReplyCheck::failureMessage). A failed grouping
// shows the hint in place of the rows while the segmented control stays, so the other groupings can still
// be chosen.

#include <array>
#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/common/WrongAnswerGrouping.h"
#include "service/ApiClientSupport.h"
#include "service/WrongRedo.h"
#include "ui/Label.h"
#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class ProgressHUD;

class ErrorRedoViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public WrongRedoDelegate,
                                public WrongAnswerGrouping {
 public:
  static constexpr const char* kIdentifier = "errorRedoList";
  static constexpr const char* kTitle = "错题重做";
  static constexpr const char* kHint = "暂时没有错题记录";
  static constexpr double kToastDuration = 1.3;
  // The most rows a grouping's reply may hold (the clients' limit, service/ApiClientSupport.h).
  static constexpr std::size_t kMaxRows = apiclient::kMaxListEntries;

  // The groupings, their names (kBySubject, kByTime, kByNumber) and their rows (groupingRows) are
  // WrongAnswerGrouping's.

  std::string className() const override { return "ErrorRedoViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  ui::TableView* redoTableView() const { return redoTableView_.get(); }
  ui::SegmentedControl* segmentedControl() const { return segmentedControl_.get(); }
  ui::Label* hideLabel() const { return hideLabel_.get(); }
  const std::string& redoCategory() const { return redoCategory_; }
  const core::Value& redoArray() const { return redoArray_; }

  void segSwitch();

  void didSubjectInfoList(bool ok, const core::Value& json) override;
  void didGetListToTime(bool ok, const core::Value& json) override;
  void didGetListToErrorCount(bool ok, const core::Value& json) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void request(Grouping grouping);
  // A grouping's reply has been taken in: once none is outstanding, the overlay goes and
  // showWhenAnswered_ shows.
  void answered(Grouping grouping);
  bool succeeded(Grouping grouping) const;
  void showGrouping(Grouping grouping);
  void showHint(Grouping grouping);
  // "" for a usable reply; else what the hint says: kHint for an empty book, else what went wrong.
  static std::string failureText(bool usable, const core::Value& json);
  void showWaiting();
  void hideWaiting();
  void toast(const std::string& text);
  std::shared_ptr<WrongRedo> newClient();

  std::shared_ptr<ui::TableView> redoTableView_;
  std::shared_ptr<ui::SegmentedControl> segmentedControl_;
  std::shared_ptr<ui::Label> hideLabel_;
  std::shared_ptr<WrongRedo> wrongRedoBll_;
  // The outstanding request of each grouping (null once it has answered).
  std::array<std::shared_ptr<WrongRedo>, 3> requests_;
  Grouping showWhenAnswered_ = BySubject;
  std::shared_ptr<ProgressHUD> hudView_;
  std::string softName_;
  core::Value bySubjectList_ = core::Value::newArray();
  core::Value byTimeList_ = core::Value::newArray();
  core::Value byNumberList_ = core::Value::newArray();
  core::Value redoArray_ = core::Value::newArray();
  std::string redoCategory_ = kBySubject;
  bool bySubjectListIsSuccess_ = false;
  bool byTimeListIsSuccess_ = false;
  bool byNumberListIsSuccess_ = false;
  std::array<std::string, 3> failureTexts_;
};
