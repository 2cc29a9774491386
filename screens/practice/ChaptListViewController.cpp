#include "screens/practice/ChaptListViewController.h"

#include "app/AppShell.h"
#include "app/ChosenSubject.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/sets/ChapterResultFile.h"
#include "model/AnsweringMode.h"
#include "model/FunctionModule.h"
#include "platform/core/Paths.h"
#include "screens/common/ScreenLayout.h"
#include "screens/practice/PracticeLaunch.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "util/MD5Digest.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

using Self = ChaptListViewController;

bool hasChildren(const core::Value& node) { return node["Childs"].isArray() && node["Childs"].size() > 0; }

}  // namespace

void Self::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame());
  tableView_ = table;
  tableView_->setRowHeight(60);
  setView(root);
}

void Self::viewDidLoad() {
  setTitle(navigationItemTitle_);
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle(
      backButtonTitle_.empty() ? "返回" : backButtonTitle_, ui::BarButtonItem::Style::Plain, {}));
  if (arForCopy_.isArray() && arForCopy_.size() > 0) arForTable_ = arForCopy_;
  if (isRequest_) return;
  chapterBll_ = std::make_shared<Chapter>();
  chapterBll_->delegate = weakAs<ChapterDelegate>();
  chapterBll_->getLocalNavigation();
}

void Self::didGetNavigation(bool ok, const core::Value& json) {
  if (!ok) return;
  arrayOriginal_ = json["Body"];
  arForTable_ = arrayOriginal_.deepCopy();
  tableView_->reloadData();
}

void Self::viewWillAppear(bool animated) {
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
  getRecordByUser();
  tableView_->reloadData();
}

void Self::viewDidAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- results ----

void Self::getRecordByUser() {
  const std::string path = ChapterResultFile::pathFor(VDHelper::recordSavePath(), testMode_ == 0);
  if (!core::Paths::isRegularFile(path)) return;
  const core::Value read = ChapterResultFile(path).read();
  if (read.isArray()) recordList_ = read;
}

bool Self::isDiscolor(const core::Value& entry, const core::Value& node) const {
  const core::Value session = PracticeLaunch::session();
  const std::optional<SessionUser> loggedIn = Session::currentUser();
  if (!loggedIn) return false;
  const auto user = stringFromMD5(loggedIn->userName);
  if (!user) return false;
  return entry["UserName"].describe() == *user && entry["ID"].describe() == node["ID"].describe() &&
         entry["EName"].describe() == session["appInfo"]["EName"].describe();
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) {
  return arForTable_.isArray() ? static_cast<int>(arForTable_.size()) : 0;
}

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCellIdentifier);
  const core::Value node = arForTable_[indexPath.row];
  const std::string total = "共" + node["Total"].describe() + "题";
  cell->textLabel()->setText(node["Name"].describe());
  cell->textLabel()->setTextColor(ui::Color::black());
  cell->detailTextLabel()->setText(total);
  cell->setAccessoryType(hasChildren(node) ? ui::TableViewCellAccessoryType::DisclosureIndicator
                                           : ui::TableViewCellAccessoryType::None);
  if (!hasChildren(node)) {
    for (const core::Value& entry : recordList_.array()) {
      if (!isDiscolor(entry, node)) continue;
      cell->textLabel()->setTextColor(ui::Color::orange());
      cell->detailTextLabel()->setText(total + "(答对：" + entry["daduiResult"].describe() + "题，正确率：" +
                                       entry["percent"].describe() + ")");
    }
  }
  return cell;
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  const core::Value node = arForTable_[indexPath.row];
  if (!node.isDictionary()) return;
  if (!hasChildren(node)) {
    toExamming(node);
    return;
  }
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(kIdentifier);
  auto* level = dynamic_cast<Self*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!level || !nav) return;
  level->setNavigationItemTitle(node["Name"].describe());
  level->setBackButtonTitle(backButtonTitle_);
  level->setArForCopy(node["Childs"]);
  level->setIsRequest(true);
  level->setTestMode(testMode_);
  nav->pushViewController(made, true);
}

// ---- into the answering screen ----

void Self::toExamming(const core::Value& node) {
  chapterBuilder_ = std::make_shared<ChapterTestBuilder>();
  chapterBuilder_->setSoftname(ChosenSubject::current().product.value);
  chapterBuilder_->setChapterid(node["ID"].describe());
  const auto weak = ui::weakScreen(*this);
  chapterBuilder_->generateTests(
      [weak, node](bool, const core::Value& reply, const std::optional<QuestionsArray>& questions) {
        auto self = weak.lock();
        if (!self) return;
        self->testsJSON_ = reply;
        AppShell* app = AppShell::current();
        if (app && !app->isReachable()) {
          app->networkAlert(PracticeLaunch::localized("alertNetwork"));
        } else if (questions && !questions->empty()) {
          self->testArray_ = *questions;
          self->chapterName_ = node["Name"].describe();
          self->chapterID_ = node["ID"].describe();
          self->pushVC();
        } else {
          VDHelper::createAlert(kEmptySetTitle, PracticeLaunch::failureText(reply, "nodataMessage", "nodataMessage"),
                                "确定");
        }
      });
}

void Self::pushVC() {
  const bool chapterTest = testMode_ == 1;
  PracticeLaunch::open(*this, testArray_, nullptr, [this, chapterTest](AnsweringScreen& screen) {
    screen.setOriginalMode(static_cast<AnsweringMode>(testMode_));
    screen.setChapterName(chapterName_);
    screen.setChapterID(chapterID_);
    screen.setTestsJSON(testsJSON_);
    screen.setIsAllow(true);
    // The result file of a chapter practice is the chapter tests' one (and the reverse): kept as the
    // stored files have it.
    screen.setIsChapterTest(!chapterTest);
    screen.setFunctionState(chapterTest ? FunctionModule::ChapterTest : FunctionModule::ChapterPractice);
  });
}

void Self::pushToExamingVC(const RestoredRun& run) {
  PracticeLaunch::resume(*this, run, [](AnsweringScreen& screen) {
    screen.setRedoMode(AnsweringMode::Exam);
    screen.setIsAllow(true);
  });
}

bool Self::isLoginCheck() {
  if (PracticeLaunch::isLoggedIn()) return true;
  const auto weak = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      PracticeLaunch::localized("alertTitle"), kLoginMessage,
      [weak](bool cancelled, int) {
        auto self = weak.lock();
        if (!self || cancelled) return;
        auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
        if (ui::NavigationController* nav = self->navigationController(); login && nav)
          nav->pushViewController(login, true);
      },
      "取消", std::vector<std::string>{"登录"});
  alert->show();
  return false;
}
