#include "ui/test/Harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "ui/AlertLayer.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenDescription.h"
#include "ui/Timing.h"
#include "ui/Utf16.h"

namespace ui::test {

Harness::Harness(Size screen) {
  rl::RunLoop::setMainThread();
  auto& loop = rl::RunLoop::main();
  loop.clear();
  clock_ = std::make_shared<rl::ManualClock>(0);
  loop.setClock(clock_);
  NavigationBar::setAppearanceBarStyle(BarStyle::Default);
  ViewController::setLifecycleLog([this](const ViewController& vc, const char* event) {
    lifecycle_.push_back(vc.className() + "." + event);
  });
  WebEngine::setFactory([](WebView&) { return std::make_unique<FakeWebEngine>(); });
  app_ = std::make_unique<Application>(screen);
  app_->setTerminateHandler([this](int status) { terminatedWith_ = status; });
}

Harness::~Harness() {
  ViewController::setLifecycleLog({});
  app_.reset();
  WebEngine::setFactory({});
  auto& loop = rl::RunLoop::main();
  loop.clear();
  loop.setClock(rl::Clock::real());
  NavigationBar::setAppearanceBarStyle(BarStyle::Default);
}

double Harness::now() const { return clock_->now(); }

// ---- time ----

void Harness::advance(double seconds) { rl::RunLoop::main().advance(seconds); }

void Harness::settle(double maxSeconds) {
  auto& loop = rl::RunLoop::main();
  const double deadline = now() + maxSeconds;
  loop.runUntilIdle();
  for (int guard = 0; guard < 10000; ++guard) {
    const auto next = nextScheduledTime();
    if (!next || *next > deadline) break;
    loop.advance(std::max(0.0, *next - now()));
  }
  loop.runUntilIdle();
}

void Harness::drainMain() { rl::RunLoop::main().runUntilIdle(); }

// ---- start ----

bool Harness::launch(std::shared_ptr<ApplicationDelegate> delegate) {
  app_->setDelegate(std::move(delegate));
  const bool ok = app_->launch();
  drainMain();
  return ok;
}

void Harness::setRoot(std::shared_ptr<ViewController> vc) {
  window().setRootViewController(std::move(vc));
  drainMain();
}

// ---- finding ----

void Harness::forEachVisible(const std::function<bool(View&)>& f) {
  struct Walker {
    const std::function<bool(View&)>& f;
    bool walk(View& v, const Rect& clip) {
      if (!v.isVisibleSelf()) return false;
      const Rect r = v.convertRectToView(v.bounds(), nullptr).intersection(clip);
      const Rect childClip = v.clipsToBounds() ? r : clip;
      const auto children = v.subviews();
      for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (walk(**it, childClip)) return true;
      }
      return !r.isEmpty() && f(v);
    }
  };
  Walker walker{f};
  walker.walk(window(), window().bounds());
}

Rect Harness::visibleRect(const View& view) {
  if (view.window() != &window()) return {};
  Rect r = view.convertRectToView(view.bounds(), nullptr).intersection(window().bounds());
  for (const View* v = &view; v; v = v->superview()) {
    if (!v->isVisibleSelf()) return {};
    if (v != &view && v->clipsToBounds()) r = r.intersection(v->convertRectToView(v->bounds(), nullptr));
  }
  return r;
}

Button* Harness::button(std::string_view title) {
  return find<Button>([&](const Button& b) { return b.currentTitle() == title; });
}

Label* Harness::label(std::string_view text) {
  return find<Label>([&](const Label& l) { return l.text() == text; });
}

TextField* Harness::field(std::string_view placeholderOrLabel) {
  if (auto* f = find<TextField>([&](const TextField& t) { return t.placeholder() == placeholderOrLabel; }))
    return f;
  Label* l = label(placeholderOrLabel);
  if (!l) return nullptr;
  const Rect lr = visibleRect(*l);
  TextField* best = nullptr;
  double bestScore = 0;
  for (TextField* tf : findAll<TextField>()) {
    const Rect fr = visibleRect(*tf);
    double score = -1;
    const bool sameRow = fr.minY() < lr.maxY() && lr.minY() < fr.maxY();
    if (sameRow && fr.minX() >= lr.minX()) {
      score = std::max(0.0, fr.minX() - lr.maxX());
    } else if (fr.minY() >= lr.midY() && fr.minX() < lr.maxX() && lr.minX() < fr.maxX()) {
      score = 10000 + (fr.minY() - lr.maxY());
    }
    if (score >= 0 && (!best || score < bestScore)) {
      best = tf;
      bestScore = score;
    }
  }
  return best;
}

View* Harness::tagged(int tag) {
  return find<View>([&](const View& v) { return v.tag() == tag; });
}

BarButtonView* Harness::barButton(std::string_view title) {
  return find<BarButtonView>([&](const BarButtonView& b) {
    BarButtonItem* item = b.item();
    return item && item->title() == title;
  });
}

ViewController* Harness::topScreen() {
  const auto& subviews = window().subviews();
  ViewController* vc = nullptr;
  for (auto it = subviews.rbegin(); it != subviews.rend() && !vc; ++it) {
    View& v = **it;
    if (&v == &window().alertLayer() || !v.isVisibleSelf()) continue;
    vc = v.viewController();
  }
  while (vc) {
    ViewController* child = vc->visibleChildViewController();
    if (!child) break;
    vc = child;
  }
  return vc;
}

// ---- input ----

namespace {
Point lerp(Point a, Point b, double f) { return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f}; }
}  // namespace

View* Harness::touchDown(Point p) {
  touchTime_ = std::max(now(), touchTime_);
  return window().dispatchTouch(TouchPhase::Began, p, 0, touchTime_);
}

void Harness::touchMove(Point p) {
  touchTime_ = std::max(now(), touchTime_ + 0.02);
  window().dispatchTouch(TouchPhase::Moved, p, 0, touchTime_);
}

void Harness::touchUp(Point p) {
  touchTime_ = std::max(now(), touchTime_);
  window().dispatchTouch(TouchPhase::Ended, p, 0, touchTime_);
  drainMain();
}

bool Harness::pan(const View& view, Point from, Point to, int steps, double seconds, bool release) {
  auto target = std::const_pointer_cast<View>(view.shared_from_this());
  const Point p0 = view.convertPointToView(from, nullptr);
  const Point p1 = view.convertPointToView(to, nullptr);
  steps = std::max(1, steps);
  touchTime_ = std::max(now(), touchTime_);
  const double t0 = touchTime_;
  View* hit = window().dispatchTouch(TouchPhase::Began, p0, 0, t0);
  if (!hit) return false;
  const bool inside = hit->isDescendantOf(*target);
  for (int i = 1; i <= steps; ++i) {
    const double f = static_cast<double>(i) / steps;
    touchTime_ = t0 + seconds * f;
    window().dispatchTouch(TouchPhase::Moved, lerp(p0, p1, f), 0, touchTime_);
  }
  if (release) {
    window().dispatchTouch(TouchPhase::Ended, p1, 0, touchTime_);
    drainMain();
  }
  return inside;
}

bool Harness::drag(ScrollView& scrollView, Point delta, bool release, Point velocity) {
  auto keep = scrollView.shared_from_this();
  const Rect r = visibleRect(scrollView);
  if (r.isEmpty()) return false;
  const Point p0 = r.center();
  const Point p1{p0.x + delta.x, p0.y + delta.y};
  constexpr int kSteps = 10;
  constexpr double kStepTime = 0.02;
  touchTime_ = std::max(now(), touchTime_);
  if (!window().dispatchTouch(TouchPhase::Began, p0, 0, touchTime_)) return false;
  const double speed = std::hypot(velocity.x, velocity.y);
  const double stepLength = std::hypot(delta.x, delta.y) / kSteps;
  for (int i = 1; i <= kSteps; ++i) {
    double dt = kStepTime;
    if (i == kSteps && speed > 0 && stepLength > 0) dt = stepLength / speed;
    touchTime_ += dt;
    window().dispatchTouch(TouchPhase::Moved, lerp(p0, p1, static_cast<double>(i) / kSteps), 0, touchTime_);
  }
  if (speed <= 0) {
    touchTime_ += kStepTime;  // the finger rests before it lifts
    window().dispatchTouch(TouchPhase::Moved, p1, 0, touchTime_);
  }
  const bool dragged = scrollView.isDragging();
  if (release) {
    window().dispatchTouch(TouchPhase::Ended, p1, 0, touchTime_);
    drainMain();
  }
  return dragged;
}

bool Harness::longPress(const View& view, double seconds) {
  const Rect r = visibleRect(view);
  if (r.isEmpty()) return false;
  auto target = std::const_pointer_cast<View>(view.shared_from_this());
  View* hit = touchDown(r.center());
  const bool inside = hit && hit->isDescendantOf(*target);
  if (!hit) return false;
  advance(seconds);
  touchUp(r.center());
  return inside;
}

bool Harness::longPress(Point p, double seconds) {
  View* hit = touchDown(p);
  if (!hit) return false;
  const bool onView = hit != &window();
  advance(seconds);
  touchUp(p);
  return onView;
}

Canvas Harness::render(View& view) {
  Canvas out;
  struct Walker {
    Canvas& out;
    void walk(View& v, const Transform& toRoot) {
      if (!v.isVisibleSelf()) return;
      Canvas own;
      v.displayInto(own);
      out.append(own, toRoot);
      for (auto& child : std::vector(v.subviews()))
        walk(*child, child->toSuperviewTransform().concat(toRoot));
    }
  };
  Walker{out}.walk(view, Transform{});
  return out;
}

bool Harness::tap(Point p) {
  View* hit = touchDown(p);
  std::shared_ptr<View> keep = hit ? hit->shared_from_this() : nullptr;
  touchUp(p);
  return hit && hit != &window();
}

bool Harness::tap(const View& view) {
  const Rect r = visibleRect(view);
  if (r.isEmpty()) return false;
  auto target = std::const_pointer_cast<View>(view.shared_from_this());
  const Point p = r.center();
  View* hit = touchDown(p);
  const bool inside = hit && hit->isDescendantOf(*target);
  touchUp(p);
  return inside;
}

bool Harness::focus(TextField& field) {
  if (field.isEditing()) return true;
  tap(field);
  return field.isEditing();
}

bool Harness::type(TextField& field, std::string_view text) {
  auto keep = field.shared_from_this();
  if (!focus(field)) return false;
  for (const auto& ch : utf8Characters(text)) field.userInsertText(ch);
  drainMain();
  return true;
}

int Harness::backspace(TextField& field, int times) {
  auto keep = field.shared_from_this();
  if (!focus(field)) return 0;
  int done = 0;
  for (int i = 0; i < times; ++i) {
    if (field.userDeleteBackward()) ++done;
  }
  drainMain();
  return done;
}

bool Harness::pressReturn(TextField& field) {
  auto keep = field.shared_from_this();
  const bool ok = field.userReturn();
  drainMain();
  return ok;
}

bool Harness::focus(TextView& textView) {
  if (textView.isEditing()) return true;
  tap(textView);
  return textView.isEditing();
}

bool Harness::type(TextView& textView, std::string_view text) {
  auto keep = textView.shared_from_this();
  if (!focus(textView)) return false;
  for (const auto& ch : utf8Characters(text)) textView.userInsertText(ch);
  drainMain();
  return true;
}

int Harness::backspace(TextView& textView, int times) {
  auto keep = textView.shared_from_this();
  if (!focus(textView)) return 0;
  int done = 0;
  for (int i = 0; i < times; ++i) {
    if (textView.userDeleteBackward()) ++done;
  }
  drainMain();
  return done;
}

bool Harness::tapRow(TableView& table, IndexPath indexPath) {
  auto keep = table.shared_from_this();
  if (!table.cellForRowAtIndexPath(indexPath) ||
      visibleRect(*table.cellForRowAtIndexPath(indexPath)).height() <
          table.rectForRowAtIndexPath(indexPath).height()) {
    table.scrollToRowAtIndexPath(indexPath, TableViewScrollPosition::None, false);
  }
  TableViewCell* cell = table.cellForRowAtIndexPath(indexPath);
  return cell && tap(*cell);
}

bool Harness::swipeToDelete(TableView& table, IndexPath indexPath) {
  auto keep = table.shared_from_this();
  if (!table.cellForRowAtIndexPath(indexPath) ||
      visibleRect(*table.cellForRowAtIndexPath(indexPath)).height() <
          table.rectForRowAtIndexPath(indexPath).height()) {
    table.scrollToRowAtIndexPath(indexPath, TableViewScrollPosition::None, false);
  }
  TableViewCell* cell = table.cellForRowAtIndexPath(indexPath);
  if (!cell) return false;
  const Rect r = visibleRect(*cell);
  if (r.isEmpty()) return false;
  const Point from{r.maxX() - 20, r.midY()};
  const Point to{from.x - 120, from.y};
  pan(window(), from, to, 12, 0.2);
  return table.rowShowingDeleteConfirmation() == indexPath;
}

bool Harness::confirmDelete(TableView& table) {
  auto keep = table.shared_from_this();
  const auto row = table.rowShowingDeleteConfirmation();
  TableViewCell* cell = row ? table.cellForRowAtIndexPath(*row) : nullptr;
  Button* button = cell ? cell->deleteConfirmationButton() : nullptr;
  return button && tap(*button);
}

bool Harness::selectSegment(SegmentedControl& control, int index) {
  const Rect segment = control.segmentRect(index);
  if (segment.isEmpty()) return false;
  const Rect r = visibleRect(control).intersection(control.convertRectToView(segment, nullptr));
  if (r.isEmpty()) return false;
  auto keep = control.shared_from_this();
  View* hit = touchDown(r.center());
  const bool inside = hit && hit->isDescendantOf(control);
  touchUp(r.center());
  return inside;
}

bool Harness::tapBarButton(std::string_view title) {
  BarButtonView* b = barButton(title);
  return b && tap(*b);
}

// ---- web views ----

FakeWebEngine& Harness::web(WebView& webView) {
  auto* fake = dynamic_cast<FakeWebEngine*>(&webView.engine());
  if (!fake) {
    std::fprintf(stderr, "Harness::web: this web view's engine is not the harness's (made before it?)\n");
    std::abort();
  }
  return *fake;
}

// ---- alerts ----

AlertPanel* Harness::topPanel() { return window().alertLayer().topPanel(); }

AlertView* Harness::alert() { return dynamic_cast<AlertView*>(topPanel()); }

ActionSheet* Harness::sheet() { return dynamic_cast<ActionSheet*>(topPanel()); }

std::vector<AlertView*> Harness::alerts() {
  std::vector<AlertView*> out;
  for (auto& p : window().alertLayer().panels()) {
    if (auto* a = dynamic_cast<AlertView*>(p.get())) out.push_back(a);
  }
  return out;
}

bool Harness::press(std::string_view buttonTitle) {
  AlertPanel* panel = topPanel();
  if (!panel) return false;
  auto keep = panel->shared_from_this();
  for (int i = 0; i < panel->numberOfButtons(); ++i) {
    if (panel->buttonTitleAtIndex(i) != buttonTitle) continue;
    Button* b = panel->buttonView(i);
    return b && tap(*b);
  }
  return false;
}

bool Harness::typeInAlert(std::string_view text) {
  AlertView* a = alert();
  TextField* f = a ? a->textFieldAtIndex(0) : nullptr;
  return f && type(*f, text);
}

std::string Harness::screens() const { return describeScreens(app_->keyWindow()); }

}  // namespace ui::test
