#pragma once
// The callbacks a screen hands out (button targets, bar items, recognisers, alert completions, replies)
// must not keep it alive and must do nothing once it is gone. weakScreen and whileAlive are the one way
// the screens write that.

#include <memory>
#include <type_traits>
#include <utility>

#include "ui/ViewController.h"

namespace ui {

// A weak pointer to a screen as its own class; empty when no shared pointer owns the screen (yet).
template <class Screen>
std::weak_ptr<Screen> weakScreen(Screen& screen) {
  return std::static_pointer_cast<Screen>(static_cast<ViewController&>(screen).weak_from_this().lock());
}

// A callback that runs `fn(screen, args...)` while the screen lives, or `fn(screen)` where fn takes
// none of the arguments the caller passes (a button's sender, an alert's button index, ...).
template <class Screen, class Fn>
auto whileAlive(Screen& screen, Fn fn) {
  return [weak = weakScreen(screen), fn = std::move(fn)](auto&&... args) {
    auto self = weak.lock();
    if (!self) return;
    if constexpr (std::is_invocable_v<const Fn&, Screen&, decltype(args)...>)
      fn(*self, std::forward<decltype(args)>(args)...);
    else
      fn(*self);
  };
}

}  // namespace ui
