#pragma once
// ui::TableViewCell: one row of a table. Its content view holds the text label, the detail label (styles
// other than Default) and the image view; the accessory sits at the right. A cell that scrolls out of
// the table goes to the table's reuse pool under its reuse identifier.
//
// Editing (set by the table): an editing cell moves its content right by kEditingIndent; with the
// selection mark on, a round mark at its left shows whether the row is selected (ticked) or not. A cell
// swiped for deletion shows the delete confirmation button (red, kDeleteButtonWidth wide, the row's
// height) at its right edge, over the content; the table decides what a touch on it does.

#include <functional>
#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/View.h"

namespace ui {

enum class TableViewCellStyle { Default, Value1, Value2, Subtitle };
enum class TableViewCellAccessoryType { None, DisclosureIndicator, DetailDisclosureButton, Checkmark };
enum class TableViewCellSelectionStyle { None, Blue, Gray };
enum class TableViewCellEditingStyle { None, Delete, Insert };

class TableViewCell : public View {
 public:
  explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default,
                         std::string reuseIdentifier = "");
  std::string className() const override { return "TableViewCell"; }

  TableViewCellStyle style() const { return style_; }
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }

  View& contentView() { return *contentView_; }
  Label* textLabel() const { return textLabel_.get(); }
  Label* detailTextLabel() const { return detailTextLabel_.get(); }  // nullptr for the Default style
  ImageView* imageView() const { return imageView_.get(); }

  TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(TableViewCellAccessoryType type);
  const std::shared_ptr<View>& accessoryView() const { return accessoryView_; }
  void setAccessoryView(std::shared_ptr<View> view);
  const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
  void setBackgroundView(std::shared_ptr<View> view);
  const std::shared_ptr<View>& selectedBackgroundView() const { return selectedBackgroundView_; }
  void setSelectedBackgroundView(std::shared_ptr<View> view);
  TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(TableViewCellSelectionStyle style) { selectionStyle_ = style; }

  bool isSelected() const { return selected_; }
  void setSelected(bool selected, bool animated = false);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted, bool animated = false);

  // Called when the table hands the cell out again from its reuse pool. The default clears the
  // selection and highlight.
  virtual void prepareForReuse();

  // ---- editing (the table sets these) ----
  static constexpr double kEditingIndent = 38;
  static constexpr double kSelectionMarkSize = 22;
  static constexpr double kDeleteButtonWidth = 82;
  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool animated = false);
  bool showsSelectionMark() const { return showsSelectionMark_; }
  void setShowsSelectionMark(bool shows);
  // The round mark while it shows (nullptr otherwise); it draws itself ticked while the cell is selected.
  View* selectionMark() const { return selectionMark_.get(); }
  bool showingDeleteConfirmation() const { return deleteButton_ != nullptr; }
  // The confirmation button while it shows; nullptr otherwise.
  Button* deleteConfirmationButton() const { return deleteButton_.get(); }
  // Shows the button with this title (its touch-up-inside runs `onConfirm`), or takes it away.
  void showDeleteConfirmation(const std::string& title, std::function<void()> onConfirm);
  void hideDeleteConfirmation();

  std::string describeSelf() const override;

 protected:
  void layoutSubviews() override;

 private:
  TableViewCellStyle style_;
  std::string reuseIdentifier_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_;
  std::shared_ptr<Label> detailTextLabel_;
  std::shared_ptr<ImageView> imageView_;
  TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
  std::shared_ptr<View> accessoryView_;
  std::shared_ptr<View> backgroundView_;
  std::shared_ptr<View> selectedBackgroundView_;
  TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Blue;
  bool selected_ = false;
  bool highlighted_ = false;
  bool editing_ = false;
  bool showsSelectionMark_ = false;
  std::shared_ptr<View> selectionMark_;
  std::shared_ptr<Button> deleteButton_;
};

}  // namespace ui
