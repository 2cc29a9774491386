#include "screens/notes/FeedbackRecordViewController.h"

#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "platform/core/Bundle.h"
#include "service/ApiClientSupport.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

}  // namespace

void FeedbackRecordViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_->setBackgroundColor(ui::Color::white());
  setView(tableView_);
}

void FeedbackRecordViewController::viewDidLoad() {
  setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  errfeedbackArr_ = core::Value::newArray();
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  getSuggestion();
}

void FeedbackRecordViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void FeedbackRecordViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void FeedbackRecordViewController::getSuggestion() {
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  centerBll_->getSuggestion();
}

namespace {

// A list of records, each an array (id, label, content, where from), within the clients' list limit.
bool isRecordTupleList(const core::Value& reply) {
  if (!reply.isDictionary()) return false;
  const core::Value body = reply["Body"];
  if (!body.isArray() || body.size() > apiclient::kMaxListEntries) return false;
  for (const core::Value& record : body.array())
    if (!record.isArray()) return false;
  return true;
}

}  // namespace

void FeedbackRecordViewController::didGetSuggestion(bool ok, const core::Value& json) {
  ok = ok && isRecordTupleList(json);
  // Nothing listed is the empty picture; a reply that came wrong also says so.
  if (!ok && !ReplyCheck::bodyIsEmpty(json)) showAlert(ReplyCheck::failureMessage(json));
  if (ok) {
    errfeedbackArr_ = json["Body"];
    if (emptyImage_) {
      emptyImage_->removeFromSuperview();
      emptyImage_.reset();
    }
  } else {
    // Nothing to list: no rows stay under the image.
    errfeedbackArr_ = core::Value::newArray();
    if (!emptyImage_) {
      emptyImage_ = std::make_shared<ui::ImageView>(view().bounds());
      emptyImage_->setImage(ui::Image::create(kEmptyImage, view().bounds().size));
      view().addSubview(emptyImage_);
    }
  }
  tableView_->reloadData();
  if (emptyImage_) view().bringSubviewToFront(*emptyImage_);
}

std::string FeedbackRecordViewController::shownContent(const std::string& content) {
  const std::size_t first = content.find('N');
  if (first == std::string::npos) return content;
  const std::size_t second = content.find('N', first + 1);
  if (second == std::string::npos) return content;
  return content.substr(second + 1);
}

// ---- deleting ----

void FeedbackRecordViewController::removeSuggestion(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= errfeedbackArr_.size()) return;
  const std::string subject = ChosenSubject::current().product.value;
  const std::string id = errfeedbackArr_[row][0].toString();
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), kDeleteQuestion,
      ui::whileAlive(*this,
                     [subject, id](FeedbackRecordViewController& self, bool cancelled, int) {
                       if (cancelled) return;
                       self.centerBll_ = std::make_shared<Center>();
                       self.centerBll_->delegate = self.weakAs<CenterDelegate>();
                       self.centerBll_->removeSuggestion(subject, id);
                     }),
      std::string("取消"), std::vector<std::string>{"确定"});
  alert->show();
}

void FeedbackRecordViewController::didRemoveSuggestion(bool ok, const core::Value& json) {
  if (json.isNil()) {
    showAlert(localized("requestFaile"));
    return;
  }
  if (ok && json["Body"].isInteger() && json["Body"].integer() == 1) {
    showAlert(kDeletedMessage);
    getSuggestion();
    return;
  }
  // The server kept the record: say so, and keep the list.
  showAlert(kDeleteFailedMessage);
}

void FeedbackRecordViewController::showAlert(const std::string& message) const {
  std::make_shared<ui::AlertView>(localized("alertTitle"), message, std::weak_ptr<ui::AlertViewDelegate>(),
                                  std::string("OK"))
      ->show();
}

// ---- table ----

int FeedbackRecordViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(errfeedbackArr_.size());
}

std::shared_ptr<ui::TableViewCell> FeedbackRecordViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCellIdentifier);
  const core::Value record = errfeedbackArr_[indexPath.row];
  cell->textLabel()->setText(std::to_string(indexPath.row + 1) + "." + record[1].toString() +
                             shownContent(record[2].toString()));
  cell->textLabel()->setFont(ui::Font::system(15));
  cell->detailTextLabel()->setText("出自" + record[3].toString());
  auto remove = std::make_shared<ui::Button>(ui::Rect(270, 0, 40, 40));
  remove->setBackgroundImage(ui::Image::create(kDeleteImage, {40, 40}));
  remove->setBackgroundColor(ui::Color::clear());
  remove->setTag(indexPath.row);
  remove->addTarget(ui::ControlEvent::TouchUpInside,
                    ui::whileAlive(*this, [](FeedbackRecordViewController& self, ui::Control& sender) {
                      self.removeSuggestion(sender.tag());
                    }));
  cell->setAccessoryView(remove);
  return cell;
}

void FeedbackRecordViewController::didSelectRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
}
