#include "screens/notes/ErrorFeedbackViewController.h"

#include "app/AppShell.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/DBVersionDAO.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/GestureRecognizer.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"

namespace {

constexpr const char* kUncheckedImage = "ic_feedback_unchecked.png";
constexpr const char* kCheckedImage = "ic_feedback_checked.png";
constexpr double kRowHeights[] = {100, 130, 60, 44};

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

}  // namespace

void ErrorFeedbackViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_->setBackgroundColor(ui::Color::white());
  setView(tableView_);

  // Row 0: the four kinds.
  auto kinds = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kRowHeights[0]));
  const struct {
    const char* title;
    ui::Rect frame;
    std::shared_ptr<ui::Button>* outlet;
  } buttons[] = {{"试题有错字", {20, 10, 130, 36}, &erratumBtn_},
                 {"试题重复了", {170, 10, 130, 36}, &repeatBtn_},
                 {"答案有误", {20, 54, 130, 36}, &answerBtn_},
                 {"其他", {170, 54, 130, 36}, &othersBtn_}};
  int tag = 0;
  for (const auto& b : buttons) {
    auto button = std::make_shared<ui::Button>(b.frame);
    button->setTitle(b.title);
    button->setTitleColor(ui::Color::black());
    button->setContentHorizontalAlignment(ui::TextAlignment::Left);
    button->setTag(tag++);
    button->addTarget(ui::ControlEvent::TouchUpInside,
                      ui::whileAlive(*this, [](ErrorFeedbackViewController& self, ui::Control& sender) {
                        self.isChooesClick(sender.tag());
                      }));
    kinds->addSubview(button);
    *b.outlet = button;
  }
  // The first three look checked while selected; "其他" is the kind chosen while nothing is selected, so
  // its selected look is the unchecked one.
  for (auto* b : {&erratumBtn_, &repeatBtn_, &answerBtn_}) {
    (*b)->setImage(ui::Image::create(kUncheckedImage, {20, 20}));
    (*b)->setImage(ui::Image::create(kCheckedImage, {20, 20}), ui::kControlStateSelected);
  }
  othersBtn_->setImage(ui::Image::create(kCheckedImage, {20, 20}));
  othersBtn_->setImage(ui::Image::create(kUncheckedImage, {20, 20}), ui::kControlStateSelected);

  // Row 1: the text.
  auto text = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kRowHeights[1]));
  feedbackTextView_ = std::make_shared<ui::TextView>(ui::Rect(10, 10, 300, 110));
  feedbackTextView_->setFont(ui::Font::system(15));
  feedbackTextView_->layer().setBorderColor(ui::Color::lightGray());
  feedbackTextView_->layer().setBorderWidth(1);
  text->addSubview(feedbackTextView_);

  // Row 2: the submit button.
  auto submit = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kRowHeights[2]));
  submitBtn_ = std::make_shared<ui::Button>(ui::Rect(20, 10, 280, 40));
  submitBtn_->setTitle(kSubmitTitle);
  submitBtn_->setTitleColor(ui::Color::white());
  submitBtn_->setBackgroundColor(ui::Color::rgb255(67, 67, 67));
  submitBtn_->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this, [](ErrorFeedbackViewController& self, ui::Control&) { self.submitClick(); }));
  submit->addSubview(submitBtn_);

  // Row 3: the way to the earlier reports.
  auto link = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kRowHeights[3]));
  feedback_lab_ = std::make_shared<ui::Label>(ui::Rect(10, 0, 300, kRowHeights[3]), kRecordsLink);
  feedback_lab_->setTextColor(ui::Color::blue());
  feedback_lab_->setTextAlignment(ui::TextAlignment::Right);
  link->addSubview(feedback_lab_);

  rowViews_ = {kinds, text, submit, link};
}

void ErrorFeedbackViewController::viewDidLoad() {
  setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  feedbackTextView_->setText(kPrompt);
  feedbackTextView_->setTextColor(ui::Color::gray());
  feedbackTextView_->setDelegate(weakAs<ui::TextViewDelegate>());
  feedback_lab_->setUserInteractionEnabled(true);
  feedback_lab_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(
      ui::whileAlive(*this, [](ErrorFeedbackViewController& self, ui::GestureRecognizer& tap) {
        if (tap.state() == ui::GestureState::Ended) self.toFeedbackRecord();
      })));
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  tableView_->reloadData();
}

void ErrorFeedbackViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void ErrorFeedbackViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

// ---- kinds ----

void ErrorFeedbackViewController::isChooesClick(int tag) {
  if (tag < 0 || tag > 3) return;
  erratumBtn_->setSelected(tag == 0);
  repeatBtn_->setSelected(tag == 1);
  answerBtn_->setSelected(tag == 2);
  othersBtn_->setSelected(tag != 3);
}

// ---- the report ----

core::Value ErrorFeedbackViewController::errorReport(const std::string& label,
                                                     const std::string& text) const {
  const core::Value appInfo = session()["appInfo"];
  const std::string testId = currentTest_ ? currentTest_->AllTestID : "";
  const std::int64_t batch = DBVersionDAO().getMaxBatchID();
  core::Value report = core::Value::dictionary();
  report.set("AppCName", appInfo["Name"].toString());
  report.set("AppEName", appInfo["EName"].toString());
  report.set("AppVersion", "iPhone版" + core::Bundle::main().version());
  report.set("Content", "AllTestId:" + testId + "/R/NBatchId:" + std::to_string(batch) + "/R/N" + text);
  report.set("StarNum", label);
  const std::optional<SessionUser> user = Session::currentUser();
  report.set("UserName", user ? user->userName : std::string());
  report.set("phone", "");
  return report;
}

void ErrorFeedbackViewController::submitClick() {
  std::string text = feedbackTextView_->text();
  if (text == kPrompt) text.clear();
  std::string label;
  if (erratumBtn_->isSelected()) {
    label = kErratumLabel;
  } else if (repeatBtn_->isSelected()) {
    label = kRepeatLabel;
  } else if (answerBtn_->isSelected()) {
    label = kAnswerLabel;
  } else if (othersBtn_->isSelected() || text.empty()) {
    showAlert(kMissingMessage);
    return;
  } else {
    label = kOthersLabel;
  }
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  view().endEditing(true);
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  centerBll_->errorfeedback(JSONRepresentation(errorReport(label, text)).value_or("{}"));
}

void ErrorFeedbackViewController::didErrorfeedback(bool ok, const core::Value& json) {
  centerBll_.reset();
  // A refusal is always explained: the server's message, or a text of our own when there is none (a
  // reply of the wrong shape never counts as sent).
  const bool ofItsShape = json.isDictionary() && json["Body"].isBool();
  ok = ok && ofItsShape;
  std::string message = json.isDictionary() && json["Message"].isString()
                            ? ReplyCheck::shortened(json["Message"].str())
                            : std::string();
  if (json.isNil()) {
    message = localized("requestFaile");
  } else if (message.empty() && !ok) {
    message = ofItsShape ? localized("nodataMessage") : ReplyCheck::failureMessage(json);
  }
  if (!message.empty()) showAlert(message);
  if (ok) {
    if (ui::NavigationController* nav = navigationController()) nav->popViewController(true);
  }
}

void ErrorFeedbackViewController::showAlert(const std::string& message) const {
  std::make_shared<ui::AlertView>(localized("alertTitle"), message, std::weak_ptr<ui::AlertViewDelegate>(),
                                  std::string("OK"))
      ->show();
}

void ErrorFeedbackViewController::toFeedbackRecord() {
  auto screen =
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("feedbackRecord");
  ui::NavigationController* nav = navigationController();
  if (screen && nav) nav->pushViewController(screen, true);
}

void ErrorFeedbackViewController::hidekeyboard() { view().endEditing(true); }

// ---- text view ----

bool ErrorFeedbackViewController::textViewShouldBeginEditing(ui::TextView& textView) {
  if (!isSelectText_) {
    isSelectText_ = true;
    textView.setText("");
    textView.setTextColor(ui::Color::black());
  }
  return true;
}

void ErrorFeedbackViewController::textViewDidEndEditing(ui::TextView& textView) {
  textView.setTextColor(ui::Color::black());
}

// ---- table ----

int ErrorFeedbackViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(rowViews_.size());
}

std::shared_ptr<ui::TableViewCell> ErrorFeedbackViewController::cellForRowAtIndexPath(
    ui::TableView&, ui::IndexPath indexPath) {
  // Fixed rows: each has its own cell, never reused.
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row < rowViews_.size()) cell->contentView().addSubview(rowViews_[row]);
  return cell;
}

double ErrorFeedbackViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  return row < rowViews_.size() ? rowViews_[row]->frame().height() : 0;
}

void ErrorFeedbackViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  hidekeyboard();
}
