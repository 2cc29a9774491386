#include "screens/settings/EvenMoreViewController.h"

#include <cstdio>

#include "app/AppShell.h"
#include "app/AvatarFile.h"
#include "app/BankDownload.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/AnsweringSettingsScreen.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "screens/common/AutoLoginScreen.h"
#include "screens/settings/HelpContentScreen.h"
#include "ui/Application.h"
#include "ui/BarButtonItem.h"
#include "ui/Image.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

AppShell* appShell() { return AppShell::current(); }

core::Value userInfo() {
  const Session* session = Session::current();
  const std::optional<SessionUser> user = session ? session->user() : std::nullopt;
  return user ? user->record : core::Value();
}

bool isLoggedIn() {
  const Session* session = Session::current();
  return session && session->isLoggedIn();
}

bool hasUpdates() {
  const Session* session = Session::current();
  if (!session) return false;
  const std::optional<UpdateCentreReply>& reply = session->updateReply();
  return reply && !reply->updateList.empty();
}

struct RowLook {
  const char* text;
  const char* icon;
  const char* highlightedIcon;
};

constexpr RowLook kRows[] = {
    {"选择科目", "even_selectsubject", "even_selectsubject_down"},
    {"软件设置", "even_setting", "even_setting_down"},
    {"软件评价", "score_up", "score_down"},
    {"查找试题", "even_searchtest", "even_searchtest_down"},
    {"意见反馈", "even_feedback", "even_feedback_down"},
    {"软件分享", "even_softshare", "even_softshare_down"},
    {"检查更新", "even_checkupdate", "even_checkupdate_down"},
    {"关于软件", "even_aboutsoft", "even_aboutsoft_down"},
};

const RowLook* lookFor(const std::string& text) {
  for (const RowLook& row : kRows)
    if (text == row.text) return &row;
  return nullptr;
}

ui::Color menuColor() { return ui::Color::rgb255(44, 50, 61); }
ui::Color headerColor() { return ui::Color::rgb255(33, 38, 47); }

std::shared_ptr<ui::ViewController> makeScreen(const char* identifier) {
  return VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
}

}  // namespace

// ---- life cycle ----

void EvenMoreViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(menuColor());
  const double width = root->bounds().size.width;
  const auto weak = ui::weakScreen(*this);

  // Logged out: one button that opens the login screen.
  notLoggedinView_ = std::make_shared<ui::View>(ui::Rect(0, 0, width, kHeaderHeight));
  notLoggedinView_->setBackgroundColor(headerColor());
  loginButton_ = std::make_shared<ui::Button>(ui::Rect(15, 20, 160, 50));
  loginButton_->setTitle("登录 / 注册");
  loginButton_->setTitleColor(ui::Color::white());
  loginButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->userLoginClicked();
  });
  notLoggedinView_->addSubview(loginButton_);
  root->addSubview(notLoggedinView_);

  // Logged in: avatar and nick name; tapping them opens my centre.
  hasLoggedonView_ = std::make_shared<ui::View>(ui::Rect(0, 0, width, kHeaderHeight));
  hasLoggedonView_->setBackgroundColor(headerColor());
  userHeaderImageView_ = std::make_shared<ui::ImageView>(ui::Rect(15, 15, 60, 60));
  userHeaderImageView_->setContentMode(ui::ContentMode::ScaleAspectFill);
  userHeaderImageView_->setBackgroundColor(ui::Color::rgb255(90, 98, 112));
  userHeaderImageView_->layer().setCornerRadius(30);
  userHeaderImageView_->setClipsToBounds(true);
  hasLoggedonView_->addSubview(userHeaderImageView_);
  auto nick = std::make_shared<ui::Label>(ui::Rect(85, 22, 160, 24), "");
  nick->setTag(kNickNameTag);
  nick->setTextColor(ui::Color::white());
  nick->setFont(ui::Font::boldSystem(17));
  hasLoggedonView_->addSubview(nick);
  auto hint = std::make_shared<ui::Label>(ui::Rect(85, 48, 160, 20), "个人中心");
  hint->setTextColor(ui::Color::rgb255(170, 178, 190));
  hint->setFont(ui::Font::system(13));
  hasLoggedonView_->addSubview(hint);
  centerButton_ = std::make_shared<ui::Button>(ui::Rect(0, 0, 256, kHeaderHeight));
  centerButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->userCenterClicked();
  });
  hasLoggedonView_->addSubview(centerButton_);
  hasLoggedonView_->setHidden(true);
  root->addSubview(hasLoggedonView_);

  evenMoreTableView_ = std::make_shared<ui::TableView>(
      ui::Rect(0, kHeaderHeight, width, root->bounds().size.height - kHeaderHeight));
  evenMoreTableView_->setRowHeight(kRowHeight);
  evenMoreTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  evenMoreTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  root->addSubview(evenMoreTableView_);
  setView(root);
}

void EvenMoreViewController::viewDidLoad() {
  evenMoreTableView_->setBackgroundColor(menuColor());
  showPromptImage();
}

void EvenMoreViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  refreshHeader();
  if (isLoggedIn() && !isIntoCenter_) didLoginSuccess();
  evenMoreArray_ = loadArrayData();
  updateUI();
}

void EvenMoreViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- rows ----

core::Value EvenMoreViewController::loadArrayData() {
  return core::Array{core::Array{"选择科目", "软件设置", "软件评价", "查找试题"}, core::Array{"意见反馈", "软件分享"},
                     core::Array{"检查更新"}, core::Array{"关于软件"}};
}

std::string EvenMoreViewController::rowText(ui::IndexPath indexPath) const {
  return evenMoreArray_[static_cast<std::size_t>(indexPath.section)][static_cast<std::size_t>(indexPath.row)]
      .toString();
}

int EvenMoreViewController::numberOfSectionsInTableView(ui::TableView&) {
  return evenMoreArray_.isArray() ? static_cast<int>(evenMoreArray_.size()) : 0;
}

int EvenMoreViewController::numberOfRowsInSection(ui::TableView&, int section) {
  const core::Value rows = evenMoreArray_[static_cast<std::size_t>(section)];
  return rows.isArray() ? static_cast<int>(rows.size()) : 0;
}

double EvenMoreViewController::heightForHeaderInSection(ui::TableView&, int) { return 10; }

std::shared_ptr<ui::View> EvenMoreViewController::viewForHeaderInSection(ui::TableView& tableView, int) {
  auto gap = std::make_shared<ui::View>(ui::Rect(0, 0, tableView.bounds().size.width, 10));
  gap->setBackgroundColor(menuColor());
  return gap;
}

std::shared_ptr<ui::TableViewCell> EvenMoreViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                               ui::IndexPath indexPath) {
  const std::string text = rowText(indexPath);
  const bool updateRow = text == "检查更新";
  const std::string identifier = updateRow ? kUpdateCellIdentifier : kCellIdentifier;
  auto cell = tableView.dequeueReusableCellWithIdentifier(identifier);
  if (!cell) {
    cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, identifier);
    auto selected = std::make_shared<ui::ImageView>(ui::Image::named("even_cellbackground"));
    selected->setBackgroundColor(ui::Color::rgb255(60, 68, 82));
    cell->setSelectedBackgroundView(selected);
    auto background =
        std::make_shared<ui::ImageView>(ui::Rect(0, 0, tableView.bounds().size.width, kRowHeight));
    background->setImage(ui::Image::named("even_item_background"));
    background->setBackgroundColor(menuColor());
    cell->setBackgroundView(background);
    cell->textLabel()->setTextColor(ui::Color::white());
    cell->textLabel()->setBackgroundColor(ui::Color::clear());
    cell->imageView()->setTransform(ui::Transform::scale(0.3, 0.3));
  }
  cell->textLabel()->setText(text);
  if (const RowLook* look = lookFor(text)) {
    cell->imageView()->setImage(ui::Image::named(look->icon));
    cell->imageView()->setHighlightedImage(ui::Image::named(look->highlightedIcon));
  }
  if (updateRow) updateImage(*cell, kUpdateBadgeTag);
  return cell;
}

void EvenMoreViewController::updateImage(ui::TableViewCell& cell, int imageTag) {
  ui::View* badge = cell.viewWithTag(imageTag);
  if (hasUpdates()) {
    if (badge) return;
    auto image = std::make_shared<ui::ImageView>(ui::Rect(130, 10, 30, 20));
    image->setImage(ui::Image::named("newContent.png"));
    image->setBackgroundColor(ui::Color::rgb255(230, 60, 50));
    image->layer().setCornerRadius(6);
    image->setTag(imageTag);
    cell.addSubview(image);
  } else if (badge) {
    badge->removeFromSuperview();
  }
}

void EvenMoreViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  pushViewController(rowText(indexPath));
}

ui::TableViewCell* EvenMoreViewController::cellForRowText(const std::string& text) const {
  if (!evenMoreTableView_) return nullptr;
  for (ui::TableViewCell* cell : evenMoreTableView_->visibleCells())
    if (cell->textLabel() && cell->textLabel()->text() == text) return cell;
  return nullptr;
}

void EvenMoreViewController::pushViewController(const std::string& text) {
  if (text == "意见反馈") {
    VDAppStatistics::logEvent(VDAppStatistics::kFeedback);
    if (auto screen = makeScreen("feedback")) configModalviewController(screen);
  } else if (text == "软件分享") {
    if (auto screen = makeScreen("softShare")) configModalviewController(screen);
  } else if (text == "软件设置") {
    VDAppStatistics::logEvent(VDAppStatistics::kSetting);
    auto screen = makeScreen("softSetting");
    if (!screen) return;
    if (auto* settings = dynamic_cast<AnsweringSettingsScreen*>(screen.get())) settings->setIsTest(false);
    configModalviewController(screen);
  } else if (text == "关于软件") {
    VDAppStatistics::logEvent(VDAppStatistics::kAbove);
    htmlFileName_ = "AboutSoft.html";
    title_ = text;
    pushToWebView();
  } else if (text == "软件评价") {
    VDAppStatistics::logEvent(VDAppStatistics::kNetworkCount);
    rateApplication();
  } else if (text == "查找试题") {
    findTest();
  } else if (text == "选择科目") {
    VDAppStatistics::logEvent(VDAppStatistics::kChooseSubject);
    toSelectSubject();
  } else if (text == "检查更新") {
    examineUpdate();
  }
}

void EvenMoreViewController::rateApplication() {
  auto alert = std::make_shared<UIAlertViewBlock>(
      "Vardo", "给Vardo评个分吧",
      [](bool cancelled, int) {
        if (cancelled) return;
        const core::Bundle& bundle = core::Bundle::main();
        const std::string host = bundle.objectForInfoDictionaryKey(kStoreHostKey).toString();
        const long long id = bundle.objectForInfoDictionaryKey(kStoreIDKey).toInt();
        char path[160];
        std::snprintf(path, sizeof path, kReviewPath, static_cast<int>(id));
        VDHelper::openURL("itms-apps://" + host + path);
      },
      "不了，谢谢", std::vector<std::string>{"评分"});
  alert->show();
}

void EvenMoreViewController::findTest() {
  if (!VDHelper::isHavefileName()) {
    downLibrary();
    return;
  }
  VDAppStatistics::logEvent(VDAppStatistics::kFindTest);
  if (isLoggedIn()) {
    if (auto screen = makeScreen("findTest")) configModalviewController(screen);
    return;
  }
  const auto weak = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), localized("unLogin"),
      [weak](bool cancelled, int) {
        auto self = weak.lock();
        if (self && !cancelled) self->userLoginClicked();
      },
      "取消", std::vector<std::string>{"登录"});
  alert->show();
}

void EvenMoreViewController::configModalviewController(std::shared_ptr<ui::ViewController> screen) {
  auto nav = std::make_shared<ui::NavigationController>(screen);
  const auto weak = ui::weakScreen(*this);
  screen->navigationItem().setLeftBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Bordered, [weak](auto&) {
        if (auto self = weak.lock()) self->closeCurrentModalViewController();
      }));
  currentModalViewController_ = nav;
  presentViewController(nav, true);
}

void EvenMoreViewController::closeCurrentModalViewController() {
  if (!currentModalViewController_) return;
  currentModalViewController_->dismissViewController(true);
  currentModalViewController_.reset();
}

void EvenMoreViewController::toSelectSubject() {
  auto subject = makeScreen("selectSubject");
  auto sort = makeScreen("selectSort");
  const bool vardo = core::Bundle::main().objectForInfoDictionaryKey("CFBundleName").toString() == "vardo";
  auto screen = vardo ? sort : subject;
  if (!screen) return;
  if (AppShell* app = appShell()) app->setViewController(screen);
  configModalviewController(screen);
}

void EvenMoreViewController::pushToWebView() {
  auto screen = makeScreen("softUsingHelpContent");
  if (!screen) return;
  if (auto* help = dynamic_cast<HelpContentScreen*>(screen.get())) {
    help->setNavTitle(title_);
    help->setHtmlFileName(htmlFileName_);
  }
  configModalviewController(screen);
}

void EvenMoreViewController::updateUI() {
  if (evenMoreTableView_) evenMoreTableView_->reloadData();
}

// ---- header and login state ----

ui::Label* EvenMoreViewController::nickNameLabel() const {
  return hasLoggedonView_ ? dynamic_cast<ui::Label*>(hasLoggedonView_->viewWithTag(kNickNameTag)) : nullptr;
}

void EvenMoreViewController::refreshHeader() {
  const core::Value info = userInfo();
  if (ui::Label* nick = nickNameLabel()) {
    nick->setText(info["NickName"].isString() ? info["NickName"].str() : std::string());
    if (isLoggedIn() && nick->text().empty()) nick->setText("vardo");
  }
  if (userHeaderImageView_) {
    const std::optional<std::string> avatar = AvatarFile::existing(info);
    userHeaderImageView_->setImage(avatar ? ui::Image::withContentsOfFile(*avatar) : nullptr);
  }
}

void EvenMoreViewController::showLoggedIn(bool loggedIn) {
  if (!isViewLoaded()) return;
  notLoggedinView_->setHidden(loggedIn);
  hasLoggedonView_->setHidden(!loggedIn);
}

void EvenMoreViewController::userLoginClicked() {
  auto login = makeScreen("login");
  if (!login) return;
  if (auto* screen = dynamic_cast<AutoLoginScreen*>(login.get())) screen->setDelegate(weakAs<LoginDelegate>());
  presentViewController(std::make_shared<ui::NavigationController>(login), true);
}

void EvenMoreViewController::userCenterClicked() {
  isIntoCenter_ = true;
  toCenterClick();
}

void EvenMoreViewController::toCenterClick() {
  if (auto screen = makeScreen("myCenter")) configModalviewController(screen);
}

void EvenMoreViewController::didLoginSuccess() {
  // The header shows who logged in (the session holds the new user by now).
  refreshHeader();
  showLoggedIn(true);
}

void EvenMoreViewController::userLogout() {
  if (AppShell* app = appShell()) app->endUserSession();
  showLoggedIn(false);
  isIntoCenter_ = false;
  updateUI();
}

// ---- question bank ----

void EvenMoreViewController::examineUpdate() {
  VDAppStatistics::logEvent(VDAppStatistics::kCheckUpdate);
  if (!hasUpdates()) {
    VDHelper::createAlert("", kUpToDateMessage, "");
    return;
  }
  // No reply keeps the update list the menu had.
  BankDownload::start(
      {.isEvenMore = true},
      ui::whileAlive(*this, [](EvenMoreViewController& self, const std::optional<UpdateCentreReply>& reply) {
        if (reply) self.updateUI();
      }));
}

void EvenMoreViewController::downLibrary() {
  BankDownload::start({}, ui::whileAlive(*this, [](EvenMoreViewController& self) {
                        self.evenMoreArray_ = self.loadArrayData();
                        self.updateUI();
                      }));
}

// ---- first-use prompt ----

void EvenMoreViewController::showPromptImage() {
  core::UserDefaults& defaults = core::UserDefaults::standard();
  if (!defaults.boolForKey("isFirstEvenMore")) {
    defaults.setBool("isFirstEvenMore", false);
    return;
  }
  AppShell* app = appShell();
  ui::Window* window = app ? app->window() : nullptr;
  if (!window) return;
  auto prompt = std::make_shared<ui::Button>(ui::Application::shared().applicationFrame());
  prompt->setBackgroundImage(ui::Image::named("prompt2"));
  prompt->setBackgroundColor(ui::Color::rgb255(0, 0, 0, 0.5));
  const auto weak = ui::weakScreen(*this);
  prompt->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control& sender) {
    if (auto self = weak.lock()) self->hidePromptImage(sender);
  });
  window->addSubview(prompt);
}

void EvenMoreViewController::hidePromptImage(ui::View& sender) { sender.removeFromSuperview(); }
