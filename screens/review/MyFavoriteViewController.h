#pragma once
// MyFavoriteViewController ("myFavorites"): the subjects that hold favourites of the chosen bank, one
// row each with its number of favourites ("共%@题"), in the server's order. Every appearance asks again
// (offline: the network alert, nothing asked); no subjects show the hint alone; no reply, a refusal or a
// reply of another shape (a "Body" that is not a list of records within the clients' limit) show in its
// place what went wrong (ReplyCheck::failureMessage).
// A row opens the subject's favourites ("myFavoritesDetail").

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/MyFavorite.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class MyFavoriteViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public MyFavoriteDelegate {
 public:
  static constexpr const char* kIdentifier = "myFavorites";
  static constexpr const char* kTitle = "我的收藏";
  static constexpr const char* kHint = "您还没有收藏任何试题";

  std::string className() const override { return "MyFavoriteViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  ui::TableView* myTableView() const { return myTableView_.get(); }
  ui::Label* labelHide() const { return labelHide_.get(); }
  const core::Value& favArray() const { return favArray_; }
  const std::string& softName() const { return softName_; }

  void didFavourInfo(bool ok, const core::Value& json) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  std::shared_ptr<ui::TableView> myTableView_;
  std::shared_ptr<ui::Label> labelHide_;
  std::shared_ptr<MyFavorite> myFavoriteBll_;
  core::Value favArray_ = core::Value::newArray();
  std::string softName_;
  std::string chaptName_;
  std::string sbjid_;
  core::Value testNum_;
};
