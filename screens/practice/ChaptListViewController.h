#pragma once
// ChaptListViewController ("chaptList1"): the chosen bank's chapter tree, one level per screen, and the
// start of chapter practice (test mode 0) or a chapter test (test mode 1).
//
// The top level reads the local bank's tree (Chapter::getLocalNavigation); a nested level shows the
// nodes its parent handed in (arForCopy, isRequest) and loads nothing. A node {"ID", "Name", "Total",
// "Childs"} with sub-chapters pushes another level of the same mode; a leaf ("Childs" null or empty)
// asks the server for the chapter's set (ChapterTestBuilder) and opens the answering screen: offline
// the network alert, an empty set "提示" with the reply's "Message".
//
// Rows show "Name" and "共<Total>题". A leaf the logged-in user has finished in this bank and mode shows
// its last result in orange: "共<Total>题(答对：<right>题，正确率：<percent>)", read from the chapter
// result file ("tkChapterTestArr" for practice, "tkChapterCheckArr" for tests) at every appearance, so
// a chapter just finished is coloured on return.

#include <memory>
#include <string>

#include "exam/sets/ChapterTestBuilder.h"
#include "exam/sets/RestoredRun.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "service/Chapter.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class ChaptListViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public ChapterDelegate {
 public:
  static constexpr const char* kIdentifier = "chaptList1";
  static constexpr const char* kCellIdentifier = "chapterCell";
  static constexpr const char* kLoginMessage = "该功能需要登录后才能使用，请登录";
  static constexpr const char* kEmptySetTitle = "提示";

  std::string className() const override { return "ChaptListViewController"; }

  // ---- launch properties ----
  int testMode() const { return testMode_; }
  void setTestMode(int mode) { testMode_ = mode; }
  const std::string& navigationItemTitle() const { return navigationItemTitle_; }
  void setNavigationItemTitle(std::string title) { navigationItemTitle_ = std::move(title); }
  const std::string& backButtonTitle() const { return backButtonTitle_; }
  void setBackButtonTitle(std::string title) { backButtonTitle_ = std::move(title); }
  bool isRequest() const { return isRequest_; }
  void setIsRequest(bool nested) { isRequest_ = nested; }
  const core::Value& arForCopy() const { return arForCopy_; }
  void setArForCopy(core::Value nodes) { arForCopy_ = std::move(nodes); }

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- operations ----
  void didGetNavigation(bool ok, const core::Value& json) override;
  void getRecordByUser();
  // Whether a result entry is the logged-in user's, of the current bank and of the node's chapter.
  bool isDiscolor(const core::Value& entry, const core::Value& node) const;
  void toExamming(const core::Value& node);
  void pushVC();
  // Opens a stored run (the hub's resume) in the answering screen.
  void pushToExamingVC(const RestoredRun& run);
  // True while a user is logged in; otherwise the login alert ("登录" pushes the login screen).
  bool isLoginCheck();

  // ---- state ----
  ui::TableView* tableView() const { return tableView_.get(); }
  const core::Value& arForTable() const { return arForTable_; }
  const core::Value& recordList() const { return recordList_; }
  const core::Value& testsJSON() const { return testsJSON_; }
  const std::string& chapterName() const { return chapterName_; }
  const std::string& chapterID() const { return chapterID_; }

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  int testMode_ = 0;
  std::string navigationItemTitle_;
  std::string backButtonTitle_;
  bool isRequest_ = false;
  core::Value arForCopy_ = core::Value::newArray();

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<Chapter> chapterBll_;
  std::shared_ptr<ChapterTestBuilder> chapterBuilder_;
  core::Value arrayOriginal_;
  core::Value arForTable_ = core::Value::newArray();
  core::Value recordList_ = core::Value::newArray();
  QuestionsArray testArray_;
  std::string chapterName_;
  std::string chapterID_;
  core::Value testsJSON_;
};
