#include "ui/ScreenDescription.h"

#include "ui/AlertLayer.h"
#include "ui/AlertPanel.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

namespace ui {

namespace {

std::string indent(int depth) { return std::string(static_cast<std::size_t>(depth) * 2, ' '); }

std::string headline(const ViewController& vc) {
  std::string line = vc.className();
  if (!vc.title().empty()) line += " \"" + vc.title() + "\"";
  if (!vc.isViewLoaded()) line += " (not loaded)";
  return line;
}

void describeInto(const ViewController& vc, int depth, std::string& out);

void describeBody(const ViewController& vc, int depth, std::string& out) {
  if (auto* nav = dynamic_cast<const NavigationController*>(&vc)) {
    const auto& stack = nav->viewControllers();
    for (std::size_t i = 0; i < stack.size(); ++i) {
      out += indent(depth) + "[" + std::to_string(i) + "] ";
      describeInto(*stack[i], depth, out);
    }
  } else {
    for (auto& child : vc.childViewControllers()) {
      out += indent(depth) + "child: ";
      describeInto(*child, depth, out);
    }
  }
  // Only the topmost ancestor presents; its presented screen is listed under it.
  if (!vc.parentViewController()) {
    if (auto presented = vc.sharedPresentedViewController()) {
      out += indent(depth) + "presented: ";
      describeInto(*presented, depth, out);
    }
  }
}

// Writes the headline (the caller wrote the indentation and prefix) and the body one step deeper.
void describeInto(const ViewController& vc, int depth, std::string& out) {
  out += headline(vc) + "\n";
  describeBody(vc, depth + 1, out);
}

}  // namespace

std::string describeScreen(const ViewController& vc, int depth) {
  std::string out = indent(depth);
  describeInto(vc, depth, out);
  return out;
}

std::string describeScreens(const Window& window) {
  std::string out;
  if (auto root = window.sharedRootViewController()) {
    out += "root: ";
    describeInto(*root, 0, out);
  } else {
    out += "root: (none)\n";
  }
  for (auto& overlay : window.overlays()) {
    out += "overlay: ";
    describeInto(*overlay, 0, out);
  }
  for (auto& panel : window.alertLayer().panels()) {
    out += (panel->className() == "ActionSheet" ? "sheet: " : "alert: ") + panel->describe() + "\n";
  }
  return out;
}

}  // namespace ui
