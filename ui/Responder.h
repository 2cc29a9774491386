#pragma once
// Responders and touches. A touch is delivered to the view that was hit when it began; views that do not
// handle it pass it along the responder chain: view -> its controller (for a controller's root view) ->
// superview -> ... -> window.

#include <vector>

#include "ui/Geometry.h"

namespace ui {

class View;
class Window;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

struct Touch {
  int id = 0;
  TouchPhase phase = TouchPhase::Began;
  Point windowLocation;
  Point previousWindowLocation;
  Point startWindowLocation;
  int tapCount = 1;
  double timestamp = 0;
  View* view = nullptr;  // the view hit when the touch began
  Window* window = nullptr;

  Point locationInView(const View* view) const;  // nullptr: window coordinates
  Point previousLocationInView(const View* view) const;
};

using TouchSet = std::vector<Touch>;

class Responder {
 public:
  virtual ~Responder() = default;

  virtual Responder* nextResponder() const { return nullptr; }

  virtual bool canBecomeFirstResponder() const { return false; }
  virtual bool becomeFirstResponder() { return false; }
  virtual bool canResignFirstResponder() const { return true; }
  virtual bool resignFirstResponder() { return true; }
  virtual bool isFirstResponder() const { return false; }

  // Defaults pass the touches to nextResponder().
  virtual void touchesBegan(const TouchSet& touches);
  virtual void touchesMoved(const TouchSet& touches);
  virtual void touchesEnded(const TouchSet& touches);
  virtual void touchesCancelled(const TouchSet& touches);
};

}  // namespace ui
