#include "screens/home/MainInterfaceViewController1.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "app/AppPaths.h"
#include "app/AppServices.h"
#include "app/AppShell.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "bank/QuestionBank.h"
#include "exam/sets/AnsweringScreen.h"
#include "exam/sets/LastLearningRecordFile.h"
#include "exam/sets/TestBuilder.h"
#include "librarys/json/JsonParser.h"
#include "model/TestPager.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/TaskAndReply.h"
#include "platform/security/Keychain.h"
#include "screens/common/AutoLoginScreen.h"
#include "screens/common/EvenMoreMenuRefresh.h"
#include "screens/common/MainNoteScreen.h"
#include "ui/Application.h"
#include "ui/BarButtonItem.h"
#include "ui/Image.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"
#include "util/KeychainItemStore.h"
#include "util/MD5Digest.h"
#include "widgets/ProgressHUD.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

AppShell* appShell() { return AppShell::current(); }

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

bool isLoggedIn() { return Session::currentUser().has_value(); }

// One row of the function grid.
struct FunctionRow {
  int tag;
  const char* up;
  const char* down;
};

constexpr FunctionRow kGrid[] = {
    {1, "canon_section_exercise_up", "canon_section_exercise_down"},
    {2, "canon_simulate_exam_up", "canon_simulate_exam_down"},
    {3, "canon_examgride_up", "canon_examgride_down"},
    {4, "canon_random_exercise_up", "canon_random_exercise_down"},
    {5, "canon_fast_learning_up", "canon_fast_learning_down"},
    {6, "canon_myfav_up", "canon_myfav_down"},
    {7, "canon_errorredo_up", "canon_errorredo_down"},
    {8, "canon_learning_records_up", "canon_learning_records_down"},
    {9, "canon_test_chart_up", "canon_test_chart_down"},
    {10, "canon_findtest_up", "canon_findtest_down"},
    {11, "canon_analy_up", "canon_analy_down"},
    {13, "canon_note_up", "canon_note_down"},
    {12, "canon_examinfo_up", "canon_examinfo_down"},  // the exam-information button
};

// What a function button does, by its tag.
enum class Open { Push, Random, Notes };
struct Function {
  int tag;
  int module;  // stored in currentModule; 0: not stored
  const char* event;
  const char* eventLabel;  // logged with the label, after the login gate
  bool login;
  bool resume;
  Open open;
  const char* identifier;
  const char* title;
};

constexpr Function kFunctions[] = {
    {1, 0, "ChapterCategory", nullptr, true, false, Open::Push, "simulateExam", nullptr},
    {2, 2, "SimulationExam", nullptr, true, true, Open::Push, "examSetting1", nullptr},
    {3, 0, "ExamGuide", nullptr, false, false, Open::Push, "examGuideList", nullptr},
    {4, 0, "RandomExam", nullptr, true, false, Open::Random, nullptr, nullptr},
    {5, 10, "ChapterQuickExercises", nullptr, true, true, Open::Push, "fastLearnList", nullptr},
    {6, 4, "MyFavorites", nullptr, true, true, Open::Push, "myFavorites", nullptr},
    {7, 7, "WrongRedo", nullptr, true, true, Open::Push, "errorRedoList", nullptr},
    {8, 0, "LearnRecord", nullptr, true, false, Open::Push, "learningRecord", "学习记录"},
    {9, 0, "TestRanking", nullptr, true, false, Open::Push, "testsRank", nullptr},
    {10, 0, VDAppStatistics::kFindTestEvent, VDAppStatistics::kFindTestLabel, true, false, Open::Push,
     "findTest", nullptr},
    {11, 0, "StatisticalAnalysis", nullptr, true, false, Open::Push, "statistics", nullptr},
    {13, 0, "MyNote", nullptr, true, false, Open::Notes, nullptr, nullptr},
};

const Function* functionFor(int tag) {
  for (const Function& f : kFunctions)
    if (f.tag == tag) return &f;
  return nullptr;
}

// The one-unpack-at-a-time guard of the first-install unpack, and what tests watch of it.
// The one unpack of the process: busy from its start on the main thread until its end is back there.
struct UnpackState {
  std::atomic<bool> busy{false};
  std::atomic<int> finished{0};
};

// Lives for the whole process, so the end of an unpack always reaches the main thread, whether or not
// the screen that started it is still there.
const std::shared_ptr<UnpackState>& unpackStateHolder() {
  static const auto state = std::make_shared<UnpackState>();
  return state;
}

UnpackState& unpackState() { return *unpackStateHolder(); }

// The record of a last-learning-record element: "LearningRecordArr" is one record (a dictionary); an
// array holding records is read as its first record.
core::Value learningRecord(const core::Value& element) {
  core::Value record = element["LearningRecordArr"];
  if (record.isArray()) record = record[0];
  return record.isDictionary() ? record : core::Value();
}

}  // namespace

void MainInterfaceViewController1::registerScreen() {
  VDViewControllerFactory::registerScreen(
      kIdentifier, [](const std::string&) { return std::make_shared<MainInterfaceViewController1>(); });
}

ui::Button* MainInterfaceViewController1::functionButton(int tag) const {
  return tag >= 1 && tag <= 13 ? buttons_[tag].get() : nullptr;
}

// ---- view ----

void MainInterfaceViewController1::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  theScroller_ = std::make_shared<ui::ScrollView>(root->bounds());
  theScroller_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(theScroller_);

  auto weak = ui::weakScreen(*this);
  loginButton_ = std::make_shared<ui::Button>(ui::Rect(170, 6, 70, 30));
  loginButton_->setTag(kLoginButtonTag);
  loginButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control& sender) {
    if (auto self = weak.lock()) self->loginClick(static_cast<ui::Button&>(sender));
  });
  registButton_ = std::make_shared<ui::Button>(ui::Rect(245, 6, 70, 30));
  registButton_->setTag(kRegistButtonTag);
  registButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control& sender) {
    if (auto self = weak.lock()) self->registClick(static_cast<ui::Button&>(sender));
  });
  // Blue titles on the white screen (a custom button's default title colour is white).
  for (auto* header : {loginButton_.get(), registButton_.get()}) {
    header->setTitleColor(ui::Color::rgb255(30, 90, 170), ui::kControlStateNormal);
    header->setTitleColor(ui::Color::rgb255(120, 160, 210), ui::kControlStateHighlighted);
    header->titleLabel().setFont(ui::Font::system(15));
  }
  theScroller_->addSubview(loginButton_);
  theScroller_->addSubview(registButton_);

  // Three columns; rows of 82 points below the header.
  int index = 0;
  for (const FunctionRow& row : kGrid) {
    const double x = 10 + (index % 3) * 102;
    const double y = 44 + (index / 3) * 82;
    auto button = std::make_shared<ui::Button>(ui::Rect(x, y, 96, 76));
    button->setTag(row.tag);
    button->addTarget(ui::ControlEvent::TouchUpInside, [weak, tag = row.tag](ui::Control& sender) {
      auto self = weak.lock();
      if (!self) return;
      if (tag == kExamInfoTag)
        self->ExamInfoClick();
      else
        self->Verify(sender);
    });
    buttons_[row.tag] = button;
    theScroller_->addSubview(button);
    ++index;
  }
  setView(root);
}

void MainInterfaceViewController1::updateHeaderButtons() {
  if (!loginButton_) return;
  if (const std::optional<SessionUser> user = Session::currentUser()) {
    std::string name = user->nickName;
    if (name.empty()) name = user->userName;
    loginButton_->setTitle(name.empty() ? std::string("已登录") : name);
    registButton_->setTitle("注销");
  } else {
    loginButton_->setTitle("登录");
    registButton_->setTitle("注册");
  }
}

void MainInterfaceViewController1::viewDidLoad() {
  AppShell* app = appShell();
  // 1. The home title goes on this screen's navigation item.
  if (app) app->setMainNavigationItem(sharedNavigationItem());
  navigationItem().setRightBarButtonItem(ui::BarButtonItem::withTitle(
      "退出", ui::BarButtonItem::Style::Bordered, [weak = ui::weakScreen(*this)](auto&) {
        if (auto self = weak.lock()) self->exitApp();
      }));
  // 2. The application information and the title.
  if (!session()["appInfo"]["Name"].toString().empty())
    VDNetworkHelper::setMinNavigationTitle();
  else
    VDNetworkHelper::getAppInfo(VDHelper::getSubjectEName());
  // 3. The grid.
  theScroller_->setContentSize({kContentWidth, kContentHeight});
  for (const FunctionRow& row : kGrid) {
    ui::Button& b = *buttons_[row.tag];
    b.setBackgroundImage(ui::Image::create(row.up)->resizable({}), ui::kControlStateNormal);
    b.setBackgroundImage(ui::Image::create(row.down)->resizable({}), ui::kControlStateHighlighted);
  }
  updateHeaderButtons();
  if (!app) return;
  // 4. The notices, once per launch.
  if (app->isFirstOpenMain()) {
    getAnnouncement();
    app->setIsFirstOpenMain(false);
  }
  // 5. The first-login prompt.
  const std::optional<SessionUser> user = Session::currentUser();
  if (user && user->loginCount == 1 && app->isfirstLogin()) {
    app->setIsfirstLogin(false);
    firstLogin();
  }
  // 6. Automatic login.
  if (!isLoggedIn()) autoLogin();
  // 7. The first-start prompt image.
  showPromptImage();
}

void MainInterfaceViewController1::autoLogin() {
  if (session()["isUserLogout"].toBool()) return;
  if (!core::UserDefaults::standard().boolForKey("isAutoLogon") || isUnLogon_) return;
  KeychainItemStore keychain(kKeychainIdentifier);
  const std::string account = keychain.objectForKey(sec::kSecAttrAccount);
  const std::string password = keychain.objectForKey(sec::kSecValueData);
  if (account.empty() || password.empty()) return;

  std::shared_ptr<ui::ViewController> login =
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  auto* screen = dynamic_cast<AutoLoginScreen*>(login.get());
  if (!screen) return;  // no login screen in this build
  autologinVC_ = login;
  screen->setDelegate(weakAs<LoginDelegate>());
  screen->setUsernameFieldContent(account);
  screen->setPwdFieldContent(password);
  screen->setUsernameFieldText(account);
  screen->setPwdFieldText(password);
  screen->loginAction();
}

void MainInterfaceViewController1::didLoginSuccess() {
  updateHeaderButtons();
  if (isLoggedIn()) getLastLearningRecordByUser();
}

void MainInterfaceViewController1::showPromptImage() {
  auto& defaults = core::UserDefaults::standard();
  if (!defaults.boolForKey("isFirstMain")) {
    defaults.setBool("isFirstMain", false);
    return;
  }
  ui::Application* application = ui::Application::current();
  if (!application) return;
  ui::Window& window = application->keyWindow();
  promptButton_ = std::make_shared<ui::Button>(window.bounds());
  promptButton_->setBackgroundImage(ui::Image::create("prompt1"), ui::kControlStateNormal);
  promptButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak = ui::weakScreen(*this)](ui::Control&) {
    if (auto self = weak.lock()) self->hidePromptImage();
  });
  window.addFrontView(promptButton_);
}

void MainInterfaceViewController1::hidePromptImage() {
  if (promptButton_) promptButton_->removeFromSuperview();
  promptButton_.reset();
}

void MainInterfaceViewController1::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  updateHeaderButtons();
}

void MainInterfaceViewController1::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void MainInterfaceViewController1::viewDidAppear(bool animated) {
  if (AppShell* app = appShell()) app->setMainNavigationItem(sharedNavigationItem());
  if (isLoggedIn()) getLastLearningRecordByUser();
  examineExam();
}

// ---- actions ----

void MainInterfaceViewController1::pushScreen(const std::string& identifier, const std::string& title) {
  auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
  ui::NavigationController* nav = navigationController();
  if (!vc || !nav) return;
  if (!title.empty()) vc->setTitle(title);
  nav->pushViewController(vc, true);
}

void MainInterfaceViewController1::Verify(const ui::View& sender) {
  const Function* f = functionFor(sender.tag());
  // The bank first: a missing bank starts its download instead of the function.
  const bool haveBank = VDHelper::isHavefileName();
  downLibrary(haveBank);
  if (!haveBank || !f) return;

  AppShell* app = appShell();
  if (f->module != 0 && app) app->setCurrentModule(f->module);
  if (!f->eventLabel) VDAppStatistics::logEvent(f->event);
  if (f->login && !checkLoginGate(f->tag)) return;
  if (f->eventLabel) VDAppStatistics::logEvent(f->event, f->eventLabel);

  if (f->resume && isHaveRecord(f->module)) {
    alertViewBlock(f->identifier, false);
    return;
  }
  switch (f->open) {
    case Open::Push:
      pushScreen(f->identifier, f->title ? f->title : "");
      break;
    case Open::Random:
      randomBll_ = std::make_shared<RandomTest>();
      randomBll_->delegate = weakAs<RandomTestDelegate>();
      randomBll_->getRandomTest(VDHelper::getSubjectEName(), "20");
      break;
    case Open::Notes:
      myNoteBll_ = std::make_shared<MyNote>(&Session::copiedEntry);
      myNoteBll_->delegate = weakAs<MyNoteDelegate>();
      myNoteBll_->GetMyNotes(1);
      break;
  }
}

void MainInterfaceViewController1::ExamInfoClick() {
  VDAppStatistics::logEvent(VDAppStatistics::kExamWebSite);
  pushScreen("examinfo", "考试资讯");
}

void MainInterfaceViewController1::loginClick(const ui::Button& sender) {
  if (sender.currentTitle() == "登录") pushScreen("login");
}

void MainInterfaceViewController1::registClick(const ui::Button& sender) {
  const std::string title = sender.currentTitle();
  if (title == "注册")
    pushScreen("register");
  else if (title == "注销")
    confirmLogout();
}

void MainInterfaceViewController1::confirmLogout() {
  auto alert = std::make_shared<UIAlertViewBlock>(
      "", kLogoutMessage,
      [weak = ui::weakScreen(*this)](bool cancelled, int) {
        auto self = weak.lock();
        if (!self || cancelled) return;
        if (AppShell* app = appShell()) app->stopAutoLoginTimer();
        self->showToast("已注销");
        self->Canceled();
      },
      "取消", std::vector<std::string>{"确定"});
  alert->show();
}

void MainInterfaceViewController1::Canceled() {
  AppShell* app = appShell();
  if (!app) return;
  app->logOut();
  lastLearningRecordDic_ = core::Value();
  updateHeaderButtons();
}

void MainInterfaceViewController1::exitApp() {
  auto alert = std::make_shared<UIAlertViewBlock>(
      "退出Vardo", "您确定要退出吗？",
      [](bool cancelled, int) {
        if (cancelled) return;
        if (AppShell* app = appShell()) app->exitSoft();
      },
      "取消", std::vector<std::string>{"确定"});
  alert->show();
}

// ---- operations ----

void MainInterfaceViewController1::showAlertTitle(const std::string&, const std::string& message) {
  auto alert = std::make_shared<ui::AlertView>(localized("alertTitle"), message,
                                               std::weak_ptr<ui::AlertViewDelegate>(), std::string("OK"));
  alert->show();
}

void MainInterfaceViewController1::showToast(const std::string& text) {
  hudView_ = ProgressHUD::showHUDAddedTo(view(), true);
  hudView_->setMode(ProgressHUD::Mode::Text);
  hudView_->setLabelText(text);
  hudView_->setMargin(kToastMargin);
  hudView_->setYOffset(kToastYOffset);
  hudView_->setRemoveFromSuperViewOnHide(true);
  hudView_->hide(true, kToastDuration);
}

bool MainInterfaceViewController1::checkLoginGate(int) {
  if (isLoggedIn()) return true;
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), kLoginGateMessage,
      [weak = ui::weakScreen(*this)](bool cancelled, int) {
        auto self = weak.lock();
        if (!self || cancelled) return;
        auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
        if (login) self->configModalviewController(login);
      },
      "取消", std::vector<std::string>{"登录"});
  alert->show();
  return false;
}

void MainInterfaceViewController1::configModalviewController(std::shared_ptr<ui::ViewController> vc) {
  auto nav = std::make_shared<ui::NavigationController>(vc);
  vc->navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle(
      "返回", ui::BarButtonItem::Style::Bordered, [weak = ui::weakScreen(*this)](auto&) {
        if (auto self = weak.lock()) self->closeCurrentModalViewController();
      }));
  currentModalViewController_ = nav;
  presentViewController(nav, true);
}

void MainInterfaceViewController1::closeCurrentModalViewController() {
  if (!currentModalViewController_) return;
  currentModalViewController_->dismissViewController(true);
  currentModalViewController_.reset();
}

void MainInterfaceViewController1::firstLogin() {
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), localized("firstLoginMessage"),
      [weak = ui::weakScreen(*this)](bool cancelled, int) {
        auto self = weak.lock();
        if (self && !cancelled) self->pushScreen("personalData");
      },
      "取消", std::vector<std::string>{"确定"});
  alert->show();
}

void MainInterfaceViewController1::getAnnouncement() {
  const std::string version =
      core::Bundle::main().objectForInfoDictionaryKey("CFBundleVersion").toString().substr(0, 3);
  auto system = std::make_shared<System>();
  system->delegate = weakAs<SystemDelegate>();
  system->getServiceAnnouncement(version, VDHelper::getSubjectEName());
}

void MainInterfaceViewController1::didServiceAnnouncement(bool ok, const core::Value& json) {
  // Notices come unasked: a reply that is not a list of notices (each a list whose element 1 is the
  // notice's text) shows nothing and says nothing.
  const core::Value body = json["Body"];
  if (!ok || !body.isArray() || body.size() == 0 || body.size() > System::kMaxAnnouncements) return;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (!body[i].isArray() || body[i].size() < 2 || !body[i][1].isString()) return;
  }
  AppShell* app = appShell();
  Session* session = Session::current();
  if (!app || !session) return;
  session->setEntry("Inform", body);
  informVC_ = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("inform");
  if (informVC_ && app->window()) app->window()->addOverlay(informVC_);
}

void MainInterfaceViewController1::getAppInfo(const std::string& bankShortName) {
  AppShell* app = appShell();
  if (app && app->isReachable()) {
    userBll_ = std::make_shared<User>();
    userBll_->delegate = weakAs<UserDelegate>();
    userBll_->appInfo(bankShortName);
  } else if (app) {
    app->networkAlert(localized("alertNetwork"));
  }
}

void MainInterfaceViewController1::didAppInfo(bool ok, const core::Value& json) {
  if (ok && ReplyCheck::bodyIsRecord(json)) {
    session().set("appInfo", json["Body"]);
    VDNetworkHelper::setMinNavigationTitle();
    return;
  }
  showAlertTitle("", ReplyCheck::failureMessage(json));
}

void MainInterfaceViewController1::didCheckAppVersion(bool ok, const core::Value& json) {
  if (!ok) return;
  auto digits = [](std::string text) {
    std::erase(text, '.');
    return std::strtoll(text.c_str(), nullptr, 10);
  };
  const long long remote = digits(json["results"][0]["version"].toString());
  const long long local = digits(core::Bundle::main().shortVersion());
  if (Session* session = Session::current()) {
    core::Value down = session->downSession();
    if (down.isDictionary()) down.set("isHaveAppUpdate", local < remote);
  }
}

void MainInterfaceViewController1::didGetRandomTest(bool ok, const core::Value& json) {
  if (!ok) {
    if (json["LoginState"].toInt() == 2) return;  // the forced logout has its own alert
    showAlertTitle("", localized(json.isNilOrNull() ? "requestFaile" : "nodataMessage"));
    return;
  }
  // The set reads the bank: built on a worker, opened when it is back (and only while this screen is).
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = json["Body"].deepCopy()] { return TestBuilder::changeJSonToTestArrayByDB(body); },
      [](MainInterfaceViewController1& self, std::optional<QuestionsArray> tests) {
        self.openRandomPractice(tests);
      });
}

void MainInterfaceViewController1::openRandomPractice(const std::optional<QuestionsArray>& tests) {
  if (!tests || tests->empty()) {
    showAlertTitle("", localized("nodataMessage"));
    return;
  }
  auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  auto* screen = dynamic_cast<AnsweringScreen*>(vc.get());
  ui::NavigationController* nav = navigationController();
  if (!screen || !nav) return;
  screen->setTestPager(std::make_shared<TestPager>(*tests));
  screen->setOriginalMode(static_cast<AnsweringMode>(testMode_));
  screen->setUnSaveRecord(true);
  screen->setIsAllow(false);
  nav->pushViewController(vc, true);
}

void MainInterfaceViewController1::didGetMyNotes(bool ok, const core::Value& json) {
  auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("mainNote");
  ui::NavigationController* nav = navigationController();
  if (!vc || !nav) return;
  // The list opens with the first page, or empty; a reply that is not an empty page nor a list of notes
  // (within the client's limit) also says what went wrong.
  const core::Value body = json["Body"];
  const bool noNotes = body.isArray() && body.size() == 0;
  const bool usable = ok && ReplyCheck::bodyIsRecordList(json, MyNote::kMaxNotesPerPage);
  if (auto* notes = dynamic_cast<MainNoteScreen*>(vc.get())) notes->setJson(usable ? body : core::Value());
  nav->pushViewController(vc, true);
  // The forced logout of "LoginState" 2 has its own alert.
  if (!usable && !noNotes && json["LoginState"].toInt() != 2)
    showAlertTitle("", ReplyCheck::failureMessage(json));
}

// ---- question bank ----

void MainInterfaceViewController1::downLibrary(bool haveBank) {
  if (haveBank) return;
  Session* session = Session::current();
  if (!session) return;
  session->setDownloadState(DownloadState{});
  VDHelper::downloadDBWithCancelBlock(
      [] {},
      [](bool) {
        // May run on the update run's thread: the update centre is asked on the bank's worker, the
        // session and the menu are touched on the main thread.
        rl::performOnMainThread(
            [] {
              auto bank = QuestionBank::make(AppPaths::bankPaths());
              bank->checkUpdate([bank](std::optional<UpdateCentreReply> reply) {
                AppShell* app = appShell();
                Session* session = Session::current();
                if (!app || !session) return;
                if (reply) session->setUpdateReply(reply);
                if (auto* menu = dynamic_cast<EvenMoreMenuRefresh*>(app->evenMoreVC().get())) {
                  menu->setEvenMoreArray(menu->loadArrayData());
                  menu->reloadEvenMoreTable();
                }
              });
            },
            false);
      },
      [] {});
}

// ---- first-install unpack ----

std::optional<MainInterfaceViewController1::UnpackPaths> MainInterfaceViewController1::unpackPaths() {
  UnpackPaths p;
  p.bank = AppPaths::bankPaths();
  if (!p.bank.usable()) return std::nullopt;
  p.subject = p.bank.subject;
  p.documentsZip = core::Paths::documents() + "/" + p.subject + ".zip";
  // The directories are named here and made only when the unpack needs them.
  p.cacheDirectory = p.bank.cacheDirectory;
  p.dbDirectory = p.bank.dbDirectory;
  p.imageDirectory = p.bank.imageDirectory;
  return p;
}

bool MainInterfaceViewController1::moveZipFile(const UnpackPaths& p) {
  return QuestionBank::moveArchiveIn(p.bank, p.documentsZip);
}

bool MainInterfaceViewController1::operateZipFile(const UnpackPaths& p) {
  // The unpacked bank takes the place of any earlier one; a failure before that leaves the earlier one.
  const std::string zip = p.cacheDirectory + "/" + p.subject + ".zip";
  if (!QuestionBank::installArchive(p.bank, zip, p.cacheDirectory, true)) return false;
  if (!VDHelper::removeFile(p.cacheDirectory)) return false;
  // The reply only sets the "more" tab's image, and no tab bar is passed: it is asked and dropped.
  VDHelper::getLibrarySyn();
  return true;
}

void MainInterfaceViewController1::examineExam() {
  const auto paths = unpackPaths();
  if (!paths) return;
  UnpackState& state = unpackState();
  // One unpack at a time: an appearance while one runs starts none.
  if (state.busy.exchange(true)) return;
  std::function<void()> gate;
  if (AppShell* app = appShell()) gate = app->services().unpackGate;
  // The files go on a worker (platform/runloop/TaskAndReply.h); the end is counted back here.
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), std::weak_ptr<UnpackState>(unpackStateHolder()),
      [p = *paths, gate = std::move(gate)] {
        if (gate) gate();
        if (moveZipFile(p)) operateZipFile(p);
      },
      [](UnpackState& done) {
        ++done.finished;
        done.busy = false;
      });
}

bool MainInterfaceViewController1::isUnpacking() { return unpackState().busy; }
int MainInterfaceViewController1::finishedUnpacks() { return unpackState().finished; }

// ---- resume of the last practice ----

namespace {

// Whether the stored record's set still has a question in the bank (it reads the bank).
bool recordHasQuestions(const core::Value& lastLearningRecord) {
  const core::Value json = JSONValue(learningRecord(lastLearningRecord)["TestsJSON"].toString());
  const std::optional<QuestionsArray> tests = TestBuilder::changeJSonToTestArrayByDB(json["Body"]);
  return tests && !tests->empty();
}

}  // namespace

void MainInterfaceViewController1::getLastLearningRecordByUser() {
  const std::optional<SessionUser> user = Session::currentUser();
  const auto name = stringFromMD5(user ? user->userName : std::string());
  lastLearningRecordDic_ = core::Value();
  recordHasQuestions_.reset();
  const unsigned generation = ++recordGeneration_;
  if (!name) return;
  // Through the file's reader: a save of the answering screen may still be on its way to the disk.
  lastLearningRecordDic_ =
      LastLearningRecordFile(VDHelper::lastLearningRecordSavePath() + "/" + *name).read();
  if (!lastLearningRecordDic_.isDictionary()) return;
  // Whether its set still has questions is asked on a worker, before the user taps a function.
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [record = lastLearningRecordDic_.deepCopy()] { return recordHasQuestions(record); },
      [generation](MainInterfaceViewController1& self, bool has) {
        if (generation == self.recordGeneration_) self.recordHasQuestions_ = has;  // not a record read since
      });
}

bool MainInterfaceViewController1::isHaveRecord(int module) {
  if (!lastLearningRecordDic_.isDictionary()) return false;
  // Only a record this build wrote, of the chosen bank and of this module (asked first: it reads no bank).
  if (!LastLearningRecordFile::matches(lastLearningRecordDic_, VDHelper::getSubjectEName(), module))
    return false;
  // A tap before the worker's answer asks here.
  if (!recordHasQuestions_) recordHasQuestions_ = recordHasQuestions(lastLearningRecordDic_);
  return *recordHasQuestions_;
}

void MainInterfaceViewController1::processingData(std::function<void(RestoredRun)> done) {
  restoreLearningRecordInBackground<MainInterfaceViewController1>(
      ui::weakScreen(*this), learningRecord(lastLearningRecordDic_),
      [done = std::move(done)](MainInterfaceViewController1&, RestoredRun run) {
        if (done) done(std::move(run));
      });
}

void MainInterfaceViewController1::alertViewBlock(const std::string& identifier, bool isAllowSave) {
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), kResumeMessage,
      [weak = ui::weakScreen(*this), identifier, isAllowSave](bool cancelled, int) {
        auto self = weak.lock();
        if (!self) return;
        if (cancelled) {
          self->pushScreen(identifier);
          return;
        }
        self->processingData([weak, isAllowSave](RestoredRun run) {
          if (auto screen = weak.lock()) screen->pushToExamingVC(run, isAllowSave);
        });
      },
      "否", std::vector<std::string>{"是"});
  alert->show();
}

void MainInterfaceViewController1::pushToExamingVC(const RestoredRun& input, bool isAllowSave) {
  auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  auto* screen = dynamic_cast<AnsweringScreen*>(vc.get());
  ui::NavigationController* nav = navigationController();
  if (!screen || !nav) return;
  if (!input.applyTo(*screen)) {
    showAlertTitle("", localized("nodataMessage"));  // the run's questions are no longer in the bank
    return;
  }
  screen->setIsAllow(isAllowSave);
  nav->pushViewController(vc, true);
}
