#pragma once
// ui::NavigationItem: what a screen shows in the navigation bar while it is on top (title or title view,
// left and right items) and, through backBarButtonItem, what the back button of the next screen says.

#include <memory>
#include <string>
#include <vector>

#include "ui/BarButtonItem.h"
#include "ui/View.h"

namespace ui {

class NavigationBar;

class NavigationItem : public std::enable_shared_from_this<NavigationItem> {
 public:
  explicit NavigationItem(std::string title = "") : title_(std::move(title)) {}

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const std::shared_ptr<View>& titleView() const { return titleView_; }
  void setTitleView(std::shared_ptr<View> view);

  std::shared_ptr<BarButtonItem> leftBarButtonItem() const;
  void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
  const std::vector<std::shared_ptr<BarButtonItem>>& leftBarButtonItems() const { return left_; }
  void setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
  std::shared_ptr<BarButtonItem> rightBarButtonItem() const;
  void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
  const std::vector<std::shared_ptr<BarButtonItem>>& rightBarButtonItems() const { return right_; }
  void setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
  // The item the NEXT screen's back button shows (its title is what counts).
  const std::shared_ptr<BarButtonItem>& backBarButtonItem() const { return back_; }
  void setBackBarButtonItem(std::shared_ptr<BarButtonItem> item);
  bool hidesBackButton() const { return hidesBackButton_; }
  void setHidesBackButton(bool hides, bool animated = false);

 private:
  friend class NavigationBar;
  void changed();

  std::string title_;
  std::shared_ptr<View> titleView_;
  std::vector<std::shared_ptr<BarButtonItem>> left_;
  std::vector<std::shared_ptr<BarButtonItem>> right_;
  std::shared_ptr<BarButtonItem> back_;
  bool hidesBackButton_ = false;
  std::weak_ptr<View> bar_;  // the bar showing this item (as its top or back item)
};

}  // namespace ui
