#pragma once
// ui::gtk::AnimationPresenter: plays the model's animations in the window. The model applied each
// animation's end values at once and wrote a record to the application's animation log; for every
// record with a duration, the presenter shows the view going from the record's start value to its end
// value over the record's delay and duration, with its curve, frame by frame (the mirror's
// presentation values), then lets the mirror show the model again. Completions still come from the
// model's clock, so what happens after an animation happens in the same order as headless.

#include <memory>
#include <vector>

#include "ui/Animation.h"

typedef unsigned int guint;

namespace ui {
class Application;
}

namespace ui::gtk {

class MirrorTree;

class AnimationPresenter {
 public:
  AnimationPresenter(Application& app, MirrorTree& tree);
  ~AnimationPresenter();
  AnimationPresenter(const AnimationPresenter&) = delete;
  AnimationPresenter& operator=(const AnimationPresenter&) = delete;

  bool isAnimating() const { return !running_.empty(); }
  // Moves every running animation on to the clock's time (the frame clock calls it).
  void step();

 private:
  struct Running {
    std::weak_ptr<View> view;
    View* raw = nullptr;
    AnimatableProperty property;
    AnimationValue from;
    AnimationValue to;
    double start = 0;
    double duration = 0;
    AnimationCurve curve = AnimationCurve::EaseInOut;
  };
  void started(const AnimationRecord& record);
  void show(const Running& r, double fraction, bool finished);

  Application& app_;
  MirrorTree& tree_;
  int observer_ = 0;
  std::vector<Running> running_;
  guint tick_ = 0;
};

}  // namespace ui::gtk
