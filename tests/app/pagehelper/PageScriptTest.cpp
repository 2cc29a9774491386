// Page-script calls into question pages: the script of each page-call type, and the choice of the
// page on screen among the answering screen's three.

#include <gmock/gmock.h>

#include "app/VDHelper.h"
#include "tests/app/pagehelper/PageHelperSupport.h"
#include "ui/ScrollView.h"

using namespace pagehelper_test;
using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

class PageScript : public ::testing::Test {
 protected:
  ui::test::Harness harness_;
  std::shared_ptr<ScriptLog> log_ = std::make_shared<ScriptLog>();
};

}  // namespace

TEST_F(PageScript, EachTypeRunsItsPageFunctionInOrder) {
  RecordingPage page("page", {{0, 0}, {320, 460}}, log_);
  for (int jsType : {0, 1, 2, 3, 4, 5, -1, 6, 3}) VDHelper::jsClickType(page, jsType);

  // An unknown type still runs, with the empty script.
  EXPECT_THAT(log_->runs,
              ElementsAre(Pair("page", "userAnalysis()"), Pair("page", "userDisAnalysis()"),
                          Pair("page", "updateAnalysisImage()"), Pair("page", "updateAnalysisImageR()"),
                          Pair("page", "updateFavImage()"), Pair("page", "updateFavImageR()"),
                          Pair("page", ""), Pair("page", ""), Pair("page", "updateAnalysisImageR()")));
  // The caller does not wait for a result.
  EXPECT_EQ(page.pending(), 9u);
}

TEST_F(PageScript, RunsInThePageOnScreen) {
  struct Case {
    const char* name;
    double x1, x2, x3;     // page origins in the scroll view's content
    double offset;         // horizontal content offset
    const char* expected;  // page that runs the script; nullptr = none
  };
  const Case cases[] = {
      {"first page", 0, 320, 640, 0, "webView"},
      {"second page", 0, 320, 640, 320, "webView2"},
      {"third page", 0, 320, 640, 640, "webView3"},
      {"pages moved round while paging", 640, 0, 320, 320, "webView3"},
      {"fractions are cut off both sides", 0, 320.9, 640, 320.2, "webView2"},
      {"negative fractions cut towards zero", -0.5, 320, 640, 0.7, "webView"},
      {"mid-slide: no page at the offset", 0, 320, 640, 100, nullptr},
      {"two pages at the offset: the first in order", 320, 320, 640, 320, "webView"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_->runs.clear();
    RecordingPage p1("webView", {{c.x1, 0}, {320, 460}}, log_);
    RecordingPage p2("webView2", {{c.x2, 0}, {320, 460}}, log_);
    RecordingPage p3("webView3", {{c.x3, 0}, {320, 460}}, log_);
    ui::ScrollView scroll(ui::Rect({0, 0}, {320, 460}));
    scroll.setContentSize({960, 460});
    scroll.setContentOffset({c.offset, 0});

    VDHelper::jsClickType(&p1, &p2, &p3, scroll, 4);
    if (c.expected) {
      EXPECT_THAT(log_->runs, ElementsAre(Pair(c.expected, "updateFavImage()")));
    } else {
      EXPECT_TRUE(log_->runs.empty());
    }
  }
}

TEST_F(PageScript, MissingPagesArePassedOver) {
  RecordingPage p3("webView3", {{320, 0}, {320, 460}}, log_);
  ui::ScrollView scroll(ui::Rect({0, 0}, {320, 460}));
  scroll.setContentOffset({320, 0});
  VDHelper::jsClickType(nullptr, nullptr, &p3, scroll, 9);
  EXPECT_THAT(log_->runs, ElementsAre(Pair("webView3", "")));
}
