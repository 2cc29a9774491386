#include "screens/practice/SimulateExamsViewController.h"

#include "app/AppShell.h"
#include "app/BankDownload.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "screens/common/MainInterfaceScreen.h"
#include "screens/practice/ChaptListViewController.h"
#include "screens/practice/PracticeLaunch.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

using Self = SimulateExamsViewController;

constexpr const char* kChapterBackTitle = "章节练习";

}  // namespace

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::rgb255(238, 238, 238));
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  struct Made {
    std::shared_ptr<ui::Button>& button;
    const char* title;
    ui::Color colour;
  };
  const Made buttons[] = {
      {btnExamSetting_, "模拟考试", ui::Color::rgb255(52, 120, 200)},
      {btnChapter_, "章节测试", ui::Color::rgb255(230, 126, 34)},
      {btnChapterPratice_, "章节练习", ui::Color::rgb255(39, 160, 90)},
      {btnFastLearning_, "快速学习", ui::Color::rgb255(142, 68, 173)},
  };
  double y = 30;
  for (const Made& m : buttons) {
    m.button = std::make_shared<ui::Button>(ui::Rect{30, y, 260, 70});
    m.button->setTitle(m.title);
    m.button->setTitleColor(ui::Color::white());
    m.button->setBackgroundColor(m.colour);
    m.button->setAutoresizingMask(ui::kAutoresizingFlexibleLeftMargin | ui::kAutoresizingFlexibleRightMargin);
    root->addSubview(m.button);
    y += 90;
  }
  btnExamSetting_->addTarget(ui::ControlEvent::TouchUpInside,
                             ui::whileAlive(*this, [](Self& s) { s.toExamSetting1(); }));
  btnChapter_->addTarget(ui::ControlEvent::TouchUpInside,
                         ui::whileAlive(*this, [](Self& s) { s.toChapter(); }));
  btnChapterPratice_->addTarget(ui::ControlEvent::TouchUpInside,
                                ui::whileAlive(*this, [](Self& s) { s.toChapterPratice(); }));
  btnFastLearning_->addTarget(ui::ControlEvent::TouchUpInside,
                              ui::whileAlive(*this, [](Self& s) { s.toFastLearning(); }));
  setView(root);
}

void Self::viewDidLoad() {
  setTitle(kTitle);
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
}

void Self::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
  // The resume offer follows the latest record.
  if (MainInterfaceScreen* home = homeScreen()) home->getLastLearningRecordByUser();
}

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

MainInterfaceScreen* Self::homeScreen() const {
  AppShell* app = AppShell::current();
  return app ? dynamic_cast<MainInterfaceScreen*>(app->mainInterfaceVC().get()) : nullptr;
}

// ---- entries ----

void Self::toExamSetting1() { enter({2, 1, "examSetting1", VDAppStatistics::kSimulationExam}); }

void Self::toChapter() {
  if (VDHelper::isHavefileName()) {
    btnChapter_->setSelected(true);
    btnChapterPratice_->setSelected(false);
  }
  enter({9, 0, ChaptListViewController::kIdentifier, VDAppStatistics::kChapterExam});
}

void Self::toChapterPratice() {
  if (VDHelper::isHavefileName()) {
    btnChapterPratice_->setSelected(true);
    btnChapter_->setSelected(false);
  }
  enter({1, 0, ChaptListViewController::kIdentifier, nullptr});
}

void Self::toFastLearning() { enter({10, 0, "fastLearnList", nullptr}); }

void Self::enter(const Entry& entry) {
  if (!VDHelper::isHavefileName()) {
    downLibrary();
    return;
  }
  if (AppShell* app = AppShell::current()) app->setCurrentModule(entry.module);
  isChapterOnExam_ = entry.isChapterOnExam;
  MainInterfaceScreen* home = homeScreen();
  if (home && home->isHaveRecord(entry.module)) {
    alertViewBlock(entry.identifier);
    return;
  }
  if (entry.event) VDAppStatistics::logEvent(entry.event);
  pushEntryScreen(entry.identifier);
}

void Self::pushEntryScreen(const std::string& identifier) {
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
  ui::NavigationController* nav = navigationController();
  if (!made || !nav) return;
  if (auto* list = dynamic_cast<ChaptListViewController*>(made.get())) {
    const bool test = btnChapter_->isSelected();
    list->setBackButtonTitle(kChapterBackTitle);
    list->setTestMode(test ? 1 : 0);
    list->setNavigationItemTitle(test ? "章节测试" : "章节练习");
  }
  nav->pushViewController(made, true);
}

void Self::alertViewBlock(const std::string& identifier) {
  const auto weak = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      PracticeLaunch::localized("alertTitle"), kResumeMessage,
      [weak, identifier](bool cancelled, int) {
        auto self = weak.lock();
        if (!self) return;
        if (cancelled) {
          self->pushEntryScreen(identifier);
        } else if (MainInterfaceScreen* home = self->homeScreen()) {
          home->processingData([weak](RestoredRun run) {
            if (auto hub = weak.lock()) hub->pushToExamingVC(run);
          });
        }
      },
      "否", std::vector<std::string>{"是"});
  alert->show();
}

void Self::pushToExamingVC(const RestoredRun& run) {
  // The run's questions may have left the bank since the offer was made.
  if (!PracticeLaunch::resume(*this, run, {}))
    VDHelper::createAlert(PracticeLaunch::localized("alertTitle"), PracticeLaunch::localized("nodataMessage"),
                          "OK");
}

void Self::downLibrary() {
  AppShell* app = AppShell::current();
  if (!app) return;
  BankDownload::start({.isFirstOpenMain = app->isFirstOpenMain()});
}
