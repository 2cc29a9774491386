#pragma once
// ui::BarButtonItem: an item of a navigation bar or toolbar (a title, an image, a custom view or a space)
// with an action. The bar that shows an item makes a BarButtonView for it; a tap on that view (hit-tested
// like any other) runs the action.

#include <functional>
#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/Image.h"

namespace ui {

class BarButtonView;

class BarButtonItem : public std::enable_shared_from_this<BarButtonItem> {
 public:
  enum class Style { Plain, Bordered, Done };
  enum class SystemItem { None, Done, Cancel, Edit, Save, Add, FlexibleSpace, FixedSpace, Refresh, Action };
  using Action = std::function<void(BarButtonItem& item)>;

  BarButtonItem() = default;
  static std::shared_ptr<BarButtonItem> withTitle(std::string title, Style style, Action action);
  static std::shared_ptr<BarButtonItem> withImage(std::shared_ptr<Image> image, Style style, Action action);
  static std::shared_ptr<BarButtonItem> withSystemItem(SystemItem item, Action action = {});
  static std::shared_ptr<BarButtonItem> withCustomView(std::shared_ptr<View> view);

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image);
  Style style() const { return style_; }
  void setStyle(Style style) { style_ = style; }
  SystemItem systemItem() const { return systemItem_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  double width() const { return width_; }  // 0 = sized by the bar
  void setWidth(double width) { width_ = width; }
  const std::shared_ptr<View>& customView() const { return customView_; }
  void setCustomView(std::shared_ptr<View> view) { customView_ = std::move(view); }
  void setAction(Action action) { action_ = std::move(action); }
  bool hasAction() const { return static_cast<bool>(action_); }
  bool isSpace() const {
    return systemItem_ == SystemItem::FlexibleSpace || systemItem_ == SystemItem::FixedSpace;
  }

  // The view a bar shows for this item (a BarButtonView, or the custom view); made on demand.
  std::shared_ptr<View> makeView();
  // Runs the action (the item's view calls it on a touch up inside).
  void performAction();

 private:
  std::string title_;
  std::shared_ptr<Image> image_;
  Style style_ = Style::Plain;
  SystemItem systemItem_ = SystemItem::None;
  bool enabled_ = true;
  int tag_ = 0;
  double width_ = 0;
  std::shared_ptr<View> customView_;
  Action action_;
  std::weak_ptr<BarButtonView> view_;
};

// The button a bar shows for an item.
class BarButtonView : public Button {
 public:
  explicit BarButtonView(std::shared_ptr<BarButtonItem> item);
  std::string className() const override { return "BarButtonView"; }
  BarButtonItem* item() const { return item_.lock().get(); }
  // Sets title, image and enabled state from the item.
  void refresh();

 private:
  std::weak_ptr<BarButtonItem> item_;
};

}  // namespace ui
