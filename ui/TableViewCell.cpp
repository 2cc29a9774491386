#include "ui/TableViewCell.h"

#include <algorithm>

#include "ui/Canvas.h"
#include "ui/Path.h"

namespace ui {

namespace {

// The round mark of a row in multiple-selection editing: an empty circle, or a filled one with a tick
// while its cell is selected.
class SelectionMarkView : public View {
 public:
  explicit SelectionMarkView(const TableViewCell& cell) : View(Rect{}), cell_(&cell) {
    setBackgroundColor(Color::clear());
    setUserInteractionEnabled(false);
  }
  std::string className() const override { return "SelectionMark"; }
  void draw(Canvas& canvas, Rect) override {
    const Rect r = bounds().insetBy(1, 1);
    if (cell_->isSelected()) {
      canvas.setFillColor(Color::rgb255(0, 122, 255));
      canvas.fillEllipse(r);
      Path tick;
      tick.moveTo({r.minX() + r.width() * 0.27, r.minY() + r.height() * 0.52});
      tick.lineTo({r.minX() + r.width() * 0.44, r.minY() + r.height() * 0.70});
      tick.lineTo({r.minX() + r.width() * 0.75, r.minY() + r.height() * 0.33});
      canvas.setStrokeColor(Color::white());
      canvas.setLineWidth(2);
      canvas.strokePath(tick);
    } else {
      canvas.setStrokeColor(Color::gray(0.75));
      canvas.setLineWidth(1);
      canvas.strokeEllipse(r);
    }
  }

 private:
  const TableViewCell* cell_;
};

}  // namespace

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect(0, 0, 320, 44)), style_(style), reuseIdentifier_(std::move(reuseIdentifier)) {
  setBackgroundColor(Color::white());
  contentView_ = std::make_shared<View>(bounds());
  addSubview(contentView_);
  imageView_ = std::make_shared<ImageView>(Rect{});
  contentView_->addSubview(imageView_);
  textLabel_ = std::make_shared<Label>(Rect{});
  textLabel_->setFont(Font::boldSystem(style == TableViewCellStyle::Subtitle ? 18 : 17));
  contentView_->addSubview(textLabel_);
  if (style != TableViewCellStyle::Default) {
    detailTextLabel_ = std::make_shared<Label>(Rect{});
    detailTextLabel_->setFont(Font::system(style == TableViewCellStyle::Subtitle ? 14 : 17));
    detailTextLabel_->setTextColor(style == TableViewCellStyle::Value1 ? Color::rgb255(56, 84, 135)
                                                                       : Color::gray(0.5));
    if (style == TableViewCellStyle::Value1) detailTextLabel_->setTextAlignment(TextAlignment::Right);
    contentView_->addSubview(detailTextLabel_);
  }
  layoutSubviews();
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType type) {
  if (type == accessoryType_) return;
  accessoryType_ = type;
  layoutSubviews();
  notify(ViewProperty::Accessory);
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> view) {
  if (accessoryView_) accessoryView_->removeFromSuperview();
  accessoryView_ = std::move(view);
  if (accessoryView_) addSubview(accessoryView_);
  layoutSubviews();
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> view) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(view);
  if (backgroundView_) {
    insertSubview(backgroundView_, 0);
    backgroundView_->setFrame(bounds());
  }
}

void TableViewCell::setSelectedBackgroundView(std::shared_ptr<View> view) {
  if (selectedBackgroundView_) selectedBackgroundView_->removeFromSuperview();
  selectedBackgroundView_ = std::move(view);
  if (selectedBackgroundView_) {
    insertSubview(selectedBackgroundView_, backgroundView_ ? 1 : 0);
    selectedBackgroundView_->setFrame(bounds());
    selectedBackgroundView_->setHidden(!(selected_ || highlighted_));
  }
}

void TableViewCell::setSelected(bool selected, bool animated) {
  if (selected == selected_) return;
  selected_ = selected;
  if (selectedBackgroundView_) selectedBackgroundView_->setHidden(!(selected_ || highlighted_));
  if (selectionMark_) selectionMark_->setNeedsDisplay();
  notify(ViewProperty::Accessory);
}

void TableViewCell::setEditing(bool editing, bool animated) {
  if (editing == editing_) return;
  editing_ = editing;
  if (editing_) hideDeleteConfirmation();
  layoutSubviews();
  notify(ViewProperty::Editing);
}

void TableViewCell::setShowsSelectionMark(bool shows) {
  if (shows == showsSelectionMark_) return;
  showsSelectionMark_ = shows;
  layoutSubviews();
}

void TableViewCell::showDeleteConfirmation(const std::string& title, std::function<void()> onConfirm) {
  hideDeleteConfirmation();
  deleteButton_ = std::make_shared<Button>(Rect{});
  deleteButton_->setTitle(title);
  deleteButton_->setTitleColor(Color::white());
  deleteButton_->setBackgroundColor(Color::rgb255(255, 59, 48));
  deleteButton_->addTarget(ControlEvent::TouchUpInside, [onConfirm = std::move(onConfirm)](Control&) {
    if (onConfirm) onConfirm();
  });
  addSubview(deleteButton_);
  layoutSubviews();
}

void TableViewCell::hideDeleteConfirmation() {
  if (!deleteButton_) return;
  auto button = std::move(deleteButton_);
  deleteButton_.reset();
  button->removeFromSuperview();
}

void TableViewCell::setHighlighted(bool highlighted, bool animated) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  if (selectedBackgroundView_) selectedBackgroundView_->setHidden(!(selected_ || highlighted_));
  notify(ViewProperty::Accessory);
}

void TableViewCell::prepareForReuse() {
  setSelected(false);
  setHighlighted(false);
  hideDeleteConfirmation();
}

void TableViewCell::layoutSubviews() {
  if (!contentView_) return;
  const double w = bounds().width();
  const double h = bounds().height();
  double accessoryWidth = 0;
  if (accessoryView_) {
    const Size s = accessoryView_->bounds().size;
    accessoryView_->setFrame({w - s.width - 10, (h - s.height) / 2, s.width, s.height});
    accessoryWidth = s.width + 20;
  } else if (accessoryType_ != TableViewCellAccessoryType::None) {
    accessoryWidth = accessoryType_ == TableViewCellAccessoryType::DetailDisclosureButton ? 44 : 30;
  }
  if (backgroundView_) backgroundView_->setFrame(bounds());
  if (selectedBackgroundView_) selectedBackgroundView_->setFrame(bounds());
  const double indent = editing_ ? kEditingIndent : 0;
  if (editing_ && showsSelectionMark_) {
    if (!selectionMark_) {
      selectionMark_ = std::make_shared<SelectionMarkView>(*this);
      addSubview(selectionMark_);
    }
    selectionMark_->setFrame({(kEditingIndent - kSelectionMarkSize) / 2, (h - kSelectionMarkSize) / 2,
                              kSelectionMarkSize, kSelectionMarkSize});
  } else if (selectionMark_) {
    selectionMark_->removeFromSuperview();
    selectionMark_.reset();
  }
  if (deleteButton_) {
    deleteButton_->setFrame({w - kDeleteButtonWidth, 0, kDeleteButtonWidth, h});
    bringSubviewToFront(*deleteButton_);
  }
  contentView_->setFrame({indent, 0, std::max(0.0, w - accessoryWidth - indent), h});
  const double cw = contentView_->bounds().width();
  double x = 15;
  if (auto img = imageView_->image()) {
    // The picture at its size, turned or scaled as the image view is; what shows of it starts at x and
    // the texts follow what shows.
    const Size s = img->size();
    const Transform& t = imageView_->transform();
    const Size shows = t.isIdentity() ? s : t.applyToRect({0, 0, s.width, s.height}).size;
    imageView_->setBounds({0, 0, s.width, s.height});
    imageView_->setCenter({x + shows.width / 2, h / 2});
    x += shows.width + 10;
  } else {
    imageView_->setFrame({x, h / 2, 0, 0});
  }
  const double textWidth = std::max(0.0, cw - x - 10);
  switch (style_) {
    case TableViewCellStyle::Default:
      textLabel_->setFrame({x, 0, textWidth, h});
      break;
    case TableViewCellStyle::Subtitle:
      textLabel_->setFrame({x, 2, textWidth, h / 2});
      detailTextLabel_->setFrame({x, h / 2, textWidth, h / 2 - 2});
      break;
    case TableViewCellStyle::Value1:
      textLabel_->setFrame({x, 0, textWidth / 2, h});
      detailTextLabel_->setFrame({x + textWidth / 2, 0, textWidth / 2, h});
      break;
    case TableViewCellStyle::Value2:
      textLabel_->setFrame({x, 0, 70, h});
      detailTextLabel_->setFrame({x + 76, 0, std::max(0.0, textWidth - 76), h});
      break;
  }
}

std::string TableViewCell::describeSelf() const {
  std::string s = View::describeSelf();
  if (!reuseIdentifier_.empty()) s += " reuse=" + reuseIdentifier_;
  if (selected_) s += " selected";
  if (editing_) s += " editing";
  if (deleteButton_) s += " delete-confirmation";
  return s;
}

}  // namespace ui
