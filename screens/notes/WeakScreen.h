#pragma once
// weakScreen: a weak pointer to a screen as its own class, for the closures its buttons, recognisers
// and alerts keep. A closure that finds the screen gone does nothing.

#include <memory>

#include "ui/ViewController.h"

template <class Screen>
std::weak_ptr<Screen> weakScreen(Screen& screen) {
  return std::static_pointer_cast<Screen>(static_cast<ui::ViewController&>(screen).shared_from_this());
}

// An action that calls `fn(screen, args...)` while the screen lives.
template <class Screen, class Fn>
auto whileAlive(Screen& screen, Fn fn) {
  return [weak = weakScreen(screen), fn](auto&&... args) {
    if (auto self = weak.lock()) fn(*self, std::forward<decltype(args)>(args)...);
  };
}
