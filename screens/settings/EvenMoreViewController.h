#pragma once
// EvenMoreViewController: the "more" menu (screen identifier "evenmore"), the left panel of the
// side-panel container. The application delegate keeps the one instance as evenMoreVC for as long as
// the container lives, so other screens reach it there.
//
// A header for the user (logged out: a login button; logged in: nick name, avatar and a way into my
// centre) over a table of menu rows. A row's action is chosen by its text, so the row texts are labels
// and keys at once:
//
//   section 0  "选择科目", "软件设置", "软件评价", "查找试题"
//   section 1  "意见反馈", "软件分享"
//   section 2  "检查更新"  (carries the badge "newContent.png", tag 1001, while the cached update
//                          list of the download session has entries)
//   section 3  "关于软件"
//
// It also owns the two changes of the whole interface's login state: userLogout (the session forgets
// the user; the keychain, "isAutoLogon" and the avatar files stay, so the next start logs in again)
// and didLoginSuccess (the login screen's delegate call).
//
// Screens it opens stand in a navigation controller of their own, presented modally, with a "返回"
// button that closes them (configModalviewController); at most one such modal is tracked.
//
// Main thread. The question-bank download's completion may come from the download's own thread; it asks
// the update centre there and touches the session and the table on the main thread.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/common/EvenMoreMenuRefresh.h"
#include "screens/common/LoginDelegate.h"
#include "service/ServiceShell.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class EvenMoreViewController : public ui::ViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate,
                               public LoginDelegate,
                               public ForcedLogoutMoreMenu,
                               public EvenMoreMenuRefresh {
 public:
  static constexpr const char* kIdentifier = "evenmore";
  static constexpr int kNickNameTag = 10001;
  static constexpr int kUpdateBadgeTag = 1001;
  static constexpr double kHeaderHeight = 90;
  static constexpr double kRowHeight = 44;
  static constexpr const char* kCellIdentifier = "evenMoreCell";
  static constexpr const char* kUpdateCellIdentifier = "updateCell";
  static constexpr const char* kUpToDateMessage = "该软件已是最新版本";
  // The store's review page: "itms-apps://" + the store host + this path, filled with the store id.
  // Host and id are the bundle's info values kStoreHostKey and kStoreIDKey.
  static constexpr const char* kReviewPath =
      "/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=%d";
  static constexpr const char* kStoreHostKey = "VDStoreHost";
  static constexpr const char* kStoreIDKey = "VDStoreID";

  std::string className() const override { return "EvenMoreViewController"; }

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- rows ----
  // The four sections of row texts, built anew at every call (always the same).
  core::Value loadArrayData() override;
  void setEvenMoreArray(const core::Value& rows) override { evenMoreArray_ = rows; }
  void reloadEvenMoreTable() override { updateUI(); }
  const core::Value& evenMoreArray() const { return evenMoreArray_; }

  // The action of the row with this text (with its statistics event first); any other text does nothing.
  void pushViewController(const std::string& rowText);
  // Wraps the screen in a new navigation controller with a "返回" button (closeCurrentModalViewController),
  // keeps it as currentModalViewController and presents it, animated.
  void configModalviewController(std::shared_ptr<ui::ViewController> screen);
  void closeCurrentModalViewController();
  const std::shared_ptr<ui::NavigationController>& currentModalViewController() const {
    return currentModalViewController_;
  }

  // ---- header ----
  void userLoginClicked();   // the login screen (delegate: this menu) in a plain navigation controller
  void userCenterClicked();  // isIntoCenter = YES, then "myCenter"
  void toCenterClick();      // "myCenter", isIntoCenter untouched
  bool isIntoCenter() const { return isIntoCenter_; }

  // ---- login state ----
  void didLoginSuccess() override;
  void userLogout() override;

  // ---- question bank ----
  void examineUpdate();
  void downLibrary();
  void toSelectSubject();
  void pushToWebView();
  void updateUI();
  // The badge on the update row's cell: added once while the cached update list has entries, removed
  // otherwise.
  void updateImage(ui::TableViewCell& cell, int imageTag);

  // ---- first-use prompt ----
  void showPromptImage();
  void hidePromptImage(ui::View& sender);

  // ---- views (nullptr before the view is loaded) ----
  ui::TableView* evenMoreTableView() const { return evenMoreTableView_.get(); }
  ui::View* notLoggedinView() const { return notLoggedinView_.get(); }
  ui::View* hasLoggedonView() const { return hasLoggedonView_.get(); }
  ui::ImageView* userHeaderImageView() const { return userHeaderImageView_.get(); }
  ui::Button* loginButton() const { return loginButton_.get(); }
  ui::Button* centerButton() const { return centerButton_.get(); }
  ui::Label* nickNameLabel() const;
  // The cell of a row text when it is visible.
  ui::TableViewCell* cellForRowText(const std::string& text) const;

  // ---- table ----
  int numberOfSectionsInTableView(ui::TableView& tableView) override;
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  double heightForHeaderInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::View> viewForHeaderInSection(ui::TableView& tableView, int section) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void refreshHeader();
  void showLoggedIn(bool loggedIn);
  void rateApplication();
  void findTest();
  std::string rowText(ui::IndexPath indexPath) const;

  std::shared_ptr<ui::TableView> evenMoreTableView_;
  core::Value evenMoreArray_;
  std::string htmlFileName_;
  std::string title_;
  std::shared_ptr<ui::ImageView> userHeaderImageView_;
  std::shared_ptr<ui::View> notLoggedinView_;
  std::shared_ptr<ui::View> hasLoggedonView_;
  std::shared_ptr<ui::Button> loginButton_;
  std::shared_ptr<ui::Button> centerButton_;
  bool isIntoCenter_ = false;
  std::shared_ptr<ui::NavigationController> currentModalViewController_;
};
