#pragma once
// ui::TabBar and ui::TabBarItem: the bar of tabs at the bottom of a tab-bar controller (49 points high).
// Each item shows as a button of equal width (image above, title below); a tap on it (hit-tested)
// selects it, and the bar's delegate hears didSelectItem. Selecting by program tells nobody.
//
// An item's images: the finished selected and unselected images when set (drawn as they are), else its
// image (drawn as a template, light when selected). imageInsets move the image inside its button.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/Image.h"
#include "ui/View.h"

namespace ui {

class TabBar;
class TabBarItem;

// Every method is optional.
struct TabBarDelegate {
  virtual ~TabBarDelegate() = default;
  virtual void didSelectItem(TabBar& tabBar, TabBarItem& item) {}
};

class TabBarItem : public std::enable_shared_from_this<TabBarItem> {
 public:
  TabBarItem(std::string title = "", std::shared_ptr<Image> image = nullptr, int tag = 0)
      : title_(std::move(title)), image_(std::move(image)), tag_(tag) {}

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image);
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  const std::string& badgeValue() const { return badge_; }
  void setBadgeValue(std::string badge);
  EdgeInsets imageInsets() const { return imageInsets_; }
  void setImageInsets(EdgeInsets insets);
  // setFinishedSelectedImage:withFinishedUnselectedImage:
  void setFinishedSelectedImage(std::shared_ptr<Image> selected, std::shared_ptr<Image> unselected);
  const std::shared_ptr<Image>& finishedSelectedImage() const { return finishedSelected_; }
  const std::shared_ptr<Image>& finishedUnselectedImage() const { return finishedUnselected_; }

 private:
  friend class TabBar;
  void changed();

  std::string title_;
  std::shared_ptr<Image> image_;
  int tag_ = 0;
  bool enabled_ = true;
  std::string badge_;
  EdgeInsets imageInsets_;
  std::shared_ptr<Image> finishedSelected_;
  std::shared_ptr<Image> finishedUnselected_;
  std::weak_ptr<View> bar_;
};

// The button a tab bar shows for one item.
class TabBarButton : public Control {
 public:
  explicit TabBarButton(std::shared_ptr<TabBarItem> item) : item_(std::move(item)) {}
  std::string className() const override { return "TabBarButton"; }
  TabBarItem& item() const { return *item_; }
  // The image on show: the finished image of the state, else the item's image.
  std::shared_ptr<Image> currentImage() const;
  std::string describeSelf() const override;

 private:
  std::shared_ptr<TabBarItem> item_;
};

class TabBar : public View {
 public:
  static constexpr double kHeight = 49;

  explicit TabBar(Rect frame = {});
  std::string className() const override { return "TabBar"; }

  const std::vector<std::shared_ptr<TabBarItem>>& items() const { return items_; }
  void setItems(std::vector<std::shared_ptr<TabBarItem>> items, bool animated = false);
  TabBarItem* selectedItem() const { return selected_.get(); }
  void setSelectedItem(TabBarItem* item);  // by program: the delegate is not told
  std::shared_ptr<TabBarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TabBarDelegate> delegate) { delegate_ = std::move(delegate); }
  // Told of a user's selection before the delegate (the tab-bar controller switches tabs here).
  void setSelectionHandler(std::function<void(TabBarItem&)> handler) { onSelect_ = std::move(handler); }

  const std::vector<std::shared_ptr<TabBarButton>>& buttons() const { return buttons_; }
  TabBarButton* buttonFor(const TabBarItem& item) const;
  // Rebuilds the buttons from the items (items call it when they change).
  void refresh();

 protected:
  void layoutSubviews() override;

 private:
  void userSelected(const std::shared_ptr<TabBarItem>& item);

  std::vector<std::shared_ptr<TabBarItem>> items_;
  std::vector<std::shared_ptr<TabBarButton>> buttons_;
  std::shared_ptr<TabBarItem> selected_;
  std::weak_ptr<TabBarDelegate> delegate_;
  std::function<void(TabBarItem&)> onSelect_;
};

}  // namespace ui
