// The page the builder writes: each area per question type and mode, as fragments of the HTML the web
// view gets, and the way the page is made and loaded.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <typeinfo>

#include "QuestionPageSupport.h"
#include "exam/A3TestHtmlViewController.h"
#include "exam/ATestHtmlViewController.h"
#include "exam/BTestHtmlViewController.h"
#include "exam/JDTestHtmlViewController.h"
#include "exam/PDTestHtmlViewController.h"
#include "exam/TKTestHtmlViewController.h"
#include "exam/XTestHtmlViewController.h"
#include "ui/PageResources.h"

namespace qpage {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

bool has(const std::string& html, const std::string& part) { return html.find(part) != std::string::npos; }

TEST(TestHtmlVCFactory, MakesThePageOfEachTypeAndNoneForOtherTexts) {
  struct Case {
    const char* type;
    const std::type_info* page;  // nullptr: no page
  };
  const Case cases[] = {
      {"ATEST", &typeid(ATestHtmlViewController)},
      {"BTEST", &typeid(BTestHtmlViewController)},
      {"A3TEST", &typeid(A3TestHtmlViewController)},
      {"XTEST", &typeid(XTestHtmlViewController)},
      {"PDTEST", &typeid(PDTestHtmlViewController)},
      {"JDTEST", &typeid(JDTestHtmlViewController)},
      {"TKTEST", &typeid(TKTestHtmlViewController)},
      {"atest", nullptr},
      {"ATEST ", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    auto page = TestHtmlVCFactory::createTestHtmlVC(c.type, nullptr, nullptr);
    if (!c.page) {
      EXPECT_EQ(page, nullptr);
      continue;
    }
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(typeid(*page), *c.page);
  }
}

class PageAreas : public PageSuite {};

TEST_F(PageAreas, ReplyAreaAndToolRowFollowTypeAndMode) {
  struct Case {
    const char* type;
    AnsweringMode mode;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const std::string radioB =
      R"~(<p><input type="radio" id="radio_B" name="radiogroup" value="B" onclick='radioReplyClick(this)'/>)~"
      R"~(<label for="radio_B" onclick='javascript:void(0)'> B.乙 </label><img name="right_B" src="right.png" )~"
      R"~(style='display:none;'/><img name="wrong_B" src="wrong.png" style='display:none;'/></p>)~";
  const std::string checkboxB =
      R"~(<p><input type="checkbox" id="checkbox_B" name="checkboxgroup" value="B" onclick='checkboxReplyClick()' />)~"
      R"~(<label for="checkbox_B" onclick='javascript:void(0)'> B.乙 </label><img name="right_B" src="right.png" )~"
      R"~(style='display:none;'/><img name="wrong_B" src="wrong.png" style='display:none;'/><p>)~";
  const std::string fav =
      R"~(name='收藏' id="favStrBtn" type="image" src="favBtn.png" onClick="favClick()")~";
  const std::string note = R"~(name='笔记' type ="image" src="ic_t_note.png" onClick="noteClick(this)")~";
  const std::string redo = R"~(name='重做' id="chongzuo" type="image" src="ic_chongzuo.png")~";
  const std::string mark = R"~(name='批阅' type ="image" src="ic_t_submit2.png" onClick="markClick(this)")~";
  const std::string confirm = R"~(<input id="btnShowAnswer" type="button" value="确认")~";
  const Case cases[] = {
      {"ATEST",
       AnsweringMode::Practice,
       {radioB, fav, note, mark},
       {redo, "onclick='radioReplyClickForTest", confirm}},
      {"ATEST",
       AnsweringMode::Exam,
       {"onclick='radioReplyClickForTest(this)'", "value=\"D\""},
       {"onclick='radioReplyClick(this)'", "id=\"favStrBtn\"", "ic_t_note.png", "id=\"belowView\" type"}},
      {"ATEST", AnsweringMode::Reading, {radioB, fav + "/></TD><TD", redo, note}, {mark}},
      {"PDTEST", AnsweringMode::Practice, {radioB}, {"type=\"checkbox\""}},
      {"BTEST", AnsweringMode::Exam, {"radioReplyClickForTest(this)"}, {"type=\"checkbox\""}},
      {"XTEST",
       AnsweringMode::Practice,
       {checkboxB, confirm, "onclick=\"saveAndDisplayAnswerClick()\""},
       {"type=\"radio\""}},
      {"A3TEST", AnsweringMode::Exam, {checkboxB}, {confirm}},
      {"XTEST",
       AnsweringMode::Reading,
       {R"~(<input type="checkbox" id="checkbox_B" name="checkboxgroup" value="B" /><label for="checkbox_B")~"},
       {"onclick='checkboxReplyClick()'", confirm}},
      {"JDTEST",
       AnsweringMode::Practice,
       {R"~(<textarea id="textarea_reply" name="textarea_reply" value="" onblur="getTextarea()" cols='45' rows="5" class="FlatInput"></textarea>)~"},
       {"type=\"radio\"", "type=\"checkbox\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " mode " + std::to_string(static_cast<int>(c.mode)));
    owner->mode = c.mode;
    setQuestions({});
    show(makeQuestion(c.type, "A"));
    const std::string html = web().html();
    ASSERT_THAT(html, HasSubstr("<body class=\"TestBody\">"));
    for (const auto& part : c.present) EXPECT_TRUE(has(html, part)) << "missing: " << part;
    for (const auto& part : c.absent) EXPECT_FALSE(has(html, part)) << "unexpected: " << part;
  }
}

TEST_F(PageAreas, ToolRowOrderIsFavouriteNoteMarkInPracticeAndFavouriteRedoNoteInReading) {
  for (auto [mode, order] :
       {std::pair{AnsweringMode::Practice, std::vector<std::string>{"收藏", "笔记", "批阅"}},
        std::pair{AnsweringMode::Reading, std::vector<std::string>{"收藏", "重做", "笔记"}}}) {
    owner->mode = mode;
    setQuestions({});
    show(makeQuestion("ATEST", "A"));
    const std::string html = web().html();
    std::size_t at = 0;
    for (const auto& name : order) {
      const std::size_t found = html.find("name='" + name + "'", at);
      ASSERT_NE(found, std::string::npos) << name;
      at = found;
    }
  }
}

TEST_F(PageAreas, TitleNumbersTheQuestionAndShowsTheStarOfTheQuestionAtThePagePlace) {
  auto first = makeQuestion("ATEST", "A", "第一题");
  auto second = makeQuestion("ATEST", "B", "第二题");
  auto third = makeQuestion("ATEST", "C", "第三题");
  second->IsFav = true;
  setQuestions({first, second, third});
  show(second, 1);  // page view 1 stands at x 320: place 1
  const std::string html = web(1).html();
  EXPECT_THAT(
      html, HasSubstr(R"~(<input id="fav" width="20px" height="20px" type="image" src="ic_t_fav_true.png"  )~"
                      R"~(onClick="favClick()"/>2/3、第二题</TD>)~"));
  EXPECT_THAT(html, HasSubstr(R"~(id="favStrBtn" type="image" src="favCancelBtn.png")~"));

  show(first, 0);
  EXPECT_THAT(web(0).html(), HasSubstr(R"~(src="ic_t_fav_false.png"  onClick="favClick()"/>1/3、第一题)~"));
}

TEST_F(PageAreas, GroupHeadingOnlyOnTheFirstQuestionAndTheExplanationWithoutPlaceholderText) {
  auto q = makeQuestion("ATEST", "A");
  q->IsFirst = true;
  q->Explain = "略";
  show(q);
  std::string html = web().html();
  EXPECT_THAT(html, HasSubstr(R"~( <TD class="TestStyleExplain"> 1、每题只有一个正确答案 </TD>)~"));
  EXPECT_THAT(
      html,
      HasSubstr(
          R"~(<div class="Answer"><TABLE width="95%" border=0 align="center" cellPadding=0 )~"
          R"~(cellSpacing=3><TR> <TD class="HideAnswer"> 正确答案: A　<br/> </TD></TR></TABLE></div>)~"));

  q->IsFirst = false;
  q->Explain = "因为甲";
  setQuestions({});
  show(q);
  html = web().html();
  EXPECT_THAT(html, HasSubstr(R"~( <TD class="TestStyleExplain">  </TD>)~"));
  EXPECT_THAT(html, HasSubstr("正确答案: A　<br/>解题思路: 因为甲 </TD>"));
}

TEST_F(PageAreas, TheAnswerIsTheFirstHiddenInputAndStandsEscapedInIt) {
  auto q = makeQuestion("JDTEST", "a \"quoted\" <b>answer</b>");
  show(q);
  const std::string html = web().html();
  const std::size_t hidden = html.find("type=\"hidden\"");
  ASSERT_NE(hidden, std::string::npos);
  EXPECT_EQ(html.find("type=\"hidden\"", hidden + 1), std::string::npos);
  EXPECT_THAT(html, HasSubstr(R"~(<input name="test_answer" type="hidden" value="a &quot;quoted&quot; )~"
                              R"~(&lt;b&gt;answer&lt;/b&gt;">)~"));
}

// The page policy runs only the inline handlers the builder registered: every one a page of any type
// and mode carries must be among them, or its tap would do nothing in the window.
TEST_F(PageAreas, EveryInlineHandlerOfAPageIsOneThePagePolicyRuns) {
  const std::regex handler(R"~(\son[a-zA-Z]+\s*=\s*(?:"([^"]*)"|'([^']*)'))~");
  int seen = 0;
  for (const char* type : {"ATEST", "BTEST", "A3TEST", "XTEST", "PDTEST", "JDTEST", "TKTEST"}) {
    for (AnsweringMode mode : {AnsweringMode::Practice, AnsweringMode::Exam, AnsweringMode::Reading}) {
      SCOPED_TRACE(std::string(type) + " mode " + std::to_string(static_cast<int>(mode)));
      owner->mode = mode;
      auto a = makeQuestion(type, "A");
      auto b = makeQuestion(type, "A");
      setQuestions({a, b});
      show(b, 1);  // the last place: the exam's submit button too
      const std::string html = web(1).html();
      const auto trusted = ui::PageResources::trustedInlineHandlers();
      for (std::sregex_iterator it(html.begin(), html.end(), handler), end; it != end; ++it) {
        const std::string text = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
        EXPECT_NE(std::find(trusted.begin(), trusted.end(), text), trusted.end()) << text;
        ++seen;
      }
    }
  }
  EXPECT_GT(seen, 0);
}

TEST_F(PageAreas, SubmitButtonOnlyOnTheLastPlaceInExamMode) {
  struct Case {
    AnsweringMode mode;
    int place;
    bool button;
  };
  const Case cases[] = {{AnsweringMode::Exam, 1, true},
                        {AnsweringMode::Exam, 0, false},
                        {AnsweringMode::Practice, 1, false},
                        {AnsweringMode::Reading, 1, false}};
  const std::string button =
      R"~(<input type="button" value="批阅" style="width:95%;height:25px;" onclick="markClick(this)" />)~";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.mode)) + " at " + std::to_string(c.place));
    owner->mode = c.mode;
    auto a = makeQuestion("ATEST", "A");
    auto b = makeQuestion("ATEST", "B");
    setQuestions({a, b});
    show(c.place == 0 ? a : b, c.place);
    EXPECT_EQ(has(web(c.place).html(), button), c.button);
  }
}

TEST_F(PageAreas, FreeTextReplyIsEscapedInBothPlacesOfTheTextBox) {
  auto q = makeQuestion("TKTEST", "答案");
  q->reply = "</textarea><script>alert('x')</script>&";
  q->state = AnswerState::FreeText;
  show(q);
  const std::string escaped = "&lt;/textarea&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;";
  EXPECT_THAT(web().html(), HasSubstr("value=\"" + escaped + "\" onblur=\"getTextarea()\""));
  EXPECT_THAT(web().html(), HasSubstr("class=\"FlatInput\">" + escaped + "</textarea>"));
  EXPECT_THAT(web().html(), Not(HasSubstr("<script>alert")));
}

TEST_F(PageAreas, PlaceholdersAreReplacedInTheTemplateOnly) {
  auto q = makeQuestion("ATEST", "A", "写出 [Explain_Area] 与 [Reply_Area] 的意思");
  show(q);
  const std::string html = web().html();
  EXPECT_THAT(html, HasSubstr("1/1、写出 [Explain_Area] 与 [Reply_Area] 的意思</TD>"));
  for (const char* area :
       {"<div id=\"Description_Area\"><TABLE", "<div id=\"Reply_Area\"><TABLE",
        "<div id=\"Explain_Area\" style=\"display:none;\"><div class=\"Answer\">",
        "<div id=\"HiddenAnswer_Area\"><input name=\"test_answer\"", "<div id=\"MarkBtn_Area\"></div>"})
    EXPECT_THAT(html, HasSubstr(area));
  EXPECT_EQ(html.find("[Style_Area]"), std::string::npos);
}

TEST_F(PageAreas, SettingsChooseTheFontSizeAndTheNightColours) {
  struct Case {
    const char* fontSize;
    bool night;
    const char* size;  // nullptr: no size rule
  };
  const Case cases[] = {{"小号", false, "12"}, {"中号", false, "18"}, {"大号", true, "20"},
                        {"特大", false, "24"}, {"超大", true, "28"},  {"巨大", false, nullptr},
                        {"", true, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fontSize);
    core::UserDefaults::standard().setObject("fontSize", c.fontSize);
    core::UserDefaults::standard().setBool("isNightMode", c.night);
    setQuestions({});
    show(makeQuestion("ATEST", "A"));
    const std::string html = web().html();
    EXPECT_EQ(has(html, "{ font-size:"), c.size != nullptr);
    if (c.size) {
      EXPECT_THAT(html, HasSubstr(std::string("<style type='text/css'>#Description_Area ,#FrontTitle_Area,"
                                              "#MainTitle_Area,#Reply_Area,#Explain_Area{ font-size:") +
                                  c.size + "px;}</style>"));
    }
    EXPECT_EQ(
        has(html, "{ color:#366ba6}/*控制背景颜色*/.TestBody{ background-color:#1a2131}</style>\n</head>"),
        c.night);
    const ui::Color expected = BaseTestHtmlViewController::backgroundColor(c.night);
    for (const auto& view : owner->webViews) {
      EXPECT_EQ(view->backgroundColor(), expected);
      EXPECT_EQ(view->scrollView().backgroundColor(), expected);
    }
    EXPECT_EQ(owner->scroll->backgroundColor(), expected);
  }
  EXPECT_EQ(BaseTestHtmlViewController::backgroundColor(true), ui::Color::rgb255(26, 33, 49));
}

TEST_F(PageAreas, PageLoadsWithTheBundleAsBaseAndDeclaresUtf8) {
  auto page = show(makeQuestion("ATEST", "A"));
  ASSERT_TRUE(web().baseURL().has_value());
  const std::string base = *web().baseURL();
  EXPECT_EQ(base, "vdbundle://bundle/");
  EXPECT_TRUE(fs::exists(fs::path(core::Bundle::main().resourcePath()) / "jquery-1.6.4.min.js"));
  EXPECT_THAT(web().html(),
              HasSubstr(R"~(<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />)~"));
  EXPECT_THAT(web().html(),
              HasSubstr(R"~(<script type="text/javascript" src="jquery-1.6.4.min.js"></script>)~"));
  EXPECT_EQ(owner->webViews[0]->delegate().get(), static_cast<ui::WebViewDelegate*>(page.get()));
  EXPECT_FALSE(owner->webViews[0]->scrollView().bounces());
}

TEST_F(PageAreas, TheBuildWorksOnACopyTakenWhenTheLoadBegins) {
  auto q = makeQuestion("ATEST", "A");
  setQuestions({q});
  owner->pager->setCurrentLoadTest(q);
  auto page = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner, owner->webViews[0]);
  const QuestionPageInput input = page->pageInput();
  q->MainTitle = "改过的题干";
  q->ChoiceItems.push_back(core::Dictionary{{"Name", "E"}, {"Text", "戊"}});
  q->ChoiceItems[0].set("Text", "改过的选项");
  EXPECT_EQ(input.question.MainTitle, "题干");
  ASSERT_EQ(input.question.ChoiceItems.size(), 4u);
  EXPECT_EQ(input.question.ChoiceItems[0]["Text"].toString(), "甲");
}

TEST_F(PageAreas, ABuildThatFinishesAfterItsWebViewWasTakenIsDropped) {
  auto first = makeQuestion("ATEST", "A", "旧题");
  auto second = makeQuestion("ATEST", "B", "新题");
  setQuestions({first, second});
  owner->pager->setCurrentLoadTest(first);
  auto old = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner, owner->webViews[0]);
  old->AsynloadWebViewHtml({});
  owner->pager->setCurrentLoadTest(second);
  auto now = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner, owner->webViews[0]);
  now->AsynloadWebViewHtml({});
  settle();
  EXPECT_EQ(web().loadCount(), 1);
  EXPECT_THAT(web().html(), HasSubstr("新题"));

  // A page dropped before its build ends loads nothing.
  auto gone = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner, owner->webViews[1]);
  gone->AsynloadWebViewHtml({});
  gone.reset();
  settle();
  EXPECT_EQ(web(1).loadCount(), 0);
}

}  // namespace
}  // namespace qpage
