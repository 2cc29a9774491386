#include "widgets/LoadMoreFooterView.h"

#include <cmath>
#include <numbers>

#include "platform/core/Bundle.h"
#include "ui/Canvas.h"
#include "ui/Path.h"

namespace {

std::string localized(const char* text) { return core::Bundle::main().localizedString(text); }

}  // namespace

// ---- the small activity indicator ----

LoadMoreActivityIndicator::LoadMoreActivityIndicator() : ui::View(ui::Rect(0, 0, kSize, kSize)) {
  setBackgroundColor(ui::Color::clear());
  setUserInteractionEnabled(false);
  setHidden(true);  // it shows only while it spins
}

void LoadMoreActivityIndicator::startAnimating() {
  if (animating_) return;
  animating_ = true;
  setHidden(false);
  setNeedsDisplay();
}

void LoadMoreActivityIndicator::stopAnimating() {
  if (!animating_) return;
  animating_ = false;
  setHidden(true);
  setNeedsDisplay();
}

void LoadMoreActivityIndicator::draw(ui::Canvas& canvas, ui::Rect) {
  // Eight grey spokes fading round the circle.
  const ui::Rect all = bounds();
  const ui::Point c{all.midX(), all.midY()};
  const double outer = all.width() / 2;
  const double inner = outer * 0.45;
  canvas.setLineWidth(2);
  canvas.setLineCap(ui::LineCap::Round);
  constexpr int kSpokes = 8;
  for (int i = 0; i < kSpokes; ++i) {
    const double angle = -std::numbers::pi / 2 + i * 2 * std::numbers::pi / kSpokes;
    ui::Path spoke;
    spoke.moveTo({c.x + inner * std::cos(angle), c.y + inner * std::sin(angle)});
    spoke.lineTo({c.x + (outer - 1) * std::cos(angle), c.y + (outer - 1) * std::sin(angle)});
    canvas.setStrokeColor(ui::Color::gray().withAlpha(1.0 - 0.8 * i / kSpokes));
    canvas.strokePath(spoke);
  }
}

// ---- the footer ----

LoadMoreFooterView::LoadMoreFooterView(ui::Rect frame) : ui::View(frame) {
  setAutoresizingMask(ui::kAutoresizingFlexibleWidth);

  statusLabel_ = std::make_shared<ui::Label>(ui::Rect(0, 12, frame.width(), 20));
  statusLabel_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  statusLabel_->setFont(ui::Font::boldSystem(13));
  statusLabel_->setTextColor(ui::Color::darkGray());
  statusLabel_->setShadow(ui::Color::gray(0.9), {0, 1});
  statusLabel_->setBackgroundColor(ui::Color::clear());
  statusLabel_->setTextAlignment(ui::TextAlignment::Center);
  addSubview(statusLabel_);

  arrowImage_ = std::make_shared<ui::View>(ui::Rect(25, 0, 30, 55));
  arrowImage_->setBackgroundColor(ui::Color::clear());
  arrowImage_->setUserInteractionEnabled(false);
  addSubview(arrowImage_);

  activityView_ = std::make_shared<LoadMoreActivityIndicator>();
  activityView_->setFrame({25, 22, LoadMoreActivityIndicator::kSize, LoadMoreActivityIndicator::kSize});
  addSubview(activityView_);

  setState(kStateNormal);
}

void LoadMoreFooterView::setState(int state) {
  switch (state) {
    case kStatePulling:
      statusLabel_->setText(localized("松开即可加载更多..."));
      ui::View::animate(kArrowAnimationDuration,
                        [this] { arrowImage_->setTransform(ui::Transform::rotation(std::numbers::pi)); });
      break;
    case kStateNormal:
      if (state_ == kStatePulling) {
        ui::View::animate(kArrowAnimationDuration,
                          [this] { arrowImage_->setTransform(ui::Transform::identity()); });
      }
      statusLabel_->setText(localized("上拉即可加载更多..."));
      activityView_->stopAnimating();
      ui::View::performWithoutAnimation([this] {
        arrowImage_->setHidden(false);
        arrowImage_->setTransform(ui::Transform::identity());
      });
      break;
    case kStateLoading:
      statusLabel_->setText(localized("加载中..."));
      activityView_->startAnimating();
      ui::View::performWithoutAnimation([this] { arrowImage_->setHidden(true); });
      break;
    default:
      break;
  }
  state_ = state;
}

bool LoadMoreFooterView::dataSourceIsLoading() {
  auto d = delegate();
  return d ? d->loadMoreTableFooterDataSourceIsLoading(*this) : false;
}

double LoadMoreFooterView::bottomOf(const ui::ScrollView& scrollView) {
  return scrollView.contentOffset().y + scrollView.frame().height();
}

void LoadMoreFooterView::loadMoreScrollViewDidScroll(ui::ScrollView& scrollView) {
  if (state_ == kStateLoading || !scrollView.isDragging()) return;
  const bool loading = dataSourceIsLoading();
  const double bottom = bottomOf(scrollView);
  const double end = scrollView.contentSize().height;
  if (state_ == kStatePulling && bottom < end + kTriggerDistance && scrollView.contentOffset().y > 0 &&
      !loading) {
    setState(kStateNormal);
  } else if (state_ == kStateNormal && bottom > end + kTriggerDistance && !loading) {
    setState(kStatePulling);
  }
}

void LoadMoreFooterView::loadMoreshScrollViewDidEndDragging(ui::ScrollView& scrollView) {
  // A load under way takes no second trigger: it would ask for the page twice and lengthen the
  // content twice.
  if (state_ == kStateLoading) return;
  const bool loading = dataSourceIsLoading();
  const double end = scrollView.contentSize().height;
  if (!(bottomOf(scrollView) > end + kTriggerDistance) || loading) return;
  if (auto d = delegate()) d->loadMoreTableFooterDidTriggerRefresh(*this);
  setState(kStateLoading);
  // The delegate may have laid the content out anew: lengthen what is there now.
  const double height = scrollView.contentSize().height + kTriggerDistance;
  scrollView.setContentSize({scrollView.frame().width(), height});
  addedHeight_ = kTriggerDistance;
  paddedContentHeight_ = height;
}

void LoadMoreFooterView::loadMoreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& scrollView) {
  // Give back only what the trigger added, and only while the content still has it: a list laid out
  // anew meanwhile (a reload sets the content size from its rows) has dropped it already, and a call
  // without a trigger has nothing to give back.
  if (addedHeight_ > 0 && scrollView.contentSize().height == paddedContentHeight_) {
    scrollView.setContentSize({scrollView.frame().width(), scrollView.contentSize().height - addedHeight_});
  }
  addedHeight_ = 0;
  paddedContentHeight_ = 0;
  setState(kStateNormal);
}
