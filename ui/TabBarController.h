#pragma once
// ui::TabBarController: screens side by side behind a tab bar. Its view holds the selected screen's view
// above the tab bar (the bar's 49 points at the bottom). Each screen gives its tab an item (tabBarItem(),
// titled after the screen unless set). Switching tabs takes the old screen's view out and puts the new
// one in, with the appearance calls that brings (old will-disappear, new will-appear, old
// did-disappear, new did-appear).
//
// The controller is its tab bar's delegate: a user's tap on a tab switches to it and then calls
// didSelectItem, which subclasses may override (the switch has happened already).

#include <map>
#include <memory>
#include <vector>

#include "ui/TabBar.h"
#include "ui/ViewController.h"

namespace ui {

class TabBarController : public ViewController, public TabBarDelegate {
 public:
  TabBarController();
  ~TabBarController() override;
  std::string className() const override { return "TabBarController"; }

  void loadView() override;

  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return tabs_; }
  // Replaces the screens (null entries and screens held elsewhere are left out); selects the first.
  void setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs, bool animated = false);
  int selectedIndex() const { return selected_; }  // -1 with no screens
  void setSelectedIndex(int index);                // by program; out-of-range indices are ignored
  ViewController* selectedViewController() const;
  ViewController* visibleChildViewController() const override { return selectedViewController(); }

  TabBar& tabBar();
  // The item of a screen's tab (made on first use, titled after the screen).
  std::shared_ptr<TabBarItem> tabBarItem(ViewController& vc);

  // The tab bar told of a user's selection (after the switch). Default: nothing.
  void didSelectItem(TabBar& tabBar, TabBarItem& item) override {}

  // Lays out the bar and the selected screen (the controller's view calls it when its size changes).
  void layoutContent();

 private:
  void show(int index);

  std::vector<std::shared_ptr<ViewController>> tabs_;
  std::map<const ViewController*, std::shared_ptr<TabBarItem>> items_;
  std::shared_ptr<TabBar> bar_;
  int selected_ = -1;
};

}  // namespace ui
