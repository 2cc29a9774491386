// The window is the same model: what a person sees and does in the real window (Xvfb, real X input)
// matches what the headless model holds and does. Frames always come from the model.

#include <gtest/gtest.h>
#include <pango/pango.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "screens/AllScreens.h"
#include "tests/ui/gtk/WindowSession.h"
#include "tests/support/FixedReachability.h"
#include "ui/AlertLayer.h"
#include "ui/AlertPanel.h"
#include "ui/Button.h"
#include "ui/AlertView.h"
#include "ui/ImagePickerController.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/PageResources.h"
#include "ui/PixbufCodec.h"
#include "ui/ScrollView.h"
#include "ui/SearchBar.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/WebView.h"
#include "ui/Window.h"
#include "ui/detail/PangoText.h"
#include "ui/test/Harness.h"

using gtktest::Shot;
using gtktest::WindowSession;

namespace {

// ---- finding views in the model ----

template <class T>
T* findVisible(ui::View& root, const std::function<bool(T&)>& match = {}) {
  if (root.isHidden() || root.alpha() < 0.01) return nullptr;
  if (auto* t = dynamic_cast<T*>(&root); t && (!match || match(*t))) return t;
  for (auto& child : root.subviews()) {
    if (T* found = findVisible<T>(*child, match)) return found;
  }
  return nullptr;
}

// Whether all of the view shows: inside the window and inside every ancestor that clips.
bool wholeOnShow(const ui::View& view) {
  const ui::Rect frame = WindowSession::frameOf(view);
  for (const ui::View* v = &view; v; v = v->superview()) {
    if (v->isHidden() || v->alpha() < 0.01) return false;
    if ((v->clipsToBounds() || !v->superview()) && v != &view &&
        frame.intersection(WindowSession::frameOf(*v)) != frame)
      return false;
  }
  return !frame.isEmpty();
}

// The front-most view that paints at a window point (a background colour, or content of its own), or
// nullptr: what a person sees there, by the model.
const ui::View* paintedAt(const ui::View& v, ui::Point p) {
  if (v.isHidden() || v.alpha() < 0.01) return nullptr;
  const bool inside = WindowSession::frameOf(v).contains(p);
  if (v.clipsToBounds() && !inside) return nullptr;
  const auto& children = v.subviews();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (const ui::View* f = paintedAt(**it, p)) return f;
  }
  const auto* label = dynamic_cast<const ui::Label*>(&v);
  const auto* button = dynamic_cast<const ui::Button*>(&v);
  const bool paints = !v.backgroundColor().isClear() || (label && !label->text().empty()) ||
                      dynamic_cast<const ui::ImageView*>(&v) || dynamic_cast<const ui::NavigationBar*>(&v) ||
                      (button && !button->title(ui::kControlStateNormal).value_or("").empty());
  return inside && paints ? &v : nullptr;
}

// With VD_GTK_SHOTS set to a directory, the pictures the tests take are kept there as PNG files, to be
// looked at.
void keep(const Shot& shot, const std::string& name) {
  const char* dir = std::getenv("VD_GTK_SHOTS");
  if (!dir || !*dir) return;
  if (auto png = ui::PixbufCodec::encode(shot.pixels, "png"))
    std::ofstream(std::string(dir) + "/" + name + ".png", std::ios::binary) << *png;
}

bool hasChinese(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0xE4 && c <= 0xE9) return true;  // lead bytes of the CJK unified ideographs
  }
  return false;
}

std::uint32_t rgba8(const ui::Color& c) {
  auto v = [](double x) { return static_cast<std::uint32_t>(x * 255 + 0.5); };
  return (v(c.r) << 24) | (v(c.g) << 16) | (v(c.b) << 8) | 0xFF;
}

// `top` drawn with its alpha over the opaque `bottom`.
std::uint32_t over(const ui::Color& top, std::uint32_t bottom) {
  auto mix = [&](double t, int b) {
    return static_cast<std::uint32_t>(t * 255 * top.a + b * (1 - top.a) + 0.5);
  };
  return (mix(top.r, gtktest::channel(bottom, 0)) << 24) | (mix(top.g, gtktest::channel(bottom, 1)) << 16) |
         (mix(top.b, gtktest::channel(bottom, 2)) << 8) | 0xFF;
}

// ---- a list that opens a screen per row, and a button back ----

class DetailScreen : public ui::ViewController {
 public:
  explicit DetailScreen(std::string title) { setTitle(std::move(title)); }
  void loadView() override {
    auto v = std::make_shared<ui::View>(defaultViewFrame());
    v->setBackgroundColor(ui::Color::white());
    back = ui::Button::buttonWithType(ui::ButtonType::RoundedRect, {60, 150, 200, 44});
    back->setTitle("返回列表");
    back->addTarget(ui::ControlEvent::TouchUpInside, [this](ui::Control&) {
      if (auto* nav = navigationController()) nav->popViewController(true);
    });
    v->addSubview(back);
    setView(v);
  }
  std::shared_ptr<ui::Button> back;
};

class ListScreen : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  ListScreen() { setTitle("列表"); }
  void loadView() override {
    table = std::make_shared<ui::TableView>(defaultViewFrame());
    setView(table);
  }
  void viewDidLoad() override {
    table->setDataSource(weakAs<ui::TableViewDataSource>());
    table->setDelegate(weakAs<ui::TableViewDelegate>());
    table->reloadData();
  }
  int numberOfRowsInSection(ui::TableView&, int) override { return 8; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& t, ui::IndexPath ip) override {
    auto cell = t.dequeueReusableCellWithIdentifier("row");
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "row");
    cell->textLabel()->setText("第" + std::to_string(ip.row + 1) + "行");
    cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
    return cell;
  }
  void didSelectRowAtIndexPath(ui::TableView& t, ui::IndexPath ip) override {
    t.deselectRowAtIndexPath(ip, true);
    navigationController()->pushViewController(
        std::make_shared<DetailScreen>("第" + std::to_string(ip.row + 1) + "行"), true);
  }
  std::shared_ptr<ui::TableView> table;
};

std::string topTitle(ui::NavigationController& nav) {
  return nav.topViewController() ? nav.topViewController()->title() : "";
}

// ---- a page ----

struct PageRecorder : ui::WebViewDelegate {
  std::vector<std::string> asked;
  int started = 0;
  int finished = 0;
  bool shouldStartLoadWithRequest(ui::WebView&, const std::string& url, ui::WebViewNavigationType) override {
    asked.push_back(url);
    return url.rfind("vdprotocol://", 0) != 0;
  }
  void webViewDidStartLoad(ui::WebView&) override { ++started; }
  void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
};

// The template's meta names gb2312; the engine must still read the text as UTF-8.
constexpr const char* kPage = R"HTML(<html><head>
<meta http-equiv="Content-Type" content="text/html; charset=gb2312">
<style>
  body { margin: 0; background: #d02020; font-size: 24px; color: white; }
  #ok { display: block; margin: 30px 40px; padding: 24px; background: white; color: black; font-size: 28px; }
</style></head>
<body onclick="window.location='vdprotocol://bodyClick/x'">
<p id="t">中文题目：下列哪一项正确？</p>
<a id="ok" href="#" onclick="event.stopPropagation(); window.location='vdprotocol://replyclickOK/B'; return false;">确认</a>
</body></html>)HTML";

class PageScreen : public ui::ViewController {
 public:
  void loadView() override {
    web = std::make_shared<ui::WebView>(defaultViewFrame());
    setView(web);
  }
  std::shared_ptr<ui::WebView> web;
};

// Loads the page into a screen of its own and waits for it to finish.
std::shared_ptr<PageScreen> openPage(WindowSession& s, const std::shared_ptr<PageRecorder>& recorder) {
  auto page = std::make_shared<PageScreen>();
  s.app().keyWindow().setRootViewController(page);
  page->web->setDelegate(recorder);
  // The page's handlers are its own: they run by their hashes under the page policy.
  ui::PageResources::trustInlineHandler("window.location='vdprotocol://bodyClick/x'");
  ui::PageResources::trustInlineHandler(
      "event.stopPropagation(); window.location='vdprotocol://replyclickOK/B'; return false;");
  page->web->loadHTMLString(kPage, ui::PageResources::bundleBaseURL());
  EXPECT_TRUE(s.waitFor([&] { return recorder->finished == 1; }, 60)) << "the page did not load";
  return page;
}

std::string evaluate(WindowSession& s, ui::WebView& web, const std::string& script) {
  std::optional<std::string> result;
  web.stringByEvaluatingJavaScriptFromString(script, [&](const std::string& r) { result = r; });
  EXPECT_TRUE(s.waitFor([&] { return result.has_value(); }, 20)) << script;
  return result.value_or("(no answer)");
}

}  // namespace

// A fresh start, as a person sees it: the welcome pages fill the window under the black status bar; three
// drags page through them; then the subject choice shows its navigation bar where the model has it (dark,
// as its style draws it) and Chinese text drawn in glyphs.
TEST(Window, TheFirstScreenAfterAFreshStart) {
  const std::string home = (std::filesystem::temp_directory_path() / "vd-gtk-first-XXXXXX").string();
  std::string dir = home;
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  ::setenv("VARDO_HOME", dir.c_str(), 1);
  core::UserDefaults::resetStandard();
  core::Bundle::resetMain();
  registerEveryScreen();
  {
    WindowSession s;
    AppServices services = AppServices::standard();
    services.statistics.reset();
    services.crashCatcher.reset();
    services.newUser = nullptr;
    services.reachabilityForInternetConnection = [] {
      return std::make_shared<testsupport::FixedReachability>();
    };
    auto delegate = std::make_shared<AppDelegate>(services);
    s.app().setDelegate(delegate);
    ASSERT_TRUE(s.app().launch());
    s.open();
    ui::Window& window = s.app().keyWindow();
    // What the model shows on top at a point.
    auto onTop = [&](const ui::View& v, ui::Point p) {
      const ui::View* front = paintedAt(window, p);
      return front && front->isDescendantOf(v);
    };
    // The status bar, when the model shows one: it lies over every screen, the welcome pages included.
    auto checkStatusBar = [&](const Shot& shot) {
      if (window.isStatusBarHidden()) return;
      for (double y = 0; y < ui::Window::kStatusBarHeight; y += 4)
        EXPECT_LT(gtktest::luminance(shot.at({2, y})), 0.1) << "status bar row " << y;
    };

    // A fresh start lays the welcome pages over the window: their first picture fills it.
    Shot shot = s.shot();
    keep(shot, "welcome");
    ASSERT_EQ(shot.pixels.width, static_cast<int>(window.bounds().width()));
    ASSERT_EQ(shot.pixels.height, static_cast<int>(window.bounds().height()));
    auto* pages = findVisible<ui::ScrollView>(window, [](ui::ScrollView& v) { return v.isPagingEnabled(); });
    ASSERT_NE(pages, nullptr) << "no welcome pages after a fresh start";
    // Not blank: much of the window differs from the colour of its bottom left corner.
    const std::uint32_t corner = shot.at({0, shot.pixels.height - 1.0});
    EXPECT_GT(shot.inkIn({0, 0, 1.0 * shot.pixels.width, 1.0 * shot.pixels.height}, corner, 30), 2000);
    checkStatusBar(shot);

    // Three drags to the left page through them (the model's pan and paging), and the choice shows.
    for (int page = 1; page <= 3; ++page) {
      s.drag({280, 240}, {40, 240});
      EXPECT_TRUE(s.waitFor([&] {
        return !findVisible<ui::ScrollView>(window, [](ui::ScrollView& v) { return v.isPagingEnabled(); }) ||
               pages->contentOffset().x >= page * 320.0;
      })) << "the drag did not page to " << page;
    }
    ASSERT_TRUE(s.waitFor([&] {
      return !findVisible<ui::ScrollView>(window, [](ui::ScrollView& v) { return v.isPagingEnabled(); });
    })) << "the welcome pages did not end";
    shot = s.shot();
    keep(shot, "subject-choice");
    checkStatusBar(shot);

    // The navigation bar where the model has it: dark (the application's bars are black), and ending
    // where the model says (the screen below it looks different).
    auto* bar = findVisible<ui::NavigationBar>(window, [&](ui::NavigationBar& b) {
      const ui::Rect r = WindowSession::frameOf(b);
      return wholeOnShow(b) && onTop(b, {r.minX() + 2, r.midY()});
    });
    ASSERT_NE(bar, nullptr) << "the subject choice shows no navigation bar";
    const ui::Rect barRect = WindowSession::frameOf(*bar);
    for (double y = barRect.minY(); y < barRect.maxY(); y += 4)
      EXPECT_LT(gtktest::luminance(shot.at({barRect.minX() + 2, y})), 0.45) << "bar row " << y;
    EXPECT_FALSE(gtktest::near(shot.at({barRect.minX() + 2, barRect.maxY() + 2}),
                               shot.at({barRect.minX() + 2, barRect.maxY() - 3}), 30));

    // Chinese text on top: the fonts have every glyph, and the label's place holds ink.
    auto* label = findVisible<ui::Label>(window, [&](ui::Label& l) {
      return hasChinese(l.text()) && wholeOnShow(l) && onTop(l, WindowSession::frameOf(l).center());
    });
    ASSERT_NE(label, nullptr) << "the first screen shows no Chinese text";
    PangoLayout* layout = ui::detail::makeLayout(label->text(), label->font(), 0, ui::LineBreakMode::Clip);
    EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout), 0) << "no font for " << label->text();
    g_object_unref(layout);
    const ui::Rect glyphs = WindowSession::frameOf(*label);
    const std::uint32_t paper = shot.at({glyphs.minX() + 1, glyphs.minY() + 1});
    EXPECT_GT(shot.inkIn(glyphs, paper), 60) << "no glyphs drawn for " << label->text();

    // The choice's search bar: a click on its field begins editing, typing reaches the bar's delegate
    // through the field's native peer.
    auto* search = findVisible<ui::SearchBar>(window, [](ui::SearchBar& b) { return wholeOnShow(b); });
    ASSERT_NE(search, nullptr) << "the subject choice shows no search bar";
    s.click(WindowSession::frameOf(search->searchField()).center());
    ASSERT_TRUE(s.waitFor([&] { return search->searchField().isEditing(); })) << "the field did not begin editing";
    s.type("样例");
    EXPECT_TRUE(s.waitFor([&] { return search->text() == "样例"; })) << "the bar holds \"" << search->text() << "\"";
    keep(s.shot(), "subject-search");
    search->resignFirstResponder();
    // Without a server requests fail and say so: a click on each alert's first button answers it.
    auto answerAlerts = [&] {
      while (ui::AlertPanel* panel = window.alertLayer().topPanel()) {
        ui::Button* button = panel->buttonView(0);
        ASSERT_NE(button, nullptr);
        s.click(WindowSession::frameOf(*button).center());
        ASSERT_TRUE(s.waitFor([&] { return window.alertLayer().topPanel() != panel; })) << "the alert stayed";
        s.settle();
      }
    };
    answerAlerts();

    // The home screen and the login screen, each as the root: drawn, with Chinese text in glyphs.
    for (const char* id : {"sidebar", "login"}) {
      SCOPED_TRACE(id);
      auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(id);
      ASSERT_NE(screen, nullptr);
      window.setRootViewController(std::make_shared<ui::NavigationController>(screen));
      s.settle();
      answerAlerts();
      if (std::string(id) == "sidebar") {
        // A first visit lays the usage guide over the home screen; a click anywhere goes on.
        keep(s.shot(), "sidebar-guide");
        s.click({160, 300});
        s.settle();
      }
      const Shot picture = s.shot();
      keep(picture, id);
      // A label, or a button's title (the button draws it).
      auto chineseOnTop = [&](ui::View& v, const std::string& text) {
        return hasChinese(text) && wholeOnShow(v) && onTop(v, WindowSession::frameOf(v).center());
      };
      const ui::View* text = findVisible<ui::Label>(window, [&](ui::Label& l) { return chineseOnTop(l, l.text()); });
      if (!text) {
        text = findVisible<ui::Button>(window, [&](ui::Button& b) {
          return chineseOnTop(b, b.title(ui::kControlStateNormal).value_or(""));
        });
      }
      ASSERT_NE(text, nullptr) << "no Chinese text on show";
      const ui::Rect r = WindowSession::frameOf(*text);
      EXPECT_GT(picture.inkIn(r, picture.at({r.minX() + 1, r.minY() + 1})), 30) << "no glyphs drawn";
    }
    delegate->stopAutoLoginTimer();
  }
  core::Paths::removeAll(dir);
}

// A click on a table row, then on a button, each at its model frame, changes the screen as the same
// taps do headless.
TEST(Window, ClicksAtModelFramesChangeTheScreenAsTapsDoHeadless) {
  std::vector<std::string> headless;
  {
    ui::test::Harness h;
    auto list = std::make_shared<ListScreen>();
    auto nav = std::make_shared<ui::NavigationController>(list);
    h.setRoot(nav);
    ASSERT_TRUE(h.tapRow(*list->table, {0, 2}));
    h.settle();
    headless.push_back(topTitle(*nav));
    auto* detail = dynamic_cast<DetailScreen*>(nav->topViewController());
    ASSERT_NE(detail, nullptr);
    ASSERT_TRUE(h.tap(*detail->back));
    h.settle();
    headless.push_back(topTitle(*nav));
  }
  ASSERT_EQ(headless, (std::vector<std::string>{"第3行", "列表"}));

  WindowSession s;
  auto list = std::make_shared<ListScreen>();
  auto nav = std::make_shared<ui::NavigationController>(list);
  s.app().keyWindow().setRootViewController(nav);
  s.open();
  std::vector<std::string> window;
  ui::TableViewCell* row = list->table->cellForRowAtIndexPath({0, 2});
  ASSERT_NE(row, nullptr);
  s.click(WindowSession::frameOf(*row).center());
  EXPECT_TRUE(s.waitFor([&] { return nav->topViewController() != list.get(); }));
  window.push_back(topTitle(*nav));
  auto* detail = dynamic_cast<DetailScreen*>(nav->topViewController());
  ASSERT_NE(detail, nullptr);
  s.settle();
  s.click(WindowSession::frameOf(*detail->back).center());
  EXPECT_TRUE(s.waitFor([&] { return nav->topViewController() == list.get(); }));
  window.push_back(topTitle(*nav));
  EXPECT_EQ(window, headless);
}

// The application closed and started again in the same process: the next window shows its own views
// only, wherever in memory their drawings happen to come (the first window's are gone by then).
TEST(Window, TheNextWindowOfTheProcessShowsOnlyItsOwnViews) {
  // A board of small tiles, one colour each: reds in the first window, blues in the next. Every other
  // tile is a label, whose picture goes to the renderer as an image; the others are plain colours.
  constexpr int kColumns = 8, kRows = 11;
  auto colour = [](int window, int i) {
    const double shade = (20 + 2 * i) / 255.0;
    return window == 0 ? ui::Color::rgb(0.9, shade, 0.1) : ui::Color::rgb(0.1, shade, 0.9);
  };
  for (int window = 0; window < 2; ++window) {
    SCOPED_TRACE(window == 0 ? "the first window" : "the next window");
    WindowSession s;
    ui::Window& root = s.app().keyWindow();
    std::vector<std::shared_ptr<ui::View>> tiles;
    for (int i = 0; i < kColumns * kRows; ++i) {
      const ui::Rect frame(4 + (i % kColumns) * 39, 30 + (i / kColumns) * 39, 36, 36);
      std::shared_ptr<ui::View> tile =
          i % 2 ? std::make_shared<ui::Label>(frame, "") : std::make_shared<ui::View>(frame);
      tile->setBackgroundColor(colour(window, i));
      root.addSubview(tile);
      tiles.push_back(tile);
    }
    s.open();
    const Shot shot = s.shot();
    int wrong = 0;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
      const std::uint32_t expected = rgba8(colour(window, static_cast<int>(i)));
      const std::uint32_t shown = shot.at(WindowSession::frameOf(*tiles[i]).center());
      if (!gtktest::near(shown, expected, 6)) {
        ++wrong;
        ADD_FAILURE() << "tile " << i << std::hex << " shows 0x" << shown << " instead of 0x" << expected;
      }
      if (wrong > 5) break;
    }
    // As closing the window ends the application: it terminates, then the window goes.
    s.app().terminate(0);
  }
}

// Keys typed into the field's peer reach the model one change at a time through the delegate, Chinese
// and ASCII alike; what the delegate refuses never appears.
TEST(Window, TypingReachesTheModelThroughTheDelegate) {
  struct NoDigits : ui::TextFieldDelegate {
    std::vector<std::string> offered;
    int returns = 0;
    bool shouldChangeCharactersInRange(ui::TextField&, ui::Range16, const std::string& r) override {
      offered.push_back(r);
      return r.empty() || r[0] < '0' || r[0] > '9';
    }
    bool textFieldShouldReturn(ui::TextField&) override {
      ++returns;
      return true;
    }
  };
  auto delegate = std::make_shared<NoDigits>();
  WindowSession s;
  auto screen = std::make_shared<ui::ViewController>();
  auto field = std::make_shared<ui::TextField>(ui::Rect(20, 60, 280, 36));
  field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  field->setPlaceholder("请输入");
  field->setDelegate(delegate);
  screen->view().setBackgroundColor(ui::Color::white());
  screen->view().addSubview(field);
  s.app().keyWindow().setRootViewController(screen);
  s.open();

  s.click(WindowSession::frameOf(*field).center());
  ASSERT_TRUE(s.waitFor([&] { return field->isEditing(); })) << "the click did not begin editing";
  s.settle();
  s.type("ab1中文c");
  EXPECT_TRUE(s.waitFor([&] { return field->text() == "ab中文c"; }))
      << "the model holds \"" << field->text() << "\"";
  EXPECT_EQ(delegate->offered, (std::vector<std::string>{"a", "b", "1", "中", "文", "c"}));
  s.key("BackSpace");
  EXPECT_TRUE(s.waitFor([&] { return field->text() == "ab中文"; })) << field->text();
  EXPECT_EQ(delegate->offered.back(), "");
  s.key("Return");
  EXPECT_TRUE(s.waitFor([&] { return delegate->returns == 1; }));

  // An alert asking for a user name, a password and a domain: the three fields stand one under the
  // other inside its box, and a click on the last one types there.
  auto login = std::make_shared<ui::AlertView>("127.0.0.1", "Login to this secure proxy server.",
                                               std::weak_ptr<ui::AlertViewDelegate>{}, "Cancel",
                                               std::vector<std::string>{"Login"});
  login->setAlertViewStyle(ui::AlertView::Style::LoginPasswordAndDomainInput);
  login->textFieldAtIndex(0)->setPlaceholder("User");
  login->textFieldAtIndex(1)->setPlaceholder("Password");
  login->textFieldAtIndex(2)->setPlaceholder("Domain");
  login->show();
  s.settle();
  gtktest::keepShot(s.shot(), "alert-login-domain");
  const ui::Rect box = WindowSession::frameOf(*login->view());
  double above = box.minY();
  for (int i = 0; i < 3; ++i) {
    const ui::Rect f = WindowSession::frameOf(*login->textFieldAtIndex(i));
    EXPECT_TRUE(box.intersection(f) == f) << "field " << i << " lies outside the box";
    EXPECT_GE(f.minY(), above) << "field " << i << " overlaps the one above";
    above = f.maxY();
  }
  ui::TextField& domain = *login->textFieldAtIndex(2);
  s.click(WindowSession::frameOf(domain).center());
  ASSERT_TRUE(s.waitFor([&] { return domain.isEditing(); })) << "the click did not reach the domain field";
  s.type("CORP");
  EXPECT_TRUE(s.waitFor([&] { return domain.text() == "CORP"; })) << domain.text();
  EXPECT_EQ(login->textFieldAtIndex(0)->text(), "");
  login->dismissWithClickedButtonIndex(0, false);
  s.settle();
}

// A WebKit page: Chinese text in a page whose meta names another charset, script results as text, and
// a click on a page element that navigates to the bridge: the decision sees the URL with its case kept
// and the load is refused.
TEST(Window, AWebKitPageLoadsAnswersAndAsksBeforeNavigating) {
  WindowSession s;
  auto recorder = std::make_shared<PageRecorder>();
  auto page = openPage(s, recorder);
  ASSERT_EQ(recorder->asked, (std::vector<std::string>{"vdbundle://bundle/"}));
  s.open();
  ui::WebView& web = *page->web;
  EXPECT_EQ(evaluate(s, web, "document.getElementById('t').textContent"), "中文题目：下列哪一项正确？");
  EXPECT_EQ(evaluate(s, web, "1 + 1"), "2");
  EXPECT_EQ(evaluate(s, web, "undefined"), "");
  EXPECT_EQ(evaluate(s, web, "null"), "");
  EXPECT_EQ(evaluate(s, web, "nothing.here()"), "");

  const std::string box = evaluate(s, web,
                                   "var r = document.getElementById('ok').getBoundingClientRect(); r.x + ',' "
                                   "+ r.y + ',' + r.width + ',' + r.height");
  double x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h), 4) << box;
  const ui::Rect frame = WindowSession::frameOf(web);
  s.click({frame.minX() + x + w / 2, frame.minY() + y + h / 2});
  EXPECT_TRUE(s.waitFor([&] { return recorder->asked.size() == 2; })) << "the click was not offered";
  ASSERT_EQ(recorder->asked.size(), 2u);
  EXPECT_EQ(recorder->asked[1], "vdprotocol://replyclickOK/B");
  s.settle();
  EXPECT_EQ(recorder->started, 1) << "the refused navigation began a load";
  EXPECT_EQ(evaluate(s, web, "document.getElementById('t') ? 'still' : 'gone'"), "still");
}

// An alert over a web page covers it: its box shows at its centre, the page around it is dimmed by the
// alert layer, and a click on the alert's button goes to the alert, not to the page under it.
TEST(Window, AnAlertOverAWebViewCoversIt) {
  WindowSession s;
  auto recorder = std::make_shared<PageRecorder>();
  auto page = openPage(s, recorder);
  s.open();
  const ui::Rect frame = WindowSession::frameOf(*page->web);
  const ui::Point pagePoint{frame.minX() + 8, frame.maxY() - 8};
  const std::uint32_t red = 0xD02020FF;
  EXPECT_TRUE(s.waitFor([&] { return gtktest::near(s.shot().at(pagePoint), red, 8); }, 20))
      << "the page was not painted";

  auto alert = std::make_shared<ui::AlertView>("提示", "", std::weak_ptr<ui::AlertViewDelegate>{}, "取消",
                                               std::vector<std::string>{"确定"});
  int dismissed = -1;
  alert->onDidDismiss = [&](ui::AlertView&, int index) { dismissed = index; };
  alert->show();
  const Shot shot = s.shot();
  ui::View* box = alert->view();
  ASSERT_NE(box, nullptr);
  const ui::Rect boxRect = WindowSession::frameOf(*box);
  ASSERT_EQ(box->hitTest(box->convertPointFromView(boxRect.center(), nullptr)), box)
      << "the centre is the box's own";
  EXPECT_TRUE(gtktest::near(shot.at(boxRect.center()), rgba8(box->backgroundColor()), 6))
      << std::hex << shot.at(boxRect.center());
  const ui::View& dim = *s.app().keyWindow().alertLayer().subviews().front();
  EXPECT_TRUE(gtktest::near(shot.at(pagePoint), over(dim.backgroundColor(), red), 10))
      << std::hex << shot.at(pagePoint);

  ui::Button* ok = alert->buttonView(1);
  ASSERT_NE(ok, nullptr);
  s.click(WindowSession::frameOf(*ok).center());
  EXPECT_TRUE(s.waitFor([&] { return dismissed == 1; }));
  s.settle();
  EXPECT_EQ(recorder->asked, (std::vector<std::string>{"vdbundle://bundle/"}))
      << "the page under the alert saw the click";
}

namespace {

struct PickRecorder : ui::ImagePickerControllerDelegate {
  std::optional<ui::PickedImage> picked;
  int cancels = 0;
  void didFinishPickingMediaWithInfo(ui::ImagePickerController& picker, const ui::PickedImage& info) override {
    picked = info;
    picker.dismissViewController(true);
  }
  void imagePickerControllerDidCancel(ui::ImagePickerController& picker) override {
    ++cancels;
    picker.dismissViewController(true);
  }
};

}  // namespace

// The image picker in the window asks GTK's file chooser: there is no camera; typing a picture's path
// and Enter picks it (the delegate gets it decoded); Escape cancels.
TEST(Window, TheImagePickerChoosesAFileInTheFileChooser) {
  ASSERT_FALSE(ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::Camera));
  const std::string dir = [] {
    std::string d = (std::filesystem::temp_directory_path() / "vd-gtk-pick-XXXXXX").string();
    return ::mkdtemp(d.data()) ? d : std::string();
  }();
  ASSERT_FALSE(dir.empty());
  ui::RGBABitmap red{6, 4, std::vector<std::uint8_t>(6 * 4 * 4, 0)};
  for (std::size_t i = 0; i < red.rgba.size(); i += 4) red.rgba[i] = red.rgba[i + 3] = 255;
  const std::string path = dir + "/red.png";
  std::ofstream(path, std::ios::binary) << *ui::PixbufCodec::encode(red, "png");

  WindowSession s;
  auto root = std::make_shared<ui::ViewController>();
  s.app().keyWindow().setRootViewController(root);
  s.open();
  ASSERT_TRUE(ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::PhotoLibrary));
  auto recorder = std::make_shared<PickRecorder>();

  for (const bool choose : {true, false}) {
    SCOPED_TRACE(choose ? "choose" : "cancel");
    auto picker = std::make_shared<ui::ImagePickerController>();
    picker->setDelegate(recorder);
    root->presentViewController(picker, true);
    ASSERT_TRUE(s.waitFor([&] { return picker->isChoosing(); })) << "the chooser was not asked";
    const std::string chooser = s.windowNamed("选择图片");
    ASSERT_FALSE(chooser.empty()) << "no file chooser on screen";
    if (choose) {
      s.keysTo(chooser, "ctrl+l");
      s.typeTo(chooser, path);
      s.keysTo(chooser, "Return");
      ASSERT_TRUE(s.waitFor([&] { return recorder->picked.has_value(); }, 20)) << "nothing was picked";
      EXPECT_EQ(recorder->picked->path, path);
      ASSERT_NE(recorder->picked->originalImage, nullptr);
      EXPECT_EQ(recorder->picked->originalImage->size(), (ui::Size{6, 4}));
    } else {
      s.keysTo(chooser, "Escape");
      EXPECT_TRUE(s.waitFor([&] { return recorder->cancels == 1; }, 20)) << "no cancel";
    }
    EXPECT_TRUE(s.waitFor([&] { return !picker->isChoosing() && !root->presentedViewController(); }));
  }
  core::Paths::removeAll(dir);
}
