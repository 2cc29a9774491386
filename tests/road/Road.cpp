#include "tests/road/Road.h"

#include <gtest/gtest.h>
#include <pango/pango.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/OperationQueue.h"
#include "screens/AllScreens.h"
#include "service/ServerConfig.h"
#include "tests/support/FixedReachability.h"
#include "ui/AlertLayer.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationBar.h"
#include "ui/PixbufCodec.h"
#include "ui/ScreenDescription.h"
#include "ui/ScrollView.h"
#include "ui/TextMeasurer.h"
#include "ui/Window.h"
#include "ui/detail/PangoText.h"

namespace road {

namespace {

std::string quotedForScript(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

bool insideScrollView(const ui::View& view) {
  for (const ui::View* v = view.superview(); v; v = v->superview())
    if (dynamic_cast<const ui::ScrollView*>(v)) return true;
  return false;
}

}  // namespace

Road::Road(Pictures pictures) : pictures_(std::move(pictures)) {}

Road::~Road() {
  if (session_) stop();
  ui::gtk::WebKitEngine::setConsoleListener({});
  home_.reset();
}

bool Road::prepare() {
  if (!server_.start()) {
    failure_ = "the loopback server did not start: " + server_.failure();
    return false;
  }
  // No notices: the road meets the screens themselves.
  if (!server_.scenario(R"({"notices": []})")) {
    failure_ = "the loopback server refused the scenario";
    return false;
  }
  home_ = std::make_unique<testsupport::TempHome>("vd-road");
  if (home_->path().empty()) {
    failure_ = "no temporary home";
    return false;
  }
  // What scripts/run.sh gives the application: the loopback server's bases.
  ::setenv(ServerConfig::kMainAPIBaseEnv, server_.mainBase().c_str(), 1);
  ::setenv(ServerConfig::kUpdateCentreBaseEnv, server_.updateBase().c_str(), 1);
  ::setenv(ServerConfig::kResourceRootEnv, server_.origin().c_str(), 1);
  ::setenv(ServerConfig::kVerificationCodeBaseEnv, server_.codeBase().c_str(), 1);
  ServerConfig::reload();

  const char* dir = std::getenv(pictures_.env.c_str());
  if (!dir || !*dir) dir = std::getenv(pictures_.defaultEnv.c_str());
  shots_ = dir && *dir ? dir : (std::filesystem::temp_directory_path() / pictures_.fallback).string();
  std::error_code ec;
  std::filesystem::create_directories(shots_, ec);
  for (const auto& entry : std::filesystem::directory_iterator(shots_, ec))
    if (entry.path().extension() == ".png") std::filesystem::remove(entry.path(), ec);

  ui::gtk::WebKitEngine::setConsoleListener(
      [this](const ui::gtk::WebKitEngine::ConsoleMessage& m) { console_.push_back(m); });
  return true;
}

void Road::start() {
  core::UserDefaults::resetStandard();
  core::Bundle::resetMain();
  HTTPRequest::clearSession();
  registerEveryScreen();
  session_ = std::make_unique<gtktest::WindowSession>();
  // The executable's own services; no crash catcher (the test runner keeps its signals) and statistics
  // left out (their session is not on the road).
  AppServices services = AppServices::standard();
  services.statistics.reset();
  services.crashCatcher.reset();
  services.reachabilityForInternetConnection = [] { return std::make_shared<testsupport::FixedReachability>(); };
  delegate_ = std::make_shared<AppDelegate>(std::move(services));
  session_->app().setDelegate(delegate_);
  ASSERT_TRUE(session_->app().launch());
  session_->open();
}

void Road::stop() {
  if (!session_) return;
  settle();
  delegate_->stopAutoLoginTimer();
  // As closing the window ends the application: it hears that it terminates, then the window goes.
  session_->app().terminate(0);
  session_.reset();
  delegate_.reset();
  HTTPRequest::clearSession();
}

AppDelegate& Road::app() { return *delegate_; }

bool Road::waitFor(const std::function<bool()>& done, double seconds) {
  return session_->waitFor(done, seconds);
}

void Road::settle() {
  waitFor([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 30);
  session_->settle();
}

// ---- what shows ----

void Road::forEachVisible(const std::function<bool(ui::View&)>& f) {
  std::function<bool(ui::View&)> visit = [&](ui::View& v) {
    if (!v.isVisibleSelf()) return false;
    const auto& children = v.subviews();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (visit(**it)) return true;
    return !visibleRect(v).isEmpty() && f(v);
  };
  visit(session_->app().keyWindow());
}

ui::Rect Road::visibleRect(const ui::View& view) {
  ui::Rect rect = gtktest::WindowSession::frameOf(view);
  for (const ui::View* v = view.superview(); v; v = v->superview()) {
    if (!v->isVisibleSelf()) return {};
    if (v->clipsToBounds() || !v->superview()) rect = rect.intersection(gtktest::WindowSession::frameOf(*v));
  }
  return rect;
}

ui::ViewController* Road::topScreen() {
  ui::Window& window = session_->app().keyWindow();
  ui::ViewController* vc = nullptr;
  const auto& subviews = window.subviews();
  for (auto it = subviews.rbegin(); it != subviews.rend() && !vc; ++it) {
    ui::View& v = **it;
    if (&v == &window.alertLayer() || !v.isVisibleSelf()) continue;
    vc = v.viewController();
  }
  while (vc) {
    ui::ViewController* child = vc->visibleChildViewController();
    if (!child) break;
    vc = child;
  }
  return vc;
}

std::string Road::topName() {
  ui::ViewController* vc = topScreen();
  return vc ? vc->className() : "";
}

ui::Button* Road::button(const std::string& title) {
  return find<ui::Button>([&](ui::Button& b) {
    if (b.currentTitle() == title) return true;
    auto* bar = dynamic_cast<ui::BarButtonView*>(&b);
    return bar && bar->item() && bar->item()->title() == title;
  });
}

ui::Label* Road::label(const std::string& text) {
  return find<ui::Label>([&](ui::Label& l) { return l.text() == text; });
}

ui::Label* Road::labelContaining(const std::string& part) {
  return find<ui::Label>([&](ui::Label& l) { return l.text().find(part) != std::string::npos; });
}

ui::TableViewCell* Road::row(const std::string& text) {
  return find<ui::TableViewCell>([&](ui::TableViewCell& cell) {
    bool has = false;
    std::function<void(ui::View&)> look = [&](ui::View& v) {
      if (auto* l = dynamic_cast<ui::Label*>(&v); l && l->text() == text) has = true;
      for (auto& child : v.subviews()) look(*child);
    };
    look(cell);
    return has;
  });
}

ui::TextField* Road::field(const std::string& placeholder) {
  return find<ui::TextField>([&](ui::TextField& f) { return f.placeholder() == placeholder; });
}

ui::AlertPanel* Road::alert() { return session_->app().keyWindow().alertLayer().topPanel(); }

std::string Road::alertText() {
  ui::AlertPanel* panel = alert();
  return panel ? panel->describe() : "";
}

std::string Road::describe() { return ui::describeScreens(session_->app().keyWindow()); }

// ---- input ----

bool Road::click(const ui::View& view) {
  const ui::Rect r = visibleRect(view);
  if (r.isEmpty()) return false;
  session_->click(r.center());
  return true;
}

void Road::click(ui::Point p) { session_->click(p); }

bool Road::clickButton(const std::string& title) {
  ui::Button* b = button(title);
  return b && click(*b);
}

bool Road::clickRow(const std::string& text) {
  ui::TableViewCell* cell = row(text);
  return cell && click(*cell);
}

bool Road::typeInto(ui::TextField& field, const std::string& text) {
  if (!field.isEditing()) {
    if (!click(field) || !waitFor([&] { return field.isEditing(); }, 10)) return false;
  }
  session_->settle();
  const std::string expected = field.text() + text;
  session_->type(text);
  return waitFor([&] { return field.text() == expected; }, 20);
}

bool Road::typeInto(ui::TextView& view, const std::string& text) {
  if (!view.isEditing()) {
    if (!click(view) || !waitFor([&] { return view.isEditing(); }, 10)) return false;
  }
  session_->settle();
  const std::string expected = view.text() + text;
  session_->type(text);
  return waitFor([&] { return view.text() == expected; }, 20);
}

bool Road::answerAlert(const std::string& buttonTitle) {
  ui::AlertPanel* panel = alert();
  if (!panel) return false;
  for (int i = 0; i < panel->numberOfButtons(); ++i) {
    if (panel->buttonTitleAtIndex(i) != buttonTitle) continue;
    ui::Button* b = panel->buttonView(i);
    if (!b || !click(*b)) return false;
    return waitFor([&] { return alert() != panel; });
  }
  return false;
}

void Road::drag(ui::Point from, ui::Point to) { session_->drag(from, to); }

bool Road::scrollIntoView(const ui::View& view) {
  const ui::Rect frame = gtktest::WindowSession::frameOf(view);
  for (int attempt = 0; attempt < 6; ++attempt) {
    const ui::Rect shows = visibleRect(view);
    if (shows == frame) return true;
    ui::ScrollView* scroller = nullptr;
    for (ui::View* v = view.superview(); v && !scroller; v = v->superview())
      scroller = dynamic_cast<ui::ScrollView*>(v);
    if (!scroller) return false;
    const ui::Rect area = visibleRect(*scroller);
    // Up when the view is cut at the bottom, down when at the top; a finger's drag of the difference
    // and a little more.
    const double dy = frame.maxY() > area.maxY() ? -(frame.maxY() - area.maxY() + 20)
                                                 : (area.minY() - frame.minY() + 20);
    const ui::Point from{area.midX(), dy < 0 ? area.maxY() - 10 : area.minY() + 10};
    session_->drag(from, {from.x, from.y + dy});
    session_->settle();
    waitFor([&] { return !scroller->isDragging() && !scroller->isDecelerating(); }, 10);
  }
  return visibleRect(view) == frame;
}

bool Road::back() {
  auto* bar = find<ui::NavigationBar>([](ui::NavigationBar& b) { return b.topItem() != nullptr; });
  if (!bar) return false;
  const std::string title = bar->hasBackButton() ? bar->backButtonTitle() : "返回";
  ui::Button* button = nullptr;
  std::function<void(ui::View&)> look = [&](ui::View& v) {
    if (auto* b = dynamic_cast<ui::Button*>(&v); b && !button && !visibleRect(*b).isEmpty()) {
      auto* item = dynamic_cast<ui::BarButtonView*>(b);
      if (b->currentTitle() == title || (item && item->item() && item->item()->title() == title)) button = b;
    }
    for (auto& child : v.subviews()) look(*child);
  };
  look(*bar);
  return button && click(*button);
}

// ---- web pages ----

std::string Road::evaluate(ui::WebView& page, const std::string& script) {
  std::optional<std::string> result;
  page.stringByEvaluatingJavaScriptFromString(script, [&](const std::string& r) { result = r; });
  waitFor([&] { return result.has_value(); }, 20);
  return result.value_or("");
}

bool Road::clickInPage(ui::WebView& page, const std::string& selector) {
  // Where the element shows in the window, once the page and the bars around it are still: scrolling
  // the page moves the bar that follows it, and with it the page's own place in the window.
  const std::string find = "document.querySelector(" + quotedForScript(selector) + ")";
  const std::string boxOf = "(function(){var e=" + find +
                            "; if(!e) return ''; var r=e.getBoundingClientRect();"
                            " return r.x+','+r.y+','+r.width+','+r.height;})()";
  if (evaluate(page, "(function(){var e=" + find + "; if(!e) return ''; e.scrollIntoView({block:'nearest'});"
                     " return 'found';})()") != "found")
    return false;
  ui::Window& window = session_->app().keyWindow();
  ui::Point target;
  std::string last;
  for (int tries = 0; tries < 12; ++tries) {
    session_->settle();
    const std::string box = evaluate(page, boxOf);
    double x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h) != 4) return false;
    const ui::Rect frame = gtktest::WindowSession::frameOf(page);
    target = {frame.minX() + x + w / 2, frame.minY() + y + h / 2};
    char where[96];
    std::snprintf(where, sizeof where, "%.1f,%.1f", target.x, target.y);
    // Still, and not under a view that lies over the page (a bar, a floating button): click.
    ui::View* hit = window.hitTest(target);
    const bool onPage = hit && hit->isDescendantOf(page);
    if (onPage && last == where) break;
    if (!onPage) {
      // Bring the element to the middle of what shows of the page instead.
      evaluate(page, "(function(){var e=" + find + "; if(e) e.scrollIntoView({block:'center'}); return '';})()");
    }
    last = onPage ? where : "";
  }
  session_->click(target);
  return true;
}

std::vector<std::string> Road::takeScriptErrors() {
  std::vector<std::string> errors;
  for (; reportedConsole_ < console_.size(); ++reportedConsole_) {
    const ui::gtk::WebKitEngine::ConsoleMessage& m = console_[reportedConsole_];
    if (m.level == "error")
      errors.push_back(m.level + ": " + m.text);
  }
  return errors;
}

// ---- pictures ----

gtktest::Shot Road::shot(const std::string& name) {
  session_->settle();
  gtktest::Shot picture = session_->shot();
  char number[16];  // room for any int
  std::snprintf(number, sizeof number, "%02d-", ++shotNumber_);
  const std::string file = shots_ + "/" + (pictures_.numbered ? number : "") + name + ".png";
  if (auto png = ui::PixbufCodec::encode(picture.pixels, "png")) {
    std::ofstream(file, std::ios::binary) << *png;
  } else {
    ADD_FAILURE() << "the picture " << file << " could not be encoded";
  }
  checkTexts(picture, name);
  return picture;
}

// Every visible text on the picture: drawn in glyphs the fonts have, and whole. A label is cut when its
// text needs more room than its frame gives (one line wider than the label, wrapped lines taller), or
// when something that clips it hides part of it (rows of a list scrolled half out of view excepted).
void Road::checkTexts(const gtktest::Shot& picture, const std::string& name) {
  const auto measurer = ui::TextMeasurer::current();
  auto where = [&](const std::string& what, const std::string& text) {
    return "on " + name + " (" + topName() + "): " + what + " \"" + text + "\"";
  };
  forEachVisible([&](ui::View& v) {
    std::string text;
    ui::Font font;
    int lines = 1;
    bool shrinks = false;
    if (auto* l = dynamic_cast<ui::Label*>(&v)) {
      text = l->text();
      font = l->font();
      lines = l->numberOfLines();
      shrinks = l->adjustsFontSizeToFitWidth();
    } else if (auto* b = dynamic_cast<ui::Button*>(&v)) {
      text = b->currentTitle();
      font = b->titleLabel().font();
    }
    if (text.empty()) return false;
    PangoLayout* layout = ui::detail::makeLayout(text, font, 0, ui::LineBreakMode::Clip);
    EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout), 0) << where("no glyphs for", text);
    g_object_unref(layout);

    const ui::Rect frame = gtktest::WindowSession::frameOf(v);
    if (!shrinks) {
      if (lines == 1) {
        const ui::Size need = measurer->measure(text, font, {0, 0}, ui::LineBreakMode::Clip);
        EXPECT_LE(need.width, frame.width() + 1) << where("text wider than its frame", text);
      } else if (lines == 0) {
        const ui::Size need = measurer->measure(text, font, {frame.width(), 0}, ui::LineBreakMode::WordWrap);
        EXPECT_LE(need.height, frame.height() + 2) << where("wrapped text taller than its frame", text);
      }
    }
    if (!insideScrollView(v)) {
      EXPECT_EQ(visibleRect(v), frame.intersection(session_->app().keyWindow().bounds()))
          << where("text partly hidden by what clips it", text);
    }
    return false;
  });
  (void)picture;
}

}  // namespace road
