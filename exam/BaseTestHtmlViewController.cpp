#include "exam/BaseTestHtmlViewController.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/SettingDefaults.h"
#include "app/VDHelper.h"
#include "app/VDLogHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/ImageBrowserViewController.h"
#include "exam/PageText.h"
#include "exam/WebViewScriptTarget.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/TaskAndReply.h"
#include "platform/runloop/Timer.h"
#include "service/ServerConfig.h"
#include "ui/PageResources.h"

namespace {

constexpr const char* kTableOpen =
    R"(<TABLE width="95%" border=0 align="center" cellPadding=0 cellSpacing=3>)";

// The page calls of VDHelper::pageScript.
constexpr int kUserAnalysis = 0;
constexpr int kUserDisAnalysis = 1;
constexpr int kUpdateAnalysisImage = 2;

std::string table(const std::string& cells) {
  return std::string(kTableOpen) + "<TR>" + cells + "</TR></TABLE>";
}

// The template with every placeholder replaced by its text, in one pass over the template.
std::string fillTemplate(std::string_view pageTemplate,
                         const std::vector<std::pair<std::string_view, std::string>>& areas) {
  std::string out;
  out.reserve(pageTemplate.size() + 4096);
  std::size_t i = 0;
  while (i < pageTemplate.size()) {
    const std::size_t open = pageTemplate.find('[', i);
    if (open == std::string_view::npos) break;
    out.append(pageTemplate.substr(i, open - i));
    bool replaced = false;
    for (const auto& [placeholder, text] : areas) {
      if (pageTemplate.substr(open).starts_with(placeholder)) {
        out += text;
        i = open + placeholder.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      out += '[';
      i = open + 1;
    }
  }
  if (i < pageTemplate.size()) out.append(pageTemplate.substr(i));
  return out;
}

}  // namespace

BaseTestHtmlViewController::~BaseTestHtmlViewController() {
  if (delayLoadTimer_) delayLoadTimer_->invalidate();
}

void BaseTestHtmlViewController::initWithExammingViewController(
    const std::shared_ptr<TestHtmlPageOwner>& exammingVC, const std::shared_ptr<ui::WebView>& webView) {
  exammingVC_ = exammingVC;
  myWebView_ = webView;
  if (exammingVC) {
    if (auto pager = exammingVC->testPager()) {
      currentTest_ = pager->currentLoadTest();
      testArray_ = pager->testArray();
    }
    currentMode_ = exammingVC->currentMode();
    isShowExplain_ = exammingVC->isShowExplain();
    myWebView1_ = exammingVC->pageWebView(1);
    myWebView2_ = exammingVC->pageWebView(2);
    myWebView3_ = exammingVC->pageWebView(3);
  }
  if (webView) {
    webView->setDelegate(weak_from_this());
    webView->scrollView().setBounces(false);
  }
  imgDic_.clear();
}

// ---------------------------------------------------------------------------------------------------
// Loading

void BaseTestHtmlViewController::AsynloadWebViewHtml(std::function<void()> onComplete) {
  onComplete_ = std::move(onComplete);
  if (!currentTest_ || !myWebView_) return;
  QuestionPageInput input = pageInput();
  setBackgroundColor(backgroundColor(input.nightMode));
  const PageAreas areas = pageAreas();
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), weak_from_this(),
      [input = std::move(input), areas] {
        QuestionImageStep images(input.imageDirectory, input.imageURLBase);
        images.setTrafficCounter([](std::int64_t bytes) {
          rl::RunLoop::main().post([bytes] { VDLogHelper::appendSize(bytes); });
        });
        BuiltPage page;
        page.html = loadWebViewHtml(questionPageTemplate(), input, areas, images);
        page.imgDic = images.imgDic();
        return page;
      },
      [](BaseTestHtmlViewController& self, BuiltPage page) { self.pageBuilt(std::move(page)); });
}

void BaseTestHtmlViewController::pageBuilt(BuiltPage page) {
  if (!myWebView_) return;
  // The answering screen may have given the web view to another question meanwhile.
  if (myWebView_->delegate().get() != static_cast<ui::WebViewDelegate*>(this)) return;
  imgDic_ = std::move(page.imgDic);
  trustPageHandlers();
  myWebView_->loadHTMLString(std::move(page.html), bundleBaseURL());
}

QuestionPageInput BaseTestHtmlViewController::pageInput() {
  QuestionPageInput input;
  if (currentTest_) {
    input.question = *currentTest_;
    input.question.ChoiceItems = currentTest_->ChoiceItems.deepCopy();
  }
  input.mode = static_cast<int>(currentMode_);
  const auto found = std::find(testArray_.begin(), testArray_.end(), currentTest_);
  input.number = found == testArray_.end() ? 0 : static_cast<int>(found - testArray_.begin()) + 1;
  input.count = static_cast<int>(testArray_.size());
  input.isLast = pagePosition() + 1 == input.count;

  const auto atPosition = testAtPagePosition();
  const bool fav = atPosition && atPosition->IsFav;
  favImage_ = fav ? "ic_t_fav_true.png" : "ic_t_fav_false.png";
  favImage_down_ = fav ? "favCancelBtn.png" : "favBtn.png";
  input.favImage = favImage_;
  input.favImage_down = favImage_down_;

  input.fontSize = SettingDefaults::fontSize();
  input.nightMode = SettingDefaults::isNightMode();
  input.imageDirectory = VDHelper::imageSavePath();
  ui::PageResources::setImageDirectory(input.imageDirectory);  // what the page's image URLs name
  const std::string subject = VDHelper::getSubjectEName();
  if (!subject.empty())
    input.imageURLBase =
        ServerConfig::current().resourceURL("/tk_img/imgdir_" + core::escapeComponent(subject) + "/");
  return input;
}

int BaseTestHtmlViewController::pagePosition() const {
  if (!myWebView_) return 0;
  return static_cast<int>(std::trunc(myWebView_->frame().origin.x / kPageWidth));
}

std::shared_ptr<Questions> BaseTestHtmlViewController::testAtPagePosition() const {
  const int position = pagePosition();
  if (position >= 0 && position < static_cast<int>(testArray_.size()))
    return testArray_[static_cast<std::size_t>(position)];
  return currentTest_;
}

void BaseTestHtmlViewController::setBackgroundColor(const ui::Color& color) {
  for (const auto& view : {myWebView1_, myWebView2_, myWebView3_, myWebView_}) {
    if (!view) continue;
    view->setBackgroundColor(color);
    view->scrollView().setBackgroundColor(color);
  }
  if (auto owner = exammingVC())
    if (auto scrollView = owner->pageScrollView()) scrollView->setBackgroundColor(color);
}

// ---------------------------------------------------------------------------------------------------
// Building

std::string BaseTestHtmlViewController::loadWebViewHtml(std::string_view pageTemplate,
                                                        const QuestionPageInput& input,
                                                        const PageAreas& areas, QuestionImageStep& images) {
  if (pageTemplate.empty()) return std::string();
  // The areas in the order their images are met.
  std::vector<std::pair<std::string_view, std::string>> filled;
  filled.emplace_back("[Style_Area]", loadStyleAreaHtml(input));
  filled.emplace_back("[Description_Area]", loadDescriptionHtml(input));
  filled.emplace_back("[FrontTitle_Area]", loadFrontTitleHtml(input, images));
  filled.emplace_back("[MainTitle_Area]", loadMainTitleHtml(input, images));
  filled.emplace_back("[Reply_Area]", areas.replyArea ? areas.replyArea(input, images) : std::string());
  filled.emplace_back("[Explain_Area]", loadExplainHtml(input, images));
  filled.emplace_back("[HiddenAnswer_Area]", areas.hiddenAnswer ? areas.hiddenAnswer(input) : std::string());
  filled.emplace_back("[belowView]", loadBelowView(input));
  filled.emplace_back("[MarkBtn_Area]", loadMarkBtn(input));
  return fillTemplate(pageTemplate, filled);
}

std::string BaseTestHtmlViewController::loadStyleAreaHtml(const QuestionPageInput& input) {
  static const std::pair<const char*, int> kSizes[] = {
      {"小号", 12}, {"中号", 18}, {"大号", 20}, {"特大", 24}, {"超大", 28}};
  std::string out;
  for (const auto& [label, px] : kSizes) {
    if (input.fontSize == label) {
      out +=
          "<style type='text/css'>#Description_Area ,#FrontTitle_Area,#MainTitle_Area,#Reply_Area,"
          "#Explain_Area{ font-size:" +
          std::to_string(px) + "px;}</style>";
    }
  }
  if (input.nightMode) {
    out +=
        "<style type='text/css'>/*控制字体颜色*/#Description_Area ,#FrontTitle_Area,#MainTitle_Area,"
        "#Reply_Area,#Explain_Area{ color:#366ba6}/*控制背景颜色*/.TestBody{ background-color:#1a2131}"
        "</style>";
  }
  return out;
}

std::string BaseTestHtmlViewController::loadDescriptionHtml(const QuestionPageInput& input) {
  const Questions& q = input.question;
  const std::string heading = q.IsFirst ? q.styleID + "、" + q.Style_Explain : std::string();
  return table(" <TD class=\"TestStyleExplain\"> " + heading + " </TD>");
}

std::string BaseTestHtmlViewController::loadFrontTitleHtml(const QuestionPageInput& input,
                                                           QuestionImageStep& images) {
  return table(" <TD class=\"TestContent\"> " + images.imageTextHtml(input.question.FrontTitle) + " </TD>");
}

std::string BaseTestHtmlViewController::loadMainTitleHtml(const QuestionPageInput& input,
                                                          QuestionImageStep& images) {
  return table(
      " <TD class=\"TestMainTitle\"><input id=\"fav\" width=\"20px\" height=\"20px\" type=\"image\" src=\"" +
      input.favImage + "\"  onClick=\"favClick()\"/>" + std::to_string(input.number) + "/" +
      std::to_string(input.count) + "、" + images.imageTextHtml(input.question.MainTitle) + "</TD>");
}

std::string BaseTestHtmlViewController::loadReplyAreaHtml(const QuestionPageInput&, QuestionImageStep&) {
  return std::string();
}

std::string BaseTestHtmlViewController::loadExplainHtml(const QuestionPageInput& input,
                                                        QuestionImageStep& images) {
  const Questions& q = input.question;
  const std::string answer = images.imageTextHtml(q.Answer);
  const std::string explain =
      q.Explain.empty() || q.Explain == "略" ? std::string() : "解题思路: " + images.imageTextHtml(q.Explain);
  return "<div class=\"Answer\">" +
         table(" <TD class=\"HideAnswer\"> 正确答案: " + answer + "　<br/>" + explain + " </TD>") + "</div>";
}

std::string BaseTestHtmlViewController::loadHiddenAnswerHtml(const QuestionPageInput& input) {
  return "<input name=\"test_answer\" type=\"hidden\" value=\"" + htmlEscaped(input.question.Answer) + "\">";
}

std::string BaseTestHtmlViewController::loadBelowView(const QuestionPageInput& input) {
  const std::string fav =
      "<TD align=\"center\"><input height=\"64px\" width=\"64px\" name='收藏' id=\"favStrBtn\" "
      "type=\"image\" src=\"" +
      input.favImage_down + "\" onClick=\"favClick()\"/></TD>";
  const std::string note =
      "<TD align=\"center\"><input height=\"64px\" width=\"64px\" name='笔记' type =\"image\" "
      "src=\"ic_t_note.png\" onClick=\"noteClick(this)\"/></TD>";
  const std::string redo =
      "<TD align=\"center\"><input height=\"64px\" width=\"64px\" name='重做' id=\"chongzuo\" "
      "type=\"image\" src=\"ic_chongzuo.png\" onClick=\"chongzuoClick(this)\"/></TD>";
  const std::string mark =
      "<TD align=\"center\"><input height=\"64px\" width=\"64px\" name='批阅' type =\"image\" "
      "src=\"ic_t_submit2.png\" onClick=\"markClick(this)\"/></TD>";
  std::string cells;
  if (input.mode == static_cast<int>(AnsweringMode::Practice))
    cells = fav + note + mark;
  else if (input.mode == static_cast<int>(AnsweringMode::Reading))
    cells = fav + redo + note;
  else
    return std::string();
  return " <TABLE id=\"belowView\" type=\"\" height=\"64px\" border=0 align=\"right\" cellPadding=0 "
         "cellSpacing=3><TR>" +
         cells + "</TR></TABLE>";
}

std::string BaseTestHtmlViewController::loadMarkBtn(const QuestionPageInput& input) {
  if (!input.isLast || input.mode != static_cast<int>(AnsweringMode::Exam)) return std::string();
  return " " + table(
                   "<TD class=\"TestContent\" align=\"center\"><input type=\"button\" value=\"批阅\" "
                   "style=\"width:95%;height:25px;\" onclick=\"markClick(this)\" /></TD>");
}

std::string BaseTestHtmlViewController::questionPageTemplate() {
  const auto path = core::Bundle::main().pathForResource(kTemplateName, "");
  if (!path) return std::string();
  std::string page = core::Paths::readTextFile(*path).value_or(std::string());
  // The template's own script elements run by their hashes (the page policy runs no other inline
  // script): the texts between each "<script ...>" without a src and its "</script>".
  constexpr std::string_view kOpen = "<script", kClose = "</script>";
  for (std::size_t at = page.find(kOpen); at != std::string::npos; at = page.find(kOpen, at)) {
    const std::size_t tagEnd = page.find('>', at);
    const std::size_t close = tagEnd == std::string::npos ? std::string::npos : page.find(kClose, tagEnd);
    if (close == std::string::npos) break;
    if (page.substr(at, tagEnd - at).find("src=") == std::string::npos)
      ui::PageResources::trustInlineScript(page.substr(tagEnd + 1, close - tagEnd - 1));
    at = close + kClose.size();
  }
  return page;
}

std::string BaseTestHtmlViewController::bundleBaseURL() { return ui::PageResources::bundleBaseURL(); }

void BaseTestHtmlViewController::trustPageHandlers() {
  // Every inline handler the question pages write; the page policy runs no other inline script.
  static const char* const kHandlers[] = {
      "radioReplyClick(this)", "radioReplyClickForTest(this)", "checkboxReplyClick()",
      "saveAndDisplayAnswerClick()", "getTextarea()", "markClick(this)", "imageclick(this)",
      "favClick()", "noteClick(this)", "chongzuoClick(this)", "javascript:void(0)"};
  for (const char* handler : kHandlers) ui::PageResources::trustInlineHandler(handler);
}

ui::Color BaseTestHtmlViewController::backgroundColor(bool nightMode) {
  return nightMode ? ui::Color::rgb(26.0 / 255, 33.0 / 255, 49.0 / 255) : ui::Color::white();
}

BaseTestHtmlViewController::PageAreas BaseTestHtmlViewController::pageAreas() const {
  return {&BaseTestHtmlViewController::loadReplyAreaHtml, &BaseTestHtmlViewController::loadHiddenAnswerHtml};
}

// ---------------------------------------------------------------------------------------------------
// After the load

void BaseTestHtmlViewController::webViewDidFinishLoad(ui::WebView& webView) {
  auto owner = exammingVC();
  if (owner && owner->isFirstHud() && currentMode_ == AnsweringMode::Reading &&
      &webView != myWebView1_.get()) {
    if (delayLoadTimer_) delayLoadTimer_->invalidate();
    std::weak_ptr<BaseTestHtmlViewController> weak = weak_from_this();
    std::weak_ptr<ui::View> weakView = webView.weak_from_this();
    delayLoadTimer_ = rl::Timer::scheduled(kDelayedRestoreSeconds, false, [weak, weakView](rl::Timer&) {
      auto self = weak.lock();
      auto view = std::static_pointer_cast<ui::WebView>(weakView.lock());
      if (self && view) self->didFinishLoad(*view);
    });
    return;
  }
  didFinishLoad(webView);
}

void BaseTestHtmlViewController::didFinishLoad(ui::WebView&) {
  auto keep = shared_from_this();  // the completion may drop the screen's hold on this page
  if (auto test = testAtPagePosition()) showExplain(*test);
  if (onComplete_) onComplete_();
  restorePage();
}

void BaseTestHtmlViewController::showExplain(const Questions& test) {
  if (currentMode_ == AnsweringMode::Reading && isShowExplain_) {
    jsClickType(kUserDisAnalysis);
  } else if (currentMode_ == AnsweringMode::Practice) {
    jsClickType(test.state != AnswerState::NotAnswered ? kUserDisAnalysis : kUserAnalysis);
  }
}

void BaseTestHtmlViewController::restorePage() {
  if (!currentTest_) return;
  const Questions& q = *currentTest_;
  const bool answered = q.state != AnswerState::NotAnswered;
  const bool multiple = isMultipleTest(q.type);
  const bool freeText = isFreeTextTest(q.type);
  switch (currentMode_) {
    case AnsweringMode::Reading:
      if (freeText) displayExplain(true);
      displayResult();
      return;
    case AnsweringMode::Exam:
      if (answered) displaySelect(q.reply);
      return;
    case AnsweringMode::Practice:
      break;
  }
  if (answered && !multiple) {
    if (freeText) displayExplain(true);
    displayResult();
    return;
  }
  if (answered) {
    displayExplain(true);
    displayResult();
  } else if (multiple) {
    displaySelect(q.reply);
  }
  auto owner = exammingVC();
  if (owner ? owner->isShowExplain() : isShowExplain_) displayExplain(true);
}

// ---------------------------------------------------------------------------------------------------
// Hooks

void BaseTestHtmlViewController::replyClick(const std::string&) {
  if (ownerMode() != AnsweringMode::Exam) jsClickType(kUpdateAnalysisImage);
}

void BaseTestHtmlViewController::replyClickOK(const std::string&) {
  if (ownerMode() != AnsweringMode::Exam && currentTest_ && currentTest_->reply == "replyclickOK")
    jsClickType(kUpdateAnalysisImage);
}

void BaseTestHtmlViewController::displaySelect(const std::string&) {}

void BaseTestHtmlViewController::displayResult() {
  if (currentMode_ == AnsweringMode::Practice && currentTest_ &&
      currentTest_->state != AnswerState::NotAnswered) {
    jsClickType(kUserDisAnalysis);
    jsClickType(kUpdateAnalysisImage);
  }
}

void BaseTestHtmlViewController::displayExplain(bool show) {
  evaluate(show ? "displayexplain()" : "dismissexplain()");
}

bool BaseTestHtmlViewController::isSingleAnswerTest(std::string_view type) {
  return type == "ATEST" || type == "BTEST" || type == "PDTEST";
}

bool BaseTestHtmlViewController::isMultipleTest(std::string_view type) {
  return type == "A3TEST" || type == "XTEST";
}

bool BaseTestHtmlViewController::isFreeTextTest(std::string_view type) {
  return type == "JDTEST" || type == "TKTEST";
}

void BaseTestHtmlViewController::evaluate(const std::string& script) {
  if (myWebView_) myWebView_->stringByEvaluatingJavaScriptFromString(script);
}

void BaseTestHtmlViewController::jsClickType(int jsType) {
  if (!myWebView_) return;
  WebViewScriptTarget page(myWebView_);
  VDHelper::jsClickType(page, jsType);
}

AnsweringMode BaseTestHtmlViewController::ownerMode() const {
  auto owner = exammingVC();
  return owner ? owner->currentMode() : currentMode_;
}

// ---------------------------------------------------------------------------------------------------
// The bridge

namespace {

// The text cut to the bridge's cap, between two characters.
std::string capped(const std::string& text) {
  if (text.size() <= BaseTestHtmlViewController::kMaxReplyBytes) return text;
  std::size_t end = BaseTestHtmlViewController::kMaxReplyBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

bool BaseTestHtmlViewController::shouldStartLoadWithRequest(ui::WebView& webView, const std::string& url,
                                                            ui::WebViewNavigationType) {
  myWebView_ = std::static_pointer_cast<ui::WebView>(webView.shared_from_this());
  const std::string_view scheme(kScheme);
  if (!std::string_view(url).starts_with(scheme)) return true;

  auto keep = shared_from_this();
  const std::vector<std::string> parts = core::split(std::string_view(url).substr(scheme.size()), "/");
  const std::string& command = parts[0];
  const std::string argument = parts.size() >= 2 ? parts[1] : std::string();
  auto owner = exammingVC();
  if (command == "imageclick") {
    openImageBrowser(argument);
  } else if (command == "analysisClick") {
    if (owner) owner->analysisClick();
  } else if (command == "noteClick") {
    if (owner) owner->openMyNote();
  } else if (command == "wrongredoClick") {
    if (owner) owner->errorFeedback();
  } else if (command == "favClick") {
    if (owner) owner->favClick();
  } else if (command == "chongzuoClick") {
    if (owner) owner->againTest();
  } else if (command == "markClick") {
    if (owner) owner->markClick();
  } else if (command == "replyclick" || command == "replyclickOK") {
    handleReply(command, argument);
  } else if (owner) {
    owner->saveToLastLearningRecord();
  }
  return false;
}

void BaseTestHtmlViewController::handleReply(const std::string& command, const std::string& argument) {
  if (!currentTest_) return;
  // What a page sends is bounded: no option is longer than the cap, escaped (three bytes a byte) or not.
  if (argument.size() > 3 * kMaxReplyBytes) return;
  // The page escapes what it sends; option names outside ASCII arrive escaped.
  const std::string reply = core::removingPercentEscapes(argument).value_or(argument);
  if (reply.size() > kMaxReplyBytes) return;
  // A tap that chose nothing on a single-answer page is no answer (and no wrong one).
  if (reply.empty() && isSingleAnswerTest(currentTest_->type)) return;
  if (command == "replyclick" && isMultipleTest(currentTest_->type) &&
      ownerMode() == AnsweringMode::Practice) {
    replyClickOK(reply);
    if (auto owner = exammingVC()) owner->saveToLastLearningRecord();
    return;
  }
  if (isFreeTextTest(currentTest_->type) && myWebView_) {
    std::weak_ptr<BaseTestHtmlViewController> weak = weak_from_this();
    myWebView_->stringByEvaluatingJavaScriptFromString(kTextareaScript, [weak](const std::string& text) {
      auto self = weak.lock();
      if (!self) return;
      if (!text.empty() && self->ownerMode() == AnsweringMode::Practice) self->displayExplain(true);
      self->markReply(capped(text));
    });
    return;
  }
  markReply(reply);
}

void BaseTestHtmlViewController::markReply(const std::string& reply) {
  replyClick(reply);
  auto owner = exammingVC();
  if (!owner) return;
  if (ownerMode() == AnsweringMode::Practice && currentTest_->state == AnswerState::Wrong)
    owner->markExamPapers(true);
  owner->saveToLastLearningRecord();
}

void BaseTestHtmlViewController::openImageBrowser(const std::string& argument) {
  const std::string name = core::removingPercentEscapes(argument).value_or(argument);
  auto found = imgDic_.find(QuestionImageStep::imageKey(name));
  if (found == imgDic_.end()) found = imgDic_.find(argument);
  if (found == imgDic_.end()) return;  // no such image on the page: nothing to show
  auto owner = exammingVC();
  if (!owner) return;
  auto browser = std::dynamic_pointer_cast<ImageBrowserViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
          ImageBrowserViewController::kIdentifier));
  if (!browser) return;
  browser->setWebhtml("<img src='" + found->second + "' />");
  owner->presentImageBrowser(browser);
}
