#pragma once
// SMSNotifierViewController: the server's notices ("sNotifier"), pushed from my centre. The notices of
// the running version and the chosen subject come as a list of cards, one per row; a card's delete
// image asks "您确定要删除嘛？" and removes the notice from the list on the device only (nothing is
// sent), renumbering the cards; it comes back the next time the screen loads. No notices (a failed
// request, no list, an empty list, the last one removed) show the image "center_noinform" over the
// screen.
//
// A notice is an array of texts: 0 the title, 1 the body, 2 the date as the server writes it.
// Card i (tag i, as every element on it), in card coordinates, width 280: top strip (0, 0, 280, 15)
// "center_topbluegrey"; icon (0, 22, 35, 28) "center_message"; caption (35, 20, 100, 30)
// "信息通知<i+1>" in 15 pt; date (150, 20, 150, 30) in 15 pt; title (0, 55, 280, 30) in Helvetica-Bold
// 17 pt; body at (0, 90), Helvetica 15 pt sized to the text within 280 points; delete image
// (250, card height - 20, 30, 30) "center_delect"; a rule (0, card height + 5, 280, 1). The card stands
// at (20, 10) and is the body's height plus 100 high; its row is the card's height plus 30.
//
// Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "platform/core/Value.h"
#include "service/System.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SMSNotifierViewController : public ui::ViewController,
                                  public SystemDelegate,
                                  public ui::TableViewDataSource,
                                  public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "sNotifier";
  static constexpr const char* kNoNoticesImage = "center_noinform";
  static constexpr const char* kDeleteMessage = "您确定要删除嘛？";
  static constexpr double kCardWidth = 280;

  std::string className() const override { return "SMSNotifierViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // Asks for the notices of the bundle's version (the first three characters of "CFBundleVersion")
  // and the chosen subject.
  void getAnnouncement();
  void didServiceAnnouncement(bool ok, const core::Value& json) override;
  // Appends one card per notice and reloads the table.
  void createMsgView();
  // The delete image of card `index` was tapped: asks, then removes that notice.
  void delectMessage(int index);
  // Helvetica of `fontSize`, any number of lines, clear background; sized at its origin to the text
  // within `maxWidth` (at most 2000 high); then the text.
  static void setLabel(ui::Label& label, const std::string& text, double fontSize, double maxWidth);

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  const core::Value& serviceAmtArr() const { return serviceAmtArr_; }
  const std::vector<std::shared_ptr<ui::View>>& msgArr() const { return msgArr_; }
  ui::TableView* tableView() const { return tableView_.get(); }
  // The "center_noinform" image over the screen; nullptr while notices show.
  ui::ImageView* noNoticesView() const { return noNotices_.get(); }

 private:
  std::shared_ptr<ui::View> makeCard(int index, const core::Value& notice);
  void showNoNotices();

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<System> systemBll_;
  core::Value serviceAmtArr_;
  std::vector<std::shared_ptr<ui::View>> msgArr_;
  std::shared_ptr<ui::ImageView> noNotices_;
};
