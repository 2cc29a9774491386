#include "ui/Animation.h"

#include <algorithm>
#include <utility>

#include "platform/runloop/RunLoop.h"
#include "ui/Application.h"
#include "ui/Timing.h"
#include "ui/View.h"
#include "ui/detail/Appearance.h"

namespace ui {

const char* toString(AnimatableProperty property) {
  switch (property) {
    case AnimatableProperty::Frame:
      return "frame";
    case AnimatableProperty::Center:
      return "center";
    case AnimatableProperty::Bounds:
      return "bounds";
    case AnimatableProperty::Alpha:
      return "alpha";
    case AnimatableProperty::Transform:
      return "transform";
    case AnimatableProperty::BackgroundColor:
      return "backgroundColor";
    case AnimatableProperty::ShadowPath:
      return "shadowPath";
  }
  return "?";
}

namespace {
template <class T>
T valueAs(const AnimationValue& v) {
  if (const T* p = std::get_if<T>(&v)) return *p;
  return T{};
}
}  // namespace

double AnimationRecord::fromDouble() const { return valueAs<double>(from); }
double AnimationRecord::toDouble() const { return valueAs<double>(to); }
Rect AnimationRecord::fromRect() const { return valueAs<Rect>(from); }
Rect AnimationRecord::toRect() const { return valueAs<Rect>(to); }
Point AnimationRecord::fromPoint() const { return valueAs<Point>(from); }
Point AnimationRecord::toPoint() const { return valueAs<Point>(to); }

// ---- AnimationLog ----

std::vector<AnimationRecord> AnimationLog::recordsFor(const View& view,
                                                      std::optional<AnimatableProperty> property) const {
  std::vector<AnimationRecord> out;
  for (const auto& r : records_) {
    if (r.view == &view && (!property || r.property == *property)) out.push_back(r);
  }
  return out;
}

std::optional<AnimationRecord> AnimationLog::last(const View& view, AnimatableProperty property) const {
  for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
    if (it->view == &view && it->property == property) return *it;
  }
  return std::nullopt;
}

int AnimationLog::addObserver(std::function<void(const AnimationRecord&)> observer) {
  const int id = nextObserver_++;
  observers_.emplace_back(id, std::move(observer));
  return id;
}

void AnimationLog::removeObserver(int id) {
  std::erase_if(observers_, [id](auto& o) { return o.first == id; });
}

void AnimationLog::append(AnimationRecord record) {
  if (records_.size() >= kCapacity) {
    records_.erase(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(kCapacity / 4));
  }
  records_.push_back(std::move(record));
  const AnimationRecord& added = records_.back();
  const AnimationRecord copy = added;
  for (auto& [id, observer] : std::vector(observers_)) {
    if (observer) observer(copy);
  }
}

AnimationLog* currentAnimationLog() {
  Application* app = Application::current();
  return app ? &app->animations() : nullptr;
}

// ---- blocks ----

namespace {

struct Block {
  double duration = 0;
  double delay = 0;
  AnimationOptions options;
  std::string id;
  bool beginCommit = false;
  bool suppressed = false;
  std::function<void(bool)> completion;
  std::function<void(const std::string&, bool)> didStop;
  std::vector<AnimationRecord> records;
};

// An animation whose completion has not run yet.
struct Pending {
  std::uint64_t group = 0;
  std::vector<std::pair<const View*, AnimatableProperty>> keys;
  bool finished = true;
};

std::vector<Block>& blocks() {
  static std::vector<Block> stack;
  return stack;
}

std::vector<std::shared_ptr<Pending>>& pending() {
  static std::vector<std::shared_ptr<Pending>> list;
  return list;
}

std::uint64_t nextGroup() {
  static std::uint64_t group = 0;
  return ++group;
}

double clockNow() { return rl::RunLoop::main().now(); }

// Closes a block: its records go to the log and its completion is scheduled.
void closeBlock(Block block) {
  const std::uint64_t group = nextGroup();
  const double now = clockNow();
  auto entry = std::make_shared<Pending>();
  entry->group = group;
  AnimationLog* log = currentAnimationLog();
  for (auto& r : block.records) {
    r.duration = block.duration;
    r.delay = block.delay;
    r.curve = block.options.curve;
    r.startTime = now;
    r.group = group;
    r.id = block.id;
    entry->keys.emplace_back(r.view, r.property);
  }
  // A later animation of the same property of the same view takes over: the earlier one does not finish.
  for (auto& p : pending()) {
    for (const auto& key : p->keys) {
      if (std::find(entry->keys.begin(), entry->keys.end(), key) != entry->keys.end()) {
        p->finished = false;
        break;
      }
    }
  }
  if (log) {
    for (auto& r : block.records) log->append(std::move(r));
  }
  if (!block.completion && !block.didStop) return;
  pending().push_back(entry);
  auto complete = [entry, completion = std::move(block.completion), didStop = std::move(block.didStop),
                   id = std::move(block.id)] {
    std::erase(pending(), entry);
    if (completion) completion(entry->finished);
    if (didStop) didStop(id, entry->finished);
  };
  const double after = block.delay + block.duration;
  if (after <= 0) {
    rl::RunLoop::main().post(std::move(complete));  // the next turn of the loop, never inline
  } else {
    scheduleAfter(after, std::move(complete));
  }
}

Block* openBeginCommitBlock() {
  auto& stack = blocks();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (it->beginCommit) return &*it;
  }
  return nullptr;
}

}  // namespace

namespace detail {

bool insideAnimationBlock() { return !blocks().empty() && !blocks().back().suppressed; }

void recordAnimatableChange(View& view, AnimatableProperty property, AnimationValue from, AnimationValue to) {
  if (!insideAnimationBlock()) return;
  auto& records = blocks().back().records;
  for (auto& r : records) {
    if (r.view == &view && r.property == property) {
      r.to = std::move(to);
      return;
    }
  }
  AnimationRecord r;
  r.view = &view;
  r.viewRef = view.weak_from_this();
  r.property = property;
  r.from = std::move(from);
  r.to = std::move(to);
  records.push_back(std::move(r));
}

void recordLayerAnimation(View& view, AnimatableProperty property, AnimationValue from, AnimationValue to,
                          double duration, AnimationCurve curve, std::string key) {
  AnimationLog* log = currentAnimationLog();
  if (!log) return;
  AnimationRecord r;
  r.view = &view;
  r.viewRef = view.weak_from_this();
  r.property = property;
  r.from = std::move(from);
  r.to = std::move(to);
  r.duration = duration;
  r.curve = curve;
  r.startTime = clockNow();
  r.group = nextGroup();
  r.id = std::move(key);
  log->append(std::move(r));
}

}  // namespace detail

// ---- View's animation calls ----

void View::animate(double duration, double delay, AnimationOptions options,
                   const std::function<void()>& changes, std::function<void(bool finished)> completion) {
  detail::assertMainThread("View::animate");
  Block block;
  block.duration = duration < 0 ? 0 : duration;
  block.delay = delay < 0 ? 0 : delay;
  block.options = options;
  blocks().push_back(std::move(block));
  if (changes) changes();
  Block done = std::move(blocks().back());
  blocks().pop_back();
  done.completion = std::move(completion);
  closeBlock(std::move(done));
}

void View::animate(double duration, const std::function<void()>& changes,
                   std::function<void(bool finished)> completion) {
  animate(duration, 0, AnimationOptions{}, changes, std::move(completion));
}

void View::beginAnimations(std::string animationID) {
  detail::assertMainThread("View::beginAnimations");
  Block block;
  block.duration = 0.2;
  block.id = std::move(animationID);
  block.beginCommit = true;
  blocks().push_back(std::move(block));
}

void View::setAnimationDuration(double seconds) {
  if (Block* b = openBeginCommitBlock()) b->duration = seconds < 0 ? 0 : seconds;
}

void View::setAnimationDelay(double seconds) {
  if (Block* b = openBeginCommitBlock()) b->delay = seconds < 0 ? 0 : seconds;
}

void View::setAnimationCurve(AnimationCurve curve) {
  if (Block* b = openBeginCommitBlock()) b->options.curve = curve;
}

void View::setAnimationDidStop(std::function<void(const std::string& animationID, bool finished)> didStop) {
  if (Block* b = openBeginCommitBlock()) b->didStop = std::move(didStop);
}

void View::commitAnimations() {
  detail::assertMainThread("View::commitAnimations");
  auto& stack = blocks();
  if (stack.empty() || !stack.back().beginCommit) return;  // unmatched commit
  Block done = std::move(stack.back());
  stack.pop_back();
  closeBlock(std::move(done));
}

void View::performWithoutAnimation(const std::function<void()>& changes) {
  Block block;
  block.suppressed = true;
  blocks().push_back(std::move(block));
  if (changes) changes();
  blocks().pop_back();
}

}  // namespace ui
