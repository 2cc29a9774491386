#pragma once
// LoadMoreFooterView: the strip under a paged list that invites the user to pull up for more.
//
// The list screen forwards its scroll view's events to it: loadMoreScrollViewDidScroll from
// scrollViewDidScroll, loadMoreshScrollViewDidEndDragging from scrollViewDidEndDragging. While the user
// drags more than kTriggerDistance points past the end of the content the footer reads "松开即可加载更多...";
// letting go there asks the delegate for the next page, shows "加载中..." and lengthens the content by
// kTriggerDistance so that the footer stays in view. When the page has arrived (or failed) the screen calls
// loadMoreshScrollViewDataSourceDidFinishedLoading, which gives back exactly the length the trigger added
// (nothing when there was no trigger, or when the content was laid out anew meanwhile) and returns to
// "上拉即可加载更多...".
//
// Texts go through the bundle's string table with the text itself as the key. Main thread only.

#include <memory>

#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/View.h"

class LoadMoreFooterView;

// Both operations are optional.
struct LoadMoreFooterViewDelegate {
  virtual ~LoadMoreFooterViewDelegate() = default;
  // Load the next page now.
  virtual void loadMoreTableFooterDidTriggerRefresh(LoadMoreFooterView& view) {}
  // Whether a page is being loaded (no trigger and no state change meanwhile).
  virtual bool loadMoreTableFooterDataSourceIsLoading(LoadMoreFooterView& view) { return false; }
};

// The small grey activity indicator of the footer (20 x 20 points). It shows only while it spins; the
// model does not spin it, whoever presents it does while isAnimating().
class LoadMoreActivityIndicator : public ui::View {
 public:
  static constexpr double kSize = 20;
  LoadMoreActivityIndicator();
  std::string className() const override { return "LoadMoreActivityIndicator"; }
  void startAnimating();
  void stopAnimating();
  bool isAnimating() const { return animating_; }
  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

 private:
  bool animating_ = false;
};

class LoadMoreFooterView : public ui::View {
 public:
  static constexpr int kStatePulling = 3;  // dragged past the trigger distance: letting go loads
  static constexpr int kStateNormal = 4;
  static constexpr int kStateLoading = 5;
  static constexpr double kTriggerDistance = 60;
  static constexpr double kArrowAnimationDuration = 0.18;

  // Make with std::make_shared. Starts in the normal state.
  explicit LoadMoreFooterView(ui::Rect frame);
  std::string className() const override { return "LoadMoreFooterView"; }

  std::shared_ptr<LoadMoreFooterViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LoadMoreFooterViewDelegate> delegate) { delegate_ = std::move(delegate); }

  int state() const { return state_; }
  // 3, 4 and 5 change the text, the arrow and the indicator; any other value is only stored.
  void setState(int state);

  void loadMoreScrollViewDidScroll(ui::ScrollView& scrollView);
  void loadMoreshScrollViewDidEndDragging(ui::ScrollView& scrollView);
  void loadMoreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& scrollView);

  ui::Label& statusLabel() const { return *statusLabel_; }
  // The arrow: turned by pi while pulling, hidden while loading. It carries no image.
  ui::View& arrowImage() const { return *arrowImage_; }
  LoadMoreActivityIndicator& activityView() const { return *activityView_; }
  // How much the last trigger lengthened the content and has not yet been given back (0 or 60).
  double addedContentHeight() const { return addedHeight_; }

 private:
  bool dataSourceIsLoading();
  static double bottomOf(const ui::ScrollView& scrollView);

  std::weak_ptr<LoadMoreFooterViewDelegate> delegate_;
  int state_ = 0;
  std::shared_ptr<ui::Label> statusLabel_;
  std::shared_ptr<ui::View> arrowImage_;
  std::shared_ptr<LoadMoreActivityIndicator> activityView_;
  double addedHeight_ = 0;
  double paddedContentHeight_ = 0;  // the content height right after the trigger lengthened it
};
