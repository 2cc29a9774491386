#include "ui/AlertPanel.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/Text.h"
#include "ui/ActionSheet.h"
#include "ui/AlertLayer.h"
#include "ui/AlertView.h"
#include "ui/Application.h"
#include "ui/TextMeasurer.h"
#include "ui/Timing.h"
#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {

std::shared_ptr<Label> makeLabel(const std::string& text, Rect frame, Font font, TextAlignment alignment) {
  auto label = std::make_shared<Label>(frame, text);
  label->setFont(std::move(font));
  label->setTextAlignment(alignment);
  label->setNumberOfLines(0);
  return label;
}

// The height a wrapped text takes in a box of the given width, as the measurer lays it out.
double textHeight(const std::string& text, const Font& font, double width) {
  if (text.empty()) return 0;
  return sizeWithFont(text, font, {width, kUnlimitedTextExtent}, LineBreakMode::WordWrap).height;
}

}  // namespace

// ---- AlertLayer ----

AlertLayer::AlertLayer(Rect frame) : View(frame) {
  dim_ = std::make_shared<View>(Rect({0, 0}, frame.size));
  dim_->setBackgroundColor(Color::gray(0, 0.4));
  addSubview(dim_);
  setHidden(true);
}

void AlertLayer::push(std::shared_ptr<AlertPanel> panel) {
  detail::assertMainThread("AlertLayer::push");
  if (!panel || std::find(panels_.begin(), panels_.end(), panel) != panels_.end()) return;
  panels_.push_back(panel);
  if (panel->view_) addSubview(panel->view_);
  update();
}

void AlertLayer::remove(const AlertPanel& panel) {
  auto it = std::find_if(panels_.begin(), panels_.end(), [&](auto& p) { return p.get() == &panel; });
  if (it == panels_.end()) return;
  auto keep = *it;
  panels_.erase(it);
  if (keep->view_) keep->view_->removeFromSuperview();
  keep->window_.reset();
  update();
}

void AlertLayer::update() {
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    if (auto& v = panels_[i]->view_) v->setHidden(i + 1 != panels_.size());
  }
  setHidden(panels_.empty());
}

void AlertLayer::layoutSubviews() {
  if (dim_) dim_->setFrame(bounds());
}

// ---- AlertPanel ----

AlertPanel::AlertPanel(std::string title) : title_(std::move(title)) {}

AlertPanel::~AlertPanel() = default;

void AlertPanel::setTitle(std::string title) { title_ = std::move(title); }

std::string AlertPanel::buttonTitleAtIndex(int index) const {
  if (index < 0 || index >= numberOfButtons()) return "";
  return buttons_[static_cast<std::size_t>(index)];
}

int AlertPanel::addButtonWithTitle(std::string title) {
  buttons_.push_back(std::move(title));
  return numberOfButtons() - 1;
}

void AlertPanel::setCancelButtonIndex(int index) {
  cancelIndex_ = (index >= 0 && index < numberOfButtons()) ? index : -1;
}

Button* AlertPanel::buttonView(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= buttonViews_.size()) return nullptr;
  return buttonViews_[static_cast<std::size_t>(index)].get();
}

std::shared_ptr<Button> AlertPanel::makeButtonView(int index, Rect frame) {
  auto button = std::make_shared<Button>(frame, ButtonType::RoundedRect);
  button->setTitle(buttonTitleAtIndex(index));
  std::weak_ptr<AlertPanel> weakSelf = weak_from_this();
  button->addTarget(ControlEvent::TouchUpInside, [weakSelf, index](Control&) {
    if (auto self = weakSelf.lock()) self->pressed(index);
  });
  if (static_cast<std::size_t>(index) >= buttonViews_.size())
    buttonViews_.resize(static_cast<std::size_t>(index) + 1);
  buttonViews_[static_cast<std::size_t>(index)] = button;
  return button;
}

void AlertPanel::showOn(Window& window) {
  detail::assertMainThread("AlertPanel::show");
  auto self = weak_from_this().lock();
  if (!self) {
    std::fprintf(stderr, "ui: %s \"%s\" must be made with std::make_shared to be shown\n",
                 className().c_str(), title_.c_str());
    return;
  }
  if (isVisible()) return;
  buttonViews_.clear();
  view_ = buildView(window.bounds());
  window_ = window.weak_from_this();
  window.alertLayer().push(self);
}

void AlertPanel::pressed(int index) { dismiss(index, true, true); }

void AlertPanel::dismissWithClickedButtonIndex(int index, bool animated) { dismiss(index, animated, false); }

void AlertPanel::dismiss(int index, bool animated, bool clicked) {
  detail::assertMainThread("AlertPanel::dismiss");
  if (dismissing_ || !isVisible()) return;
  auto keep = shared_from_this();
  if (clicked) reportClicked(index);
  if (dismissing_ || !isVisible()) return;  // the click handler dismissed it already
  dismissing_ = true;
  reportWillDismiss(index);
  if (auto w = window_.lock()) static_cast<Window&>(*w).alertLayer().remove(*this);
  window_.reset();
  didLeave();
  if (animated) {
    scheduleAfter(kDismissDuration, [keep, index] {
      keep->dismissing_ = false;
      keep->reportDidDismiss(index);
    });
  } else {
    dismissing_ = false;
    reportDidDismiss(index);
  }
}

std::string AlertPanel::describe() const {
  std::string out = className() + " \"" + title_ + "\" [";
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (i) out += ", ";
    out += buttons_[i];
  }
  return out + "]";
}

// ---- AlertView ----

AlertView::AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
                     std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : AlertPanel(std::move(title)), message_(std::move(message)), delegate_(std::move(delegate)) {
  if (cancelButtonTitle) cancelIndex_ = addButtonWithTitle(std::move(*cancelButtonTitle));
  for (auto& t : otherButtonTitles) addButtonWithTitle(std::move(t));
}

void AlertView::setMessage(std::string message) { message_ = std::move(message); }

void AlertView::setAlertViewStyle(Style style) {
  style_ = style;
  fields_.clear();
  if (style == Style::Default) return;
  auto first = std::make_shared<TextField>(Rect(0, 0, 238, 30));
  first->setBorderStyle(TextBorderStyle::Line);
  first->setSecureTextEntry(style == Style::SecureTextInput);
  fields_.push_back(first);
  if (style == Style::LoginAndPasswordInput || style == Style::LoginPasswordAndDomainInput) {
    auto second = std::make_shared<TextField>(Rect(0, 0, 238, 30));
    second->setBorderStyle(TextBorderStyle::Line);
    second->setSecureTextEntry(true);
    fields_.push_back(second);
  }
  if (style == Style::LoginPasswordAndDomainInput) {
    auto third = std::make_shared<TextField>(Rect(0, 0, 238, 30));
    third->setBorderStyle(TextBorderStyle::Line);
    fields_.push_back(third);
  }
}

TextField* AlertView::textFieldAtIndex(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return nullptr;
  return fields_[static_cast<std::size_t>(index)].get();
}

int AlertView::firstOtherButtonIndex() const {
  for (int i = 0; i < numberOfButtons(); ++i) {
    if (i != cancelIndex_) return i;
  }
  return -1;
}

void AlertView::show() {
  auto self = std::static_pointer_cast<AlertView>(weak_from_this().lock());
  if (self && !isVisible()) {
    if (auto d = delegate()) d->willPresentAlertView(*this);
  }
  const bool wasVisible = isVisible();
  showOn(Application::shared().keyWindow());
  if (!self || wasVisible || !isVisible()) return;
  if (!fields_.empty()) fields_.front()->becomeFirstResponder();
  if (auto d = delegate()) d->didPresentAlertView(*this);
}

std::shared_ptr<View> AlertView::buildView(const Rect& windowBounds) {
  const double width = 270;
  auto box = std::make_shared<View>(Rect(0, 0, width, 100));
  box->setBackgroundColor(Color::gray(0.97));
  box->layer().setCornerRadius(8);
  box->setClipsToBounds(true);
  double y = 18;
  if (!title().empty()) {
    const double h = std::max(22.0, textHeight(title(), Font::boldSystem(17), width - 32));
    box->addSubview(makeLabel(title(), {16, y, width - 32, h}, Font::boldSystem(17), TextAlignment::Center));
    y += h + 4;
  }
  if (!message_.empty()) {
    const double h = textHeight(message_, Font::system(15), width - 32);
    box->addSubview(makeLabel(message_, {16, y, width - 32, h}, Font::system(15), messageAlignment_));
    y += h + 4;
  }
  for (auto& field : fields_) {
    y += 4;
    field->setFrame({16, y, width - 32, 30});
    box->addSubview(field);
    y += 30;
  }
  y += 14;
  const int n = numberOfButtons();
  if (n == 2) {
    box->addSubview(makeButtonView(0, {0, y, width / 2, 44}));
    box->addSubview(makeButtonView(1, {width / 2, y, width / 2, 44}));
    y += 44;
  } else {
    for (int i = 0; i < n; ++i) {
      if (i == cancelIndex_) continue;
      box->addSubview(makeButtonView(i, {0, y, width, 44}));
      y += 44;
    }
    if (cancelIndex_ >= 0) {
      box->addSubview(makeButtonView(cancelIndex_, {0, y, width, 44}));
      y += 44;
    }
  }
  box->setFrame({windowBounds.midX() - width / 2, windowBounds.midY() - y / 2, width, y});
  return box;
}

void AlertView::reportClicked(int index) {
  if (auto d = delegate()) d->clickedButtonAtIndex(*this, index);
  if (onClicked) {
    auto f = onClicked;
    f(*this, index);
  }
}

void AlertView::reportWillDismiss(int index) {
  if (auto d = delegate()) d->willDismissWithButtonIndex(*this, index);
}

void AlertView::reportDidDismiss(int index) {
  if (auto d = delegate()) d->didDismissWithButtonIndex(*this, index);
  if (onDidDismiss) {
    auto f = onDidDismiss;
    f(*this, index);
  }
}

void AlertView::didLeave() {
  for (auto& f : fields_) f->removeFromSuperview();
}

std::string AlertView::describe() const {
  std::string out = className() + " \"" + title() + "\" \"" + message_ + "\" [";
  for (int i = 0; i < numberOfButtons(); ++i) {
    if (i) out += ", ";
    out += buttonTitleAtIndex(i);
  }
  return out + "]";
}

// ---- ActionSheet ----

ActionSheet::ActionSheet(std::optional<std::string> title, std::weak_ptr<ActionSheetDelegate> delegate,
                         std::optional<std::string> cancelButtonTitle,
                         std::optional<std::string> destructiveButtonTitle,
                         std::vector<std::string> otherButtonTitles)
    : AlertPanel(title.value_or("")), delegate_(std::move(delegate)) {
  if (destructiveButtonTitle) destructiveIndex_ = addButtonWithTitle(std::move(*destructiveButtonTitle));
  for (auto& t : otherButtonTitles) addButtonWithTitle(std::move(t));
  if (cancelButtonTitle) cancelIndex_ = addButtonWithTitle(std::move(*cancelButtonTitle));
}

void ActionSheet::setDestructiveButtonIndex(int index) {
  destructiveIndex_ = (index >= 0 && index < numberOfButtons()) ? index : -1;
}

int ActionSheet::firstOtherButtonIndex() const {
  for (int i = 0; i < numberOfButtons(); ++i) {
    if (i != cancelIndex_ && i != destructiveIndex_) return i;
  }
  return -1;
}

void ActionSheet::showInView(View& view) {
  Window* w = view.window();
  showOn(w ? *w : Application::shared().keyWindow());
}

std::shared_ptr<View> ActionSheet::buildView(const Rect& windowBounds) {
  const double width = windowBounds.width();
  auto box = std::make_shared<View>(Rect(0, 0, width, 100));
  box->setBackgroundColor(Color::gray(0.9));
  double y = 8;
  if (!title().empty()) {
    const double h = std::max(22.0, textHeight(title(), Font::system(13), width - 32));
    box->addSubview(makeLabel(title(), {16, y, width - 32, h}, Font::system(13), TextAlignment::Center));
    y += h + 8;
  }
  for (int i = 0; i < numberOfButtons(); ++i) {
    if (i == cancelIndex_) y += 8;
    box->addSubview(makeButtonView(i, {8, y, width - 16, 44}));
    y += 44 + 4;
  }
  y += 4;
  box->setFrame({0, windowBounds.maxY() - y, width, y});
  return box;
}

void ActionSheet::reportClicked(int index) {
  if (auto d = delegate()) d->clickedButtonAtIndex(*this, index);
  if (onClicked) {
    auto f = onClicked;
    f(*this, index);
  }
}

void ActionSheet::reportWillDismiss(int index) {
  if (auto d = delegate()) d->willDismissWithButtonIndex(*this, index);
}

void ActionSheet::reportDidDismiss(int index) {
  if (auto d = delegate()) d->didDismissWithButtonIndex(*this, index);
  if (onDidDismiss) {
    auto f = onDidDismiss;
    f(*this, index);
  }
}

}  // namespace ui
