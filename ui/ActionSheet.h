#pragma once
// ui::ActionSheet: a modal choice sliding up from the bottom. Button indices: the destructive button (when
// given) is 0, the other titles follow in order, and the cancel button (when given) comes last. Buttons
// added later append.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/AlertPanel.h"

namespace ui {

class ActionSheet;

enum class ActionSheetStyle { Automatic, Default, BlackTranslucent, BlackOpaque };

// Every method is optional.
struct ActionSheetDelegate {
  virtual ~ActionSheetDelegate() = default;
  virtual void clickedButtonAtIndex(ActionSheet& sheet, int index) {}
  virtual void willDismissWithButtonIndex(ActionSheet& sheet, int index) {}
  virtual void didDismissWithButtonIndex(ActionSheet& sheet, int index) {}
};

class ActionSheet : public AlertPanel {
 public:
  // Make with std::make_shared.
  ActionSheet(std::optional<std::string> title, std::weak_ptr<ActionSheetDelegate> delegate = {},
              std::optional<std::string> cancelButtonTitle = std::nullopt,
              std::optional<std::string> destructiveButtonTitle = std::nullopt,
              std::vector<std::string> otherButtonTitles = {});
  std::string className() const override { return "ActionSheet"; }

  std::shared_ptr<ActionSheetDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ActionSheetDelegate> delegate) { delegate_ = std::move(delegate); }
  int destructiveButtonIndex() const { return destructiveIndex_; }  // -1 when none
  void setDestructiveButtonIndex(int index);
  int firstOtherButtonIndex() const;  // -1 when none
  ActionSheetStyle actionSheetStyle() const { return style_; }
  void setActionSheetStyle(ActionSheetStyle style) { style_ = style; }

  // Shows the sheet on the window of `view` (the key window when `view` is not in one).
  void showInView(View& view);

  std::function<void(ActionSheet&, int)> onClicked;
  std::function<void(ActionSheet&, int)> onDidDismiss;

 protected:
  std::shared_ptr<View> buildView(const Rect& windowBounds) override;
  void reportClicked(int index) override;
  void reportWillDismiss(int index) override;
  void reportDidDismiss(int index) override;

 private:
  std::weak_ptr<ActionSheetDelegate> delegate_;
  int destructiveIndex_ = -1;
  int firstOther_ = -1;
  ActionSheetStyle style_ = ActionSheetStyle::Automatic;
};

}  // namespace ui
