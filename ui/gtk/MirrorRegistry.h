#pragma once
// ui::gtk::MirrorRegistry: which content a view's mirror gets. Factories are asked newest first; the
// first that answers for the view wins, so a registration for a subclass made after its base class's
// takes precedence. Views no factory answers for get the generic mirror (no content).
//
//   MirrorRegistry::add<MyGauge, GaugeContent>();   // in the presenter's start-up, before the window opens
//
// The presenter registers the standard contents (registerStandardContents) when it starts.

#include <functional>
#include <memory>

#include "ui/View.h"
#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class MirrorRegistry {
 public:
  // Answers a content for views it knows, nullptr for the others.
  using Factory = std::function<std::unique_ptr<MirrorContent>(View& view)>;

  static void add(Factory factory);
  template <class ViewClass, class Content>
  static void add() {
    add([](View& v) -> std::unique_ptr<MirrorContent> {
      if (dynamic_cast<ViewClass*>(&v)) return std::make_unique<Content>();
      return nullptr;
    });
  }
  static std::unique_ptr<MirrorContent> contentFor(View& view);
  // The built-in contents (labels, images, buttons, bars, cells, text fields, web views, ...); once.
  static void registerStandardContents();
};

}  // namespace ui::gtk
