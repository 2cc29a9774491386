// Search bars: what a person does in the search field reaches the delegate as whole texts, the return
// key is the search button, and the cancel button is there only while shown.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/SearchBar.h"
#include "ui/test/Harness.h"

using namespace ui;

namespace {

struct Recorder : SearchBarDelegate {
  std::vector<std::string> events;
  bool allowEditing = true;
  bool searchBarShouldBeginEditing(SearchBar&) override {
    events.push_back("should-begin");
    return allowEditing;
  }
  void searchBarTextDidBeginEditing(SearchBar&) override { events.push_back("begin"); }
  void searchBarTextDidEndEditing(SearchBar&) override { events.push_back("end"); }
  void textDidChange(SearchBar&, const std::string& text) override { events.push_back("text:" + text); }
  void searchBarSearchButtonClicked(SearchBar&) override { events.push_back("search"); }
  void searchBarCancelButtonClicked(SearchBar&) override { events.push_back("cancel"); }
};

struct SearchStage {
  test::Harness h;
  std::shared_ptr<SearchBar> bar;
  std::shared_ptr<Recorder> delegate = std::make_shared<Recorder>();
  SearchStage() {
    h.setRoot(uitest::screen("Root", [this](View& v) {
      bar = std::make_shared<SearchBar>(Rect{0, 0, 320, SearchBar::kHeight});
      bar->setPlaceholder("搜索科目");
      bar->setDelegate(delegate);
      v.addSubview(bar);
    }));
  }
};

}  // namespace

TEST(SearchBar, EveryChangeOfTheTextReachesTheDelegateAsTheWholeText) {
  SearchStage s;
  TextField* field = s.h.field("搜索科目");
  ASSERT_EQ(field, &s.bar->searchField());
  ASSERT_TRUE(s.h.type(*field, "医学"));
  EXPECT_EQ(s.h.backspace(*field), 1);
  ASSERT_TRUE(field->userClear());
  s.bar->setText("set by the program");  // tells no one
  EXPECT_EQ(s.delegate->events,
            (std::vector<std::string>{"should-begin", "begin", "text:医", "text:医学", "text:医", "text:"}));
  EXPECT_EQ(s.bar->text(), "set by the program");

  // The return key searches and leaves the keyboard up; resigning ends the editing.
  s.delegate->events.clear();
  EXPECT_FALSE(s.h.pressReturn(*field));
  EXPECT_TRUE(s.bar->isFirstResponder());
  EXPECT_TRUE(s.bar->resignFirstResponder());
  EXPECT_EQ(s.delegate->events, (std::vector<std::string>{"search", "end"}));
}

TEST(SearchBar, DelegateCanRefuseEditing) {
  SearchStage s;
  s.delegate->allowEditing = false;
  EXPECT_FALSE(s.h.type(s.bar->searchField(), "x"));
  EXPECT_EQ(s.delegate->events, (std::vector<std::string>{"should-begin"}));
  EXPECT_EQ(s.bar->text(), "");
}

TEST(SearchBar, CancelButtonTakesTouchesOnlyWhileShownAndMakesRoomForItself) {
  SearchStage s;
  const Rect wide = s.bar->searchField().frame();
  EXPECT_EQ(s.h.button(SearchBar::kCancelTitle), nullptr);

  s.bar->setShowsCancelButton(true);
  ASSERT_NE(s.h.button(SearchBar::kCancelTitle), nullptr);
  EXPECT_EQ(s.bar->searchField().frame().size.width, wide.size.width - SearchBar::kCancelButtonWidth);
  EXPECT_TRUE(
      s.h.visibleRect(s.bar->cancelButton()).intersection(s.h.visibleRect(s.bar->searchField())).isEmpty());
  ASSERT_TRUE(s.h.tap(*s.h.button(SearchBar::kCancelTitle)));
  EXPECT_EQ(s.delegate->events, std::vector<std::string>{"cancel"});

  s.bar->setShowsCancelButton(false);
  EXPECT_EQ(s.h.button(SearchBar::kCancelTitle), nullptr);
  EXPECT_EQ(s.bar->searchField().frame(), wide);
}
