// Model pieces as the window shows them and as a person uses them there with real X input: the
// segmented control, the text view's native peer, the text field's clear button, a table row's delete
// confirmation, the result screen's pass and fail pictures, and the login screen's first-use prompt.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/VDViewControllerFactory.h"
#include "exam/TestResultViewController.h"
#include "exam/TestResultViewDelegate.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "screens/AllScreens.h"
#include "screens/account/LoginViewController.h"
#include "tests/ui/gtk/WindowSession.h"
#include "tests/support/TempDir.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/Window.h"

using gtktest::Shot;
using gtktest::WindowSession;

namespace {

// A white screen holding the views a test adds.
std::shared_ptr<ui::ViewController> whiteScreen(WindowSession& s) {
  auto screen = std::make_shared<ui::ViewController>();
  screen->view().setBackgroundColor(ui::Color::white());
  s.app().keyWindow().setRootViewController(screen);
  return screen;
}

std::uint32_t rgba8(const ui::Color& c) {
  auto v = [](double x) { return static_cast<std::uint32_t>(x * 255 + 0.5); };
  return (v(c.r) << 24) | (v(c.g) << 16) | (v(c.b) << 8) | 0xFF;
}

// How many pixels of `rect` are near `colour`.
int pixelsNear(const Shot& shot, ui::Rect rect, std::uint32_t colour, int margin) {
  const int all = static_cast<int>(rect.width()) * static_cast<int>(rect.height());
  return all - shot.inkIn(rect, colour, margin);
}

}  // namespace

// A click on a segment selects it (one ValueChanged) and the window shows the selected segment filled in
// the tint colour, the others not.
TEST(PiecesWindow, ASegmentClickedSelectsAndShowsIt) {
  WindowSession s;
  auto screen = whiteScreen(s);
  auto control = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{"全部", "错题", "收藏"},
                                                        ui::Rect{20, 80, 280, ui::SegmentedControl::kHeight});
  control->setSelectedSegmentIndex(0);
  int changes = 0;
  control->addTarget(ui::ControlEvent::ValueChanged, [&](ui::Control&) { ++changes; });
  screen->view().addSubview(control);
  s.open();

  const ui::Rect frame = WindowSession::frameOf(*control);
  auto segment = [&](int i) { return control->segmentRect(i).offsetBy(frame.minX(), frame.minY()); };
  auto filled = [&](const Shot& shot, int i) {
    const ui::Rect r = segment(i).insetBy(4, 4);
    return pixelsNear(shot, r, rgba8(control->tintColor()), 30) > r.width() * r.height() / 3;
  };
  Shot shot = s.shot();
  EXPECT_TRUE(filled(shot, 0));
  EXPECT_FALSE(filled(shot, 2));

  s.click(segment(2).center());
  ASSERT_TRUE(s.waitFor([&] { return control->selectedSegmentIndex() == 2; })) << "the click selected nothing";
  EXPECT_EQ(changes, 1);
  shot = s.shot();
  gtktest::keepShot(shot, "segmented");
  EXPECT_TRUE(filled(shot, 2)) << "the selected segment is not drawn selected";
  EXPECT_FALSE(filled(shot, 0)) << "the old segment still shows selected";
  // The titles are drawn: the unselected segment holds ink of its label.
  const ui::Rect title = segment(1).insetBy(8, 6);
  EXPECT_GT(shot.inkIn(title, shot.at(title.origin)), 20);
}

// A turned, scaled or mirrored view draws its own content in its place, the picture of a row icon
// included: never a box in the renderer's pink.
TEST(PiecesWindow, TransformedViewsDrawTheirContent) {
  WindowSession s;
  auto screen = whiteScreen(s);
  struct Case {
    const char* name;
    ui::Transform transform;
  };
  const Case cases[] = {{"scaled", ui::Transform::scale(0.3, 0.3)},
                        {"turned", ui::Transform::rotation(0.5)},
                        {"mirrored", ui::Transform::scale(-1, 1)},
                        {"sheared", {1, 0, 0.4, 1, 0, 0}}};
  const ui::Color blue = ui::Color::rgb255(30, 90, 200);
  std::vector<std::shared_ptr<ui::View>> views;
  for (int i = 0; i < 4; ++i) {
    auto v = std::make_shared<ui::View>(ui::Rect{40.0 + 70 * i - 30, 100, 60, 60});
    v->setBackgroundColor(blue);
    v->setTransform(cases[i].transform);
    screen->view().addSubview(v);
    views.push_back(v);
  }
  s.open();
  const Shot shot = s.shot();
  gtktest::keepShot(shot, "transformed");
  for (int i = 0; i < 4; ++i) {
    const ui::Rect frame = WindowSession::frameOf(*views[i]);
    EXPECT_TRUE(gtktest::near(shot.at(frame.center()), rgba8(blue), 30)) << cases[i].name;
    EXPECT_EQ(pixelsNear(shot, frame, 0xFF69B4FF, 8), 0) << cases[i].name << ": drawn as the renderer's pink box";
  }
}

// The text view shows its text through a native multi-line peer: the model's text is drawn, a click
// begins editing, typed text and line breaks reach the model one change at a time through the delegate
// (which may refuse), Backspace deletes, and leaving editing gives the keyboard back.
TEST(PiecesWindow, TheTextViewEditsThroughItsNativePeer) {
  struct NoDigits : ui::TextViewDelegate {
    std::vector<std::string> offered;
    int changes = 0;
    bool shouldChangeTextInRange(ui::TextView&, ui::Range16, const std::string& r) override {
      offered.push_back(r);
      return r.empty() || r[0] < '0' || r[0] > '9';
    }
    void textViewDidChange(ui::TextView&) override { ++changes; }
  };
  auto delegate = std::make_shared<NoDigits>();
  WindowSession s;
  auto screen = whiteScreen(s);
  auto text = std::make_shared<ui::TextView>(ui::Rect{20, 60, 280, 150});
  text->layer().setBorderWidth(1);
  text->layer().setBorderColor(ui::Color::gray(0.6));
  text->setText("笔记：");
  text->setDelegate(delegate);
  screen->view().addSubview(text);
  s.open();

  const ui::Rect frame = WindowSession::frameOf(*text);
  const ui::Rect firstLine{frame.minX() + 2, frame.minY() + 2, frame.width() - 4, 26};
  EXPECT_GT(s.shot().inkIn(firstLine, 0xFFFFFFFF), 40) << "the model's text is not drawn";

  s.click(frame.center());
  ASSERT_TRUE(s.waitFor([&] { return text->isEditing(); })) << "the click did not begin editing";
  s.settle();
  s.type("ab1中");
  s.key("Return");
  s.type("c");
  EXPECT_TRUE(s.waitFor([&] { return text->text() == "笔记：ab中\nc"; })) << "the model holds \"" << text->text() << "\"";
  EXPECT_EQ(delegate->offered, (std::vector<std::string>{"a", "b", "1", "中", "\n", "c"}));
  EXPECT_EQ(delegate->changes, 5);
  s.key("BackSpace");
  EXPECT_TRUE(s.waitFor([&] { return text->text() == "笔记：ab中\n"; })) << text->text();
  // Two lines of text now show.
  const Shot shot = s.shot();
  gtktest::keepShot(shot, "textview");
  const ui::Rect secondLine = firstLine.offsetBy(0, 30);
  EXPECT_GT(shot.inkIn(firstLine, 0xFFFFFFFF), 40);

  // A text the program sets replaces what shows; the peer takes no keys once editing ends.
  text->setText("新的内容");
  EXPECT_TRUE(text->resignFirstResponder());
  s.settle();
  s.type("x");
  s.settle();
  EXPECT_EQ(text->text(), "新的内容");
  EXPECT_LT(s.shot().inkIn(secondLine, 0xFFFFFFFF), 10) << "the old second line still shows";
}

// While the field edits and holds text, its clear button shows at its right; a click there asks the
// delegate and empties the field, and the button goes with the text.
TEST(PiecesWindow, TheTextFieldsClearButtonShowsAndClears) {
  struct Clears : ui::TextFieldDelegate {
    int asked = 0;
    bool textFieldShouldClear(ui::TextField&) override {
      ++asked;
      return true;
    }
  };
  auto delegate = std::make_shared<Clears>();
  WindowSession s;
  auto screen = whiteScreen(s);
  auto field = std::make_shared<ui::TextField>(ui::Rect{20, 60, 280, 36});
  field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  field->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  field->setText("用户名");
  field->setDelegate(delegate);
  screen->view().addSubview(field);
  s.open();

  const ui::Rect frame = WindowSession::frameOf(*field);
  // The clear button's place, without the field's border lines above and below it.
  const ui::Rect clear{frame.maxX() - 7 - 24, frame.minY() + 3, 24, frame.height() - 6};
  const std::uint32_t grey = 0xB3B3B8FF;
  EXPECT_LT(pixelsNear(s.shot(), clear, grey, 12), 10) << "the clear button shows before editing";

  s.click({frame.minX() + 40, frame.midY()});
  ASSERT_TRUE(s.waitFor([&] { return field->isEditing(); }));
  Shot shot = s.shot();
  gtktest::keepShot(shot, "textfield-clear");
  EXPECT_GT(pixelsNear(shot, clear, grey, 12), 60) << "no clear button while editing";

  s.click(clear.center());
  ASSERT_TRUE(s.waitFor([&] { return field->text().empty(); })) << "the click did not clear the field";
  EXPECT_EQ(delegate->asked, 1);
  EXPECT_TRUE(field->isEditing());
  EXPECT_LT(pixelsNear(s.shot(), clear, grey, 12), 10) << "the clear button stayed without text";
  // Typing goes on in the emptied field.
  s.type("ab");
  EXPECT_TRUE(s.waitFor([&] { return field->text() == "ab"; })) << field->text();
}

namespace {

class DeletableList : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  void loadView() override {
    table = std::make_shared<ui::TableView>(defaultViewFrame());
    setView(table);
  }
  void viewDidLoad() override {
    table->setDataSource(weakAs<ui::TableViewDataSource>());
    table->setDelegate(weakAs<ui::TableViewDelegate>());
    table->reloadData();
  }
  int numberOfRowsInSection(ui::TableView&, int) override { return static_cast<int>(rows.size()); }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& t, ui::IndexPath ip) override {
    auto cell = t.dequeueReusableCellWithIdentifier("row");
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "row");
    cell->textLabel()->setText(rows[static_cast<std::size_t>(ip.row)]);
    return cell;
  }
  bool canEditRowAtIndexPath(ui::TableView&, ui::IndexPath) override { return true; }
  std::string titleForDeleteConfirmationButtonForRowAtIndexPath(ui::TableView&, ui::IndexPath) override {
    return "删除";
  }
  void commitEditingStyle(ui::TableView& t, ui::TableViewCellEditingStyle style, ui::IndexPath ip) override {
    if (style != ui::TableViewCellEditingStyle::Delete) return;
    rows.erase(rows.begin() + ip.row);
    t.deleteRowsAtIndexPaths({ip}, ui::TableViewRowAnimation::Fade);
  }
  std::vector<std::string> rows{"第一条笔记", "第二条笔记", "第三条笔记"};
  std::shared_ptr<ui::TableView> table;
};

}  // namespace

// A drag to the left over a row shows its red delete button with its title; a click on it deletes the
// row, the rows below move up.
TEST(PiecesWindow, ASwipedRowShowsItsDeleteButtonAndAClickDeletes) {
  WindowSession s;
  auto list = std::make_shared<DeletableList>();
  s.app().keyWindow().setRootViewController(std::make_shared<ui::NavigationController>(list));
  s.open();
  ui::TableViewCell* row = list->table->cellForRowAtIndexPath({0, 1});
  ASSERT_NE(row, nullptr);
  const ui::Rect rowFrame = WindowSession::frameOf(*row);
  s.drag({rowFrame.maxX() - 30, rowFrame.midY()}, {rowFrame.minX() + 60, rowFrame.midY()});
  ASSERT_TRUE(s.waitFor([&] { return row->showingDeleteConfirmation(); })) << "the drag showed no delete button";
  s.settle();
  ui::Button* button = row->deleteConfirmationButton();
  ASSERT_NE(button, nullptr);
  const ui::Rect buttonFrame = WindowSession::frameOf(*button);
  const Shot shot = s.shot();
  gtktest::keepShot(shot, "table-delete");
  EXPECT_GT(pixelsNear(shot, buttonFrame.insetBy(2, 2), rgba8(button->backgroundColor()), 20),
            buttonFrame.width() * buttonFrame.height() / 3)
      << "the delete button is not drawn";
  EXPECT_GT(shot.inkIn(buttonFrame.insetBy(10, 8), rgba8(button->backgroundColor()), 60), 20)
      << "the delete button has no title";

  s.click(buttonFrame.center());
  ASSERT_TRUE(s.waitFor([&] { return list->rows.size() == 2; })) << "the click deleted nothing";
  EXPECT_EQ(list->rows, (std::vector<std::string>{"第一条笔记", "第三条笔记"}));
  EXPECT_TRUE(s.waitFor([&] {
    ui::TableViewCell* second = list->table->cellForRowAtIndexPath({0, 1});
    return second && second->textLabel()->text() == "第三条笔记" && !second->showingDeleteConfirmation();
  }));
}

namespace {

struct ResultOwner : TestResultViewDelegate {
  std::shared_ptr<TestPager> pager;
  std::shared_ptr<TestPager> testPager() const override { return pager; }
};

}  // namespace

// The result screen shows its pass picture from 60 % up and its fail picture below: each drawn over the
// dark panel where the model has its image view, green for a pass, red for a fail.
TEST(PiecesWindow, TheResultScreenShowsAPassOrFailPicture) {
  testsupport::TempHome home("vd-gtk-result");
  core::Bundle::resetMain();
  struct Case {
    int right, wrong;
    const char* image;
    int reddest;  // 0 green, 1 red: the channel the picture's ink leans to
  };
  const Case cases[] = {{3, 2, "testpass", 0}, {1, 2, "testnopass", 1}};
  WindowSession s;
  auto root = std::make_shared<ui::ViewController>();
  s.app().keyWindow().setRootViewController(root);
  s.open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    auto owner = std::make_shared<ResultOwner>();
    QuestionsArray questions;
    for (int i = 0; i < c.right + c.wrong; ++i) {
      auto q = std::make_shared<Questions>();
      q->state = i < c.right ? AnswerState::Right : AnswerState::Wrong;
      questions.push_back(q);
    }
    owner->pager = std::make_shared<TestPager>(questions);
    auto result = std::make_shared<TestResultViewController>();
    result->setDelegate(owner);
    result->setCurrentMode(AnsweringMode::Practice);
    s.app().keyWindow().addFrontView(result->view().shared_from_this());
    s.settle();
    ui::ImageView* picture = nullptr;
    std::function<void(ui::View&)> find = [&](ui::View& v) {
      if (auto* iv = dynamic_cast<ui::ImageView*>(&v); iv && !picture) picture = iv;
      for (auto& child : v.subviews()) find(*child);
    };
    find(result->view());
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->image(), nullptr);
    EXPECT_EQ(picture->image()->name(), c.image);
    EXPECT_FALSE(ui::Image::named(c.image)->filePath().empty()) << "the bundle has no " << c.image;
    const Shot shot = s.shot();
    gtktest::keepShot(shot, std::string("result-") + c.image);
    const ui::Rect r = WindowSession::frameOf(*picture);
    int green = 0, red = 0;
    for (int y = static_cast<int>(r.minY()); y < static_cast<int>(r.maxY()); ++y) {
      for (int x = static_cast<int>(r.minX()); x < static_cast<int>(r.maxX()); ++x) {
        const std::uint32_t p = shot.at({1.0 * x, 1.0 * y});
        const int rr = gtktest::channel(p, 0), gg = gtktest::channel(p, 1), bb = gtktest::channel(p, 2);
        if (gg > rr + 40 && gg > bb + 40) ++green;
        if (rr > gg + 40 && rr > bb + 40) ++red;
      }
    }
    const int lean = c.reddest ? red : green, other = c.reddest ? green : red;
    EXPECT_GT(lean, static_cast<int>(r.width() * r.height() / 8)) << "the picture does not show";
    EXPECT_LT(other, lean / 10);
    result->view().removeFromSuperview();
    s.settle();
  }
}

// A first visit to the login screen, as the root, lays a first-use prompt over the window that a person
// can see; a click takes it away, and then the form under it takes clicks.
TEST(PiecesWindow, TheLoginScreensFirstUsePromptShowsAndGoesAtAClick) {
  testsupport::TempHome home("vd-gtk-login");
  core::Bundle::resetMain();
  core::UserDefaults::standard().setBool("isFirstLoginApp", true);
  registerEveryScreen();
  WindowSession s;
  auto login = std::dynamic_pointer_cast<LoginViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login"));
  ASSERT_NE(login, nullptr);
  s.app().keyWindow().setRootViewController(std::make_shared<ui::NavigationController>(login));
  s.open();
  ui::Window& window = s.app().keyWindow();
  ui::Button* prompt = nullptr;
  for (auto& v : window.subviews()) {
    auto* b = dynamic_cast<ui::Button*>(v.get());
    if (b && b->currentBackgroundImage() &&
        b->currentBackgroundImage()->name() == LoginViewController::kFirstRunImage)
      prompt = b;
  }
  ASSERT_NE(prompt, nullptr) << "no first-use prompt";
  EXPECT_FALSE(ui::Image::named(LoginViewController::kFirstRunImage)->filePath().empty())
      << "the prompt's picture is missing";
  const Shot shot = s.shot();
  gtktest::keepShot(shot, "login-prompt");
  // The prompt darkens the form and writes on it.
  EXPECT_LT(gtktest::luminance(shot.at({10, 440})), 0.35) << "the prompt does not show";
  EXPECT_GT(shot.inkIn({20, 170, 280, 40}, shot.at({10, 440})), 100) << "the prompt has no text";

  s.click({160, 300});
  ASSERT_TRUE(s.waitFor([&] { return prompt->superview() == nullptr; })) << "the click left the prompt";
  s.settle();
  gtktest::keepShot(s.shot(), "login");
  // The form takes clicks now: the user name field begins editing.
  ui::TextField* name = nullptr;
  std::function<void(ui::View&)> find = [&](ui::View& v) {
    if (auto* f = dynamic_cast<ui::TextField*>(&v); f && !name) name = f;
    for (auto& child : v.subviews()) find(*child);
  };
  find(login->view());
  ASSERT_NE(name, nullptr);
  s.click(WindowSession::frameOf(*name).center());
  EXPECT_TRUE(s.waitFor([&] { return name->isEditing(); })) << "the form does not take clicks";
  gtktest::keepShot(s.shot(), "login-editing");
}
