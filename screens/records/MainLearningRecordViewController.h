#pragma once
// MainLearningRecordViewController: three tabs over one list: the wrong-answer book's three views
// (tab 1), the subjects holding favourites with their counts (tab 2) and the learning records (tab 3,
// as LearningRecordViewController shows them). The tab buttons carry their tab numbers as tags; the
// chosen one shows white with a blue title and takes no touches. Every appearance shows the tab chosen
// last (the wrong-answer book at first). A tab without rows shows the "nothing here" label instead of
// the list; the favourites tab asks the server (offline: the network alert, nothing asked) and shows
// the favourites of its own reply only, never rows of another tab.
//
// Rows: a wrong-answer view asks the server for its grouping (the list is not shown anywhere yet); a
// subject opens its favourites ("myFavoritesDetail"); a record reopens its run in the answering screen
// (a run whose questions have all left the bank: the "nodataMessage" toast).

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/MyFavorite.h"
#include "service/WrongRedo.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class MainLearningRecordViewController : public ui::ViewController,
                                         public ui::TableViewDataSource,
                                         public ui::TableViewDelegate,
                                         public MyFavoriteDelegate,
                                         public WrongRedoDelegate {
 public:
  enum RecordType { WrongAnswers = 1, Favourites = 2, LearningRecords = 3 };
  static constexpr const char* kTitle = "学习记录";
  static constexpr const char* kCellIdentifier = "recordCell";
  static constexpr const char* kNothingHere = "暂无记录";

  std::string className() const override { return "MainLearningRecordViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  int currentRecordType() const { return currentRecordType_; }
  const core::Value& recordArray() const { return recordArray_; }
  const std::string& softName() const { return softName_; }
  const std::string& selectType() const { return selectType_; }
  ui::View* btnView() const { return btnView_.get(); }
  ui::Button* redoBtn() const { return redoBtn_.get(); }
  ui::Button* myFavBtn() const { return myFavBtn_.get(); }
  ui::Button* learnRecoBtn() const { return learnRecoBtn_.get(); }
  ui::TableView* recordTableView() const { return recordTableView_.get(); }
  ui::Label* nilLabel() const { return nilLabel_.get(); }

  // A tab button's action (nullptr: the tab chosen last again).
  void selectRecord(ui::Button* sender);

  void didFavourInfo(bool ok, const core::Value& json) override;
  void didSubjectInfoList(bool ok, const core::Value& json) override;
  void didGetListToTime(bool ok, const core::Value& json) override;
  void didGetListToErrorCount(bool ok, const core::Value& json) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void setButtonType(int type);
  void setViewHidden(bool hidden);
  void showRows();
  void getFavoriteInfo();
  void getTestsList(int row);
  void pushMyFavoritesDetailVC(int row);
  void pushToErrorRedoVC();
  void pushToErrorRedoList(const core::Value& list);

  std::shared_ptr<ui::View> btnView_;
  std::shared_ptr<ui::Button> redoBtn_;
  std::shared_ptr<ui::Button> myFavBtn_;
  std::shared_ptr<ui::Button> learnRecoBtn_;
  std::shared_ptr<ui::TableView> recordTableView_;
  std::shared_ptr<ui::Label> nilLabel_;
  std::shared_ptr<MyFavorite> myFavoriteBll_;
  std::shared_ptr<WrongRedo> wrongRedoBll_;
  int currentRecordType_ = WrongAnswers;
  core::Value recordArray_ = core::Value::newArray();
  bool opening_ = false;  // a touched record's run is being restored
  std::string softName_;
  std::string selectType_;
};
