#include "screens/review/ErrorRedoViewController.h"

#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "screens/review/ErrorRedoDetailViewController.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/ProgressHUD.h"

void ErrorRedoViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const double width = root->bounds().width();
  segmentedControl_ =
      std::make_shared<ui::SegmentedControl>(std::vector<std::string>{kBySubject, kByTime, kByNumber},
                                             ui::Rect{10, 8, width - 20, ui::SegmentedControl::kHeight});
  root->addSubview(segmentedControl_);
  const double top = 8 + ui::SegmentedControl::kHeight + 8;
  redoTableView_ = std::make_shared<ui::TableView>(ui::Rect{0, top, width, root->bounds().height() - top});
  redoTableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(redoTableView_);
  hideLabel_ = std::make_shared<ui::Label>(ui::Rect{20, top + 80, width - 40, 40}, kHint);
  hideLabel_->setTextAlignment(ui::TextAlignment::Center);
  hideLabel_->setTextColor(ui::Color::gray());
  hideLabel_->setHidden(true);
  root->addSubview(hideLabel_);
  setView(root);
}

void ErrorRedoViewController::viewDidLoad() {
  setTitle(kTitle);
  softName_ = ChosenSubject::current().product.value;
  redoCategory_ = kBySubject;
  redoTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  redoTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  redoTableView_->setRowHeight(60);
  const auto weak = ui::weakScreen(*this);
  segmentedControl_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->segSwitch();
  });
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
}

void ErrorRedoViewController::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  bySubjectListIsSuccess_ = byTimeListIsSuccess_ = byNumberListIsSuccess_ = false;
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
  showWaiting();
}

void ErrorRedoViewController::viewDidAppear(bool animated) {
  // The grouping last shown comes back once all three have answered.
  showWhenAnswered_ = BySubject;
  for (Grouping g : {BySubject, ByTime, ByNumber})
    if (redoCategory_ == groupingTitle(g)) showWhenAnswered_ = g;
  for (Grouping g : {BySubject, ByTime, ByNumber}) request(g);
}

void ErrorRedoViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

// ---- the groupings ----

std::shared_ptr<WrongRedo> ErrorRedoViewController::newClient() {
  wrongRedoBll_ = std::make_shared<WrongRedo>();
  wrongRedoBll_->delegate = weakAs<WrongRedoDelegate>();
  return wrongRedoBll_;
}

void ErrorRedoViewController::request(Grouping grouping) {
  // An earlier request of the grouping that has not answered yet no longer reports here.
  if (auto& earlier = requests_[grouping]) earlier->delegate.reset();
  auto client = newClient();
  requests_[grouping] = client;
  switch (grouping) {
    case BySubject:
      client->subjectInfoListInBackground(softName_);
      break;
    case ByTime:
      client->getListToTimeInBackground(softName_);
      break;
    case ByNumber:
      client->getListToErrorCountInBackground(softName_);
      break;
  }
}

void ErrorRedoViewController::answered(Grouping grouping) {
  requests_[grouping].reset();
  for (const auto& waiting : requests_)
    if (waiting) return;
  hideWaiting();
  const Grouping chosen = showWhenAnswered_;
  if (succeeded(chosen)) {
    showGrouping(chosen);
  } else {
    segmentedControl_->setSelectedSegmentIndex(chosen);
    showHint(chosen);
  }
}

bool ErrorRedoViewController::succeeded(Grouping grouping) const {
  switch (grouping) {
    case BySubject:
      return bySubjectListIsSuccess_;
    case ByTime:
      return byTimeListIsSuccess_;
    case ByNumber:
      return byNumberListIsSuccess_;
  }
  return false;
}

std::string ErrorRedoViewController::failureText(bool usable, const core::Value& json) {
  if (usable) return std::string();
  // An empty book (an empty or null list, or counts that add up to 0) is the hint; anything else says
  // what went wrong.
  const bool emptyBook = ReplyCheck::bodyIsEmpty(json) || ReplyCheck::bodyIsRecordList(json, kMaxRows);
  return emptyBook ? kHint : ReplyCheck::failureMessage(json);
}

void ErrorRedoViewController::didSubjectInfoList(bool ok, const core::Value& json) {
  const bool usable = ok && ReplyCheck::bodyIsRecordList(json, kMaxRows) && json["Body"].size() > 0;
  bySubjectListIsSuccess_ = usable;
  failureTexts_[BySubject] = failureText(usable, json);
  if (usable) bySubjectList_ = groupingRows(BySubject, json["Body"]);
  answered(BySubject);
}

void ErrorRedoViewController::didGetListToTime(bool ok, const core::Value& json) {
  const bool usable = ok && ReplyCheck::bodyIsRecordList(json, kMaxRows);
  byTimeListIsSuccess_ = usable;
  failureTexts_[ByTime] = failureText(usable, json);
  if (usable) byTimeList_ = groupingRows(ByTime, json["Body"]);
  answered(ByTime);
}

void ErrorRedoViewController::didGetListToErrorCount(bool ok, const core::Value& json) {
  const bool usable = ok && ReplyCheck::bodyIsRecordList(json, kMaxRows);
  byNumberListIsSuccess_ = usable;
  failureTexts_[ByNumber] = failureText(usable, json);
  if (usable) byNumberList_ = groupingRows(ByNumber, json["Body"]);
  answered(ByNumber);
}

void ErrorRedoViewController::showGrouping(Grouping grouping) {
  segmentedControl_->setSelectedSegmentIndex(grouping);
  const core::Value& rows = grouping == BySubject ? bySubjectList_
                            : grouping == ByTime  ? byTimeList_
                                                  : byNumberList_;
  redoArray_ = rows.deepCopy();
  redoCategory_ = groupingTitle(grouping);
  hideLabel_->setHidden(true);
  redoTableView_->setHidden(false);
  segmentedControl_->setHidden(false);
  redoTableView_->reloadData();
}

void ErrorRedoViewController::showHint(Grouping grouping) {
  // The control stays: it is the way to the groupings that did load.
  const std::string& text = failureTexts_[grouping];
  hideLabel_->setText(text.empty() ? kHint : text);
  hideLabel_->setHidden(false);
  redoTableView_->setHidden(true);
  segmentedControl_->setHidden(false);
}

void ErrorRedoViewController::segSwitch() {
  const int index = segmentedControl_->selectedSegmentIndex();
  if (index < BySubject || index > ByNumber) return;
  const auto grouping = static_cast<Grouping>(index);
  redoTableView_->setHidden(false);
  segmentedControl_->setHidden(false);
  showWhenAnswered_ = grouping;
  if (!succeeded(grouping)) {
    // Asked again; the rows or the hint come with the answer.
    showWaiting();
    if (!requests_[grouping]) request(grouping);
    return;
  }
  showGrouping(grouping);
}

// ---- overlays ----

void ErrorRedoViewController::showWaiting() {
  hideWaiting();
  hudView_ = std::make_shared<ProgressHUD>(view());
  view().addSubview(hudView_);
  view().bringSubviewToFront(*hudView_);
  hudView_->setLabelText(core::Bundle::main().localizedString("alertMessage"));
  hudView_->show(true);
}

void ErrorRedoViewController::hideWaiting() {
  if (hudView_) hudView_->removeFromSuperview();
  hudView_.reset();
}

void ErrorRedoViewController::toast(const std::string& text) {
  hideWaiting();
  hudView_ = ProgressHUD::showHUDAddedTo(view(), true);
  hudView_->setMode(ProgressHUD::Mode::Text);
  hudView_->setLabelText(text);
  hudView_->setMargin(10);
  hudView_->setYOffset(40);
  hudView_->setRemoveFromSuperViewOnHide(true);
  hudView_->hide(true, kToastDuration);
}

// ---- table ----

int ErrorRedoViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(redoArray_.size());
}

std::shared_ptr<ui::TableViewCell> ErrorRedoViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                  ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier("redoTableCell");
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, "redoTableCell");
  const core::Value row = redoArray_[indexPath.row];
  cell->textLabel()->setText(row["Title"].describe());
  cell->detailTextLabel()->setText("共" + row["TestsCount"].describe() + "题");
  return cell;
}

void ErrorRedoViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  const core::Value row = redoArray_[indexPath.row];
  if (row["TestsCount"].toInt() == 0) {
    toast(row["Title"].describe() + "错题数为0");
    return;
  }
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      ErrorRedoDetailViewController::kIdentifier);
  auto* detail = dynamic_cast<ErrorRedoDetailViewController*>(screen.get());
  ui::NavigationController* nav = navigationController();
  if (!detail || !nav) return;
  detail->setRedoCategory(redoCategory_);
  detail->setSoftEName(softName_);
  detail->setSubject1(row["Title"].describe());
  detail->setSbjid(row["ID"].describe());
  detail->setTestsCount(row["TestsCount"].toInt());
  nav->pushViewController(screen, true);
}
