#include "tests/gallery/GalleryChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/Control.h"
#include "ui/ImageView.h"
#include "ui/TextField.h"
#include "ui/Window.h"

namespace gallery {

namespace {

// The pink GTK's cairo renderer paints where it cannot draw a node.
constexpr std::uint32_t kRendererPink = 0xFF69B4FF;

bool isReference(const ui::Image& image) {
  return !image.name().empty() && !image.bitmap() && !image.hasData() && !image.isDrawn();
}

// The size a picture shows at when the view does not scale it: its own, or its bundle file's.
ui::Size naturalSize(const ui::Image& image) {
  if (image.size().width > 0 && image.size().height > 0) return image.size();
  return isReference(image) ? ui::Image::named(image.name())->size() : ui::Size{};
}

bool scales(ui::ContentMode mode) {
  return mode == ui::ContentMode::ScaleToFill || mode == ui::ContentMode::ScaleAspectFit ||
         mode == ui::ContentMode::ScaleAspectFill;
}

std::string text(const ui::Rect& r) {
  char out[80];
  std::snprintf(out, sizeof out, "(%.0f,%.0f %.0fx%.0f)", r.minX(), r.minY(), r.width(), r.height());
  return out;
}

bool matches(const std::string& pattern, const std::string& value) {
  return pattern == "*" || pattern == value;
}

// A control that takes clicks: enabled, and the window's hit test finds it (or a view inside it) at one
// of a few points of what shows of it.
bool takesClicks(road::Road& road, ui::View& view) {
  auto* control = dynamic_cast<ui::Control*>(&view);
  if (!control || !control->isEnabled() || !control->isUserInteractionEnabled()) return false;
  const ui::Rect r = road.visibleRect(view);
  if (r.width() < 2 || r.height() < 2) return false;
  ui::Window& window = road.window().app().keyWindow();
  for (double fx : {0.5, 0.2, 0.8})
    for (double fy : {0.5, 0.2, 0.8}) {
      ui::View* hit = window.hitTest({r.minX() + r.width() * fx, r.minY() + r.height() * fy});
      if (hit && hit->isDescendantOf(view)) return true;
    }
  return false;
}

struct PageElement {
  std::string description;
  ui::Rect rect;  // in the window
};

// The clickable elements of a question page that show in its view, in window points.
std::vector<PageElement> pageElements(road::Road& road, ui::WebView& page) {
  const std::string script = R"((function(){
    var out = [];
    var all = document.querySelectorAll('input, button, a[href], [onclick]');
    for (var i = 0; i < all.length; ++i) {
      var e = all[i];
      if (e.type === 'hidden' || !e.offsetParent) continue;
      var r = e.getBoundingClientRect();
      if (r.width < 2 || r.height < 2) continue;
      if (r.bottom <= 0 || r.top >= window.innerHeight) continue;
      out.push(e.tagName.toLowerCase() + (e.id ? '#' + e.id : '') + (e.name ? '[' + e.name + ']' : '') +
               '|' + r.left + '|' + r.top + '|' + r.width + '|' + r.height);
    }
    return out.join('\n');
  })())";
  std::vector<PageElement> out;
  const ui::Rect frame = gtktest::WindowSession::frameOf(page);
  const ui::Rect shows = road.visibleRect(page);
  std::istringstream lines(road.evaluate(page, script));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> parts;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '|');) parts.push_back(f);
    if (parts.size() != 5) continue;
    const ui::Rect r{frame.minX() + std::stod(parts[1]), frame.minY() + std::stod(parts[2]), std::stod(parts[3]),
                     std::stod(parts[4])};
    const ui::Rect seen = r.intersection(shows);
    if (seen.width() < 2 || seen.height() < 2) continue;
    // Only what takes clicks: the window's hit test reaches the page somewhere on the element.
    ui::Window& window = road.window().app().keyWindow();
    bool reached = false;
    for (double fx : {0.5, 0.15, 0.85})
      for (double fy : {0.5, 0.15, 0.85}) {
        ui::View* hit = window.hitTest({seen.minX() + seen.width() * fx, seen.minY() + seen.height() * fy});
        reached |= hit && hit->isDescendantOf(page);
      }
    if (reached) out.push_back({"page " + parts[0], seen});
  }
  return out;
}

}  // namespace

std::string describeControl(const ui::View& view) {
  std::string out = view.className();
  if (const auto* b = dynamic_cast<const ui::Button*>(&view)) {
    std::string title = b->currentTitle();
    if (const auto* bar = dynamic_cast<const ui::BarButtonView*>(b); bar && title.empty() && bar->item())
      title = bar->item()->title();
    if (!title.empty()) return out + " \"" + title + "\"";
    if (auto image = b->currentImage(); image && !image->name().empty()) return out + " <" + image->name() + ">";
    if (auto image = b->currentBackgroundImage(); image && !image->name().empty())
      return out + " <" + image->name() + ">";
  } else if (const auto* f = dynamic_cast<const ui::TextField*>(&view)) {
    return out + " [" + f->placeholder() + "]";
  }
  return out;
}

void checkPictures(road::Road& road, const gtktest::Shot& shot, const std::string& name) {
  const std::string where = "on " + name + " (" + road.topName() + "): ";
  std::set<std::string> faults;
  road.forEachVisible([&](ui::View& v) {
    std::vector<std::pair<std::shared_ptr<ui::Image>, std::string>> images;
    if (auto* iv = dynamic_cast<ui::ImageView*>(&v)) {
      if (const auto& image = iv->currentImage()) {
        images.emplace_back(image, "image view");
        const ui::Size natural = naturalSize(*image);
        const ui::Size frame = v.bounds().size;
        if (!scales(iv->contentMode()) && natural.width > 0 &&
            (natural.width > frame.width + 0.5 || natural.height > frame.height + 0.5)) {
          char size[96];
          std::snprintf(size, sizeof size, " is %.0fx%.0f, cut by its frame of %.0fx%.0f", natural.width,
                        natural.height, frame.width, frame.height);
          faults.insert(where + "the picture \"" + image->name() + "\"" + size);
        }
      }
    } else if (auto* b = dynamic_cast<ui::Button*>(&v)) {
      if (auto image = b->currentImage()) images.emplace_back(image, describeControl(v));
      if (auto image = b->currentBackgroundImage()) images.emplace_back(image, describeControl(v));
    }
    for (const auto& [image, shownBy] : images) {
      if (isReference(*image) && ui::Image::named(image->name())->filePath().empty())
        faults.insert(where + "the picture \"" + image->name() + "\" (" + shownBy + ") is not in the bundle");
    }
    return false;
  });
  // The renderer's pink box.
  int pink = 0;
  ui::Rect box;
  for (int y = 0; y < shot.pixels.height; ++y)
    for (int x = 0; x < shot.pixels.width; ++x)
      if (shot.pixels.pixel(x, y) == kRendererPink) {
        const ui::Rect p{static_cast<double>(x), static_cast<double>(y), 1, 1};
        box = pink++ == 0 ? p : box.unionWith(p);
      }
  if (pink > 16) faults.insert(where + "a view is painted as the renderer's pink box at " + text(box));
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
}

void checkOverlaps(road::Road& road, const std::string& name, const std::vector<Layering>& layerings) {
  const std::string screen = road.topName();
  struct Clickable {
    ui::View* view;  // nullptr for a page element
    std::string description;
    ui::Rect rect;
  };
  std::vector<Clickable> controls;
  std::vector<ui::WebView*> pages;
  road.forEachVisible([&](ui::View& v) {
    if (auto* page = dynamic_cast<ui::WebView*>(&v); page && road.visibleRect(v).width() > 200) pages.push_back(page);
    if (takesClicks(road, v)) controls.push_back({&v, describeControl(v), road.visibleRect(v)});
    return false;
  });
  auto layered = [&](const std::string& a, const std::string& b) {
    return std::any_of(layerings.begin(), layerings.end(), [&](const Layering& l) {
      return matches(l.screen, screen) &&
             ((matches(l.over, a) && matches(l.under, b)) || (matches(l.over, b) && matches(l.under, a)));
    });
  };
  auto report = [&](const Clickable& a, const Clickable& b) {
    ADD_FAILURE() << "on " << name << " (" << screen << "): " << a.description << " " << text(a.rect) << " and "
                  << b.description << " " << text(b.rect) << " overlap, both taking clicks";
  };
  for (std::size_t i = 0; i < controls.size(); ++i)
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const Clickable& a = controls[i];
      const Clickable& b = controls[j];
      if (a.view->isDescendantOf(*b.view) || b.view->isDescendantOf(*a.view)) continue;
      const ui::Rect both = a.rect.intersection(b.rect);
      if (both.width() < 2 || both.height() < 2) continue;
      // A control wholly on a larger one (a row's button, a sheet on its dimmed backdrop) is layering: both
      // take clicks, so the smaller one lies in front.
      if (both == a.rect || both == b.rect) continue;
      if (layered(a.description, b.description)) continue;
      report(a, b);
    }
  for (ui::WebView* page : pages) {
    for (const PageElement& element : pageElements(road, *page)) {
      for (const Clickable& c : controls) {
        if (c.view->isDescendantOf(*page)) continue;
        const ui::Rect both = c.rect.intersection(element.rect);
        if (both.width() < 2 || both.height() < 2) continue;
        if (layered(c.description, element.description)) continue;
        report(c, {nullptr, element.description, element.rect});
      }
    }
  }
}

}  // namespace gallery
