#pragma once
// ui::NavigationBar: a 44-point bar showing the top item of its stack: the back button (titled after the
// item below: its backBarButtonItem's title, else its title, else kDefaultBackTitle; a left item replaces
// it), the title (or title view) and the right items. Every piece is a subview, so a tap on it is hit-tested.

#include <functional>
#include <memory>
#include <vector>

#include "ui/Label.h"
#include "ui/NavigationItem.h"
#include "ui/View.h"

namespace ui {

enum class BarStyle { Default = 0, Black = 1, BlackTranslucent = 2 };

class NavigationBar : public View {
 public:
  static constexpr double kHeight = 44;
  // What the back button says when the item below has neither a back item nor a title: the word the
  // application's own screens put on their back items (the system's "Back" in the application's language).
  static constexpr const char* kDefaultBackTitle = "返回";

  explicit NavigationBar(Rect frame = {});
  std::string className() const override { return "NavigationBar"; }

  // The style new bars start with (the appearance proxy of the application's start-up).
  static BarStyle appearanceBarStyle();
  static void setAppearanceBarStyle(BarStyle style);

  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle style);
  // The black translucent style is always translucent; the other styles are as setTranslucent left
  // them. When translucency changes, the bar's container lays out again (a navigation controller runs
  // its screen on under a translucent bar).
  bool isTranslucent() const { return translucent_ || barStyle_ == BarStyle::BlackTranslucent; }
  void setTranslucent(bool translucent);
  const Color& tintColor() const { return tintColor_; }
  void setTintColor(Color color);

  const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
  void setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated = false);
  void pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated = false);
  std::shared_ptr<NavigationItem> popNavigationItem(bool animated = false);
  NavigationItem* topItem() const { return items_.empty() ? nullptr : items_.back().get(); }
  NavigationItem* backItem() const { return items_.size() < 2 ? nullptr : items_[items_.size() - 2].get(); }

  // Whether the top item shows a back button (an item below it, no left items, not hidden), and what it
  // says ("" when there is none; an empty back item title gives a back button without words).
  bool hasBackButton() const;
  std::string backButtonTitle() const;
  // Called when the back button is tapped (the navigation controller pops); without it the bar pops its
  // own top item.
  void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }

  // The views on show (nullptr when absent).
  BarButtonView* backButtonView() const { return backButton_.get(); }
  Label* titleLabel() const { return titleLabel_.get(); }
  View* titleView() const;
  const std::vector<std::shared_ptr<View>>& leftItemViews() const { return leftViews_; }
  const std::vector<std::shared_ptr<View>>& rightItemViews() const { return rightViews_; }

  // Rebuilds the subviews from the items (items call it when they change).
  void refresh();

 protected:
  void layoutSubviews() override;

 private:
  void clearSubviews();
  void attachItems();

  BarStyle barStyle_;
  bool translucent_ = false;
  Color tintColor_;
  std::vector<std::shared_ptr<NavigationItem>> items_;
  std::function<void()> backAction_;
  std::shared_ptr<BarButtonView> backButton_;
  std::shared_ptr<BarButtonItem> backItem_;
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<View> titleView_;
  std::vector<std::shared_ptr<View>> leftViews_;
  std::vector<std::shared_ptr<View>> rightViews_;
};

// ui::Toolbar: a bar of items laid out from left to right; flexible spaces share the room left over.
class Toolbar : public View {
 public:
  static constexpr double kHeight = 44;
  explicit Toolbar(Rect frame = {});
  std::string className() const override { return "Toolbar"; }

  const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
  void setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle style);
  bool isTranslucent() const { return translucent_; }
  void setTranslucent(bool translucent) { translucent_ = translucent; }
  const std::vector<std::shared_ptr<View>>& itemViews() const { return views_; }

 protected:
  void layoutSubviews() override;

 private:
  std::vector<std::shared_ptr<BarButtonItem>> items_;
  std::vector<std::shared_ptr<View>> views_;  // one per item; spaces are empty views
  BarStyle barStyle_ = BarStyle::Default;
  bool translucent_ = false;
};

}  // namespace ui
