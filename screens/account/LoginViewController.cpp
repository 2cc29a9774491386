#include "screens/account/LoginViewController.h"

#include "app/AppShell.h"
#include "app/AvatarFile.h"
#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "platform/security/Keychain.h"
#include "screens/account/AccountShared.h"
#include "screens/common/MainInterfaceScreen.h"
#include "ui/AlertView.h"
#include "ui/Application.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"
#include "ui/Utf16.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"
#include "util/KeychainItemStore.h"

namespace {

// The personal details that a login copies into the session's user.
constexpr const char* kDetailKeys[] = {"Address", "Birthday", "NickName", "Sex", "Tel", "Email"};

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

AppShell* appShell() { return AppShell::current(); }

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

// The rows of the form: section 0 the name and the password, section 1 the check buttons, the login
// button, and registration and password recovery.
constexpr int kFormRows[] = {2, 3};
constexpr double kRowHeight = 44;

std::string withoutLastCharacter(const std::string& text) {
  const ui::Range16 last = ui::lastCharacterRange(text);
  return ui::replaceUtf16Range(text, last, "").value_or("");
}

std::shared_ptr<ui::Label> rowLabel(const std::string& text) {
  auto label = std::make_shared<ui::Label>(ui::Rect(10, 7, 70, 30), text);
  label->setFont(ui::Font::system(16));
  return label;
}

std::shared_ptr<ui::TextField> formField(const std::string& placeholder) {
  auto field = std::make_shared<ui::TextField>(ui::Rect(80, 7, 220, 30));
  field->setPlaceholder(placeholder);
  field->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  field->setFont(ui::Font::system(16));
  return field;
}

}  // namespace

core::Value LoginViewController::loginRequest(const std::string& userName, const std::string& password) {
  core::Value request = core::Value::dictionary();
  request.set("AppEName", "");
  request.set("Group", 0);
  request.set("ID", 0);
  request.set("LoginCheckCode", VDHelper::macaddress().value_or(""));
  request.set("LoginCount", 0);
  request.set("Pwd", password);
  request.set("UserName", userName);
  return request;
}

// ---- view ----

void LoginViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame(), ui::TableViewStyle::Grouped);
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);

  // The avatar of the typed name above the form.
  auto header = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 100));
  userImage_ = std::make_shared<ui::ImageView>(ui::Rect(120, 10, 80, 80));
  header->addSubview(userImage_);
  tableView_->setTableHeaderView(header);

  usernameField_ = formField("用户名/邮箱/手机号");
  usernameField_->setReturnKeyType(ui::ReturnKeyType::Next);
  pwdField_ = formField("请输入密码");
  pwdField_->setSecureTextEntry(true);
  pwdField_->setReturnKeyType(ui::ReturnKeyType::Done);

  const auto w = ui::weakScreen(*this);
  auto button = [&](const std::string& title, ui::Rect frame, void (LoginViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(frame);
    b->setTitle(title);
    b->setTitleColor(ui::Color::rgb255(30, 90, 170));
    b->addTarget(ui::ControlEvent::TouchUpInside, [w, action](ui::Control&) {
      if (auto self = w.lock()) ((*self).*action)();
    });
    return b;
  };
  btnSavePwd_ = button("记住密码", ui::Rect(20, 7, 130, 30), &LoginViewController::savePwdClick);
  btnAutoLogin_ = button("自动登录", ui::Rect(170, 7, 130, 30), &LoginViewController::autoLoginClick);
  for (auto* check : {&btnSavePwd_, &btnAutoLogin_}) {
    (*check)->setImage(ui::Image::named("login_check_off"), ui::kControlStateNormal);
    (*check)->setImage(ui::Image::named("login_check_on"), ui::kControlStateSelected);
  }
  loginButton_ = button("登录", ui::Rect(20, 4, 280, 36), &LoginViewController::loginAction);
  loginButton_->setBackgroundImage(ui::Image::named("login_button")->resizable({}), ui::kControlStateNormal);
  loginButton_->setTitleColor(ui::Color::white());
  registButton_ = button("注册", ui::Rect(20, 7, 130, 30), &LoginViewController::registClick);
  findPasswordButton_ = button("找回密码", ui::Rect(170, 7, 130, 30), &LoginViewController::findPasswordClick);

  // Below the form: a plain button that closes the keyboard.
  btn_hide_ = std::make_shared<ui::Button>(ui::Rect(0, 0, 320, 160));
  btn_hide_->addTarget(ui::ControlEvent::TouchUpInside, [w](ui::Control&) {
    if (auto self = w.lock()) self->hidekeyboard();
  });
  tableView_->setTableFooterView(btn_hide_);

  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  setView(tableView_);
}

void LoginViewController::viewDidLoad() {
  setTitle("登录");
  const auto w = ui::weakScreen(*this);
  // "返回" closes the screen; a presenter that gave it a "返回" of its own (the home screen's modal
  // login, which forgets the screen as it closes it) keeps that one, which closes it the same way.
  if (!navigationItem().leftBarButtonItem()) {
    navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle(
        "返回", ui::BarButtonItem::Style::Bordered, [weak = w](ui::BarButtonItem&) {
          if (auto self = weak.lock()) self->closeLoginViewController();
        }));
  }

  // The account kept for the next login.
  KeychainItemStore keychain(kKeychainIdentifier);
  usernameField_->setText(keychain.objectForKey(sec::kSecAttrAccount));
  pwdField_->setText(keychain.objectForKey(sec::kSecValueData));
  usernameField_->setDelegate(weakAs<ui::TextFieldDelegate>());
  pwdField_->setDelegate(weakAs<ui::TextFieldDelegate>());
  setImage(false);

  auto& defaults = core::UserDefaults::standard();
  isAutoLogin_ = defaults.boolForKey("isAutoLogon");
  isSavaPwd_ = defaults.boolForKey("isKeepPassword") || isAutoLogin_;
  btnSavePwd_->setSelected(isSavaPwd_);
  btnAutoLogin_->setSelected(isAutoLogin_);

  // The first-run prompt over the whole window once the screen shows (viewDidAppear): put there now, the
  // screen's own view would enter the window above it and hide it.
  showsFirstRunPrompt_ = defaults.boolForKey("isFirstLoginApp");
  defaults.setBool("isFirstLoginApp", false);
  defaults.setBool("isFirstMain", false);
  defaults.setBool("isFirstEvenMore", false);
  defaults.synchronize();

  tableView_->reloadData();
}

void LoginViewController::removeFirstRunPrompt() {
  if (firstRunPrompt_) firstRunPrompt_->removeFromSuperview();
  firstRunPrompt_.reset();
}

void LoginViewController::viewDidAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  // The first-run prompt over the whole window, gone at the first tap.
  if (!showsFirstRunPrompt_) return;
  showsFirstRunPrompt_ = false;
  ui::Application* application = ui::Application::current();
  if (!application) return;
  firstRunPrompt_ = std::make_shared<ui::Button>(application->applicationFrame());
  firstRunPrompt_->setBackgroundImage(ui::Image::create(kFirstRunImage), ui::kControlStateNormal);
  firstRunPrompt_->addTarget(ui::ControlEvent::TouchUpInside, [weak = ui::weakScreen(*this)](ui::Control&) {
    if (auto self = weak.lock()) self->removeFirstRunPrompt();
  });
  application->keyWindow().addFrontView(firstRunPrompt_);
}

void LoginViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
  removeFirstRunPrompt();  // the hint goes with the screen it explains
}

// ---- table ----

int LoginViewController::numberOfSectionsInTableView(ui::TableView&) { return 2; }

int LoginViewController::numberOfRowsInSection(ui::TableView&, int section) {
  return section >= 0 && section < 2 ? kFormRows[section] : 0;
}

double LoginViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath) { return kRowHeight; }

std::shared_ptr<ui::TableViewCell> LoginViewController::cellForRowAtIndexPath(ui::TableView&,
                                                                              ui::IndexPath indexPath) {
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  ui::View& content = cell->contentView();
  if (indexPath.section == 0 && indexPath.row == 0) {
    content.addSubview(rowLabel("用户名"));
    content.addSubview(usernameField_);
  } else if (indexPath.section == 0 && indexPath.row == 1) {
    content.addSubview(rowLabel("密码"));
    content.addSubview(pwdField_);
  } else if (indexPath.section == 1 && indexPath.row == 0) {
    content.addSubview(btnSavePwd_);
    content.addSubview(btnAutoLogin_);
  } else if (indexPath.section == 1 && indexPath.row == 1) {
    content.addSubview(loginButton_);
  } else if (indexPath.section == 1 && indexPath.row == 2) {
    content.addSubview(registButton_);
    content.addSubview(findPasswordButton_);
  }
  return cell;
}

void LoginViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  hidekeyboard();
}

// ---- texts ----

void LoginViewController::setUsernameFieldContent(const std::string& text) {
  if (usernameField_) usernameField_->setText(text);
}

void LoginViewController::setPwdFieldContent(const std::string& text) {
  if (pwdField_) pwdField_->setText(text);
}

bool LoginViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16,
                                                        const std::string& replacement) {
  usernameFieldText_.clear();
  if (&field == usernameField_.get()) {
    const std::string& current = field.text();
    usernameFieldText_ = replacement.empty() ? withoutLastCharacter(current) : current + replacement;
    if (pwdField_) pwdField_->setText("");
    setImage(true);
  }
  return true;
}

void LoginViewController::textFieldDidEndEditing(ui::TextField& field) {
  if (&field != usernameField_.get()) return;
  if (field.text().empty() && pwdField_) pwdField_->setText("");
  std::string name = field.text();
  std::erase(name, ' ');
  usernameFieldText_ = name;
  setImage(true);
}

bool LoginViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void LoginViewController::hidekeyboard() {
  if (ui::View* root = viewIfLoaded()) root->endEditing(true);
}

void LoginViewController::setImage(bool fromText) {
  if (!userImage_) return;
  const std::string name = fromText ? usernameFieldText_ : (usernameField_ ? usernameField_->text() : "");
  const std::string file = AvatarFile::path(name);
  std::shared_ptr<ui::Image> image;
  if (!file.empty() && VDHelper::isHavefile(file)) image = ui::Image::withContentsOfFile(file);
  userImage_->setImage(image);
}

// ---- check buttons ----

void LoginViewController::savePwdClick() {
  isSavaPwd_ = !isSavaPwd_;
  if (btnSavePwd_) btnSavePwd_->setSelected(isSavaPwd_);
  if (!isSavaPwd_) {
    isAutoLogin_ = false;
    if (btnAutoLogin_) btnAutoLogin_->setSelected(false);
  }
}

void LoginViewController::autoLoginClick() {
  isAutoLogin_ = !isAutoLogin_;
  if (btnAutoLogin_) btnAutoLogin_->setSelected(isAutoLogin_);
  if (isAutoLogin_) {
    isSavaPwd_ = true;
    if (btnSavePwd_) btnSavePwd_->setSelected(true);
  }
}

// ---- navigation ----

void LoginViewController::registClick() {
  auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("register");
  if (vc && navigationController()) navigationController()->pushViewController(vc, true);
}

void LoginViewController::findPasswordClick() {
  auto vc = makeFindPasswordScreen();
  if (vc && navigationController()) navigationController()->pushViewController(vc, true);
}

void LoginViewController::closeLoginViewController() {
  auto keep = shared_from_this();
  if (!isStolen_) {
    leaveScreen(*this);
    return;
  }
  // This screen replaced the window's root: back to the main screen, logged out, and no automatic
  // login in this run. The main screen is made anew, so besides the home screen of the moment the
  // session says so too (until the next login).
  if (AppShell* app = appShell()) {
    if (auto* home = dynamic_cast<MainInterfaceScreen*>(app->mainInterfaceVC().get())) home->setIsUnLogon(true);
    core::Value s = session();
    if (s.isDictionary() && !Session::currentUser()) s.set("isUserLogout", true);
  }
  VDHelper::showMainVC();
}

// ---- login ----

void LoginViewController::showAlert(const std::string& message) {
  auto alert = std::make_shared<ui::AlertView>(localized("alertTitle"), message,
                                               std::weak_ptr<ui::AlertViewDelegate>(),
                                               std::optional<std::string>(localized("OK")));
  alert->show();
}

void LoginViewController::loginAction() {
  // A field that is there and empty stops the login; the automatic login has no fields.
  if (usernameField_ && usernameField_->text().empty()) {
    showAlert(kEmptyNameMessage);
    return;
  }
  if (pwdField_ && pwdField_->text().empty()) {
    showAlert(kEmptyPasswordMessage);
    return;
  }
  if (usernameField_ && !usernameField_->text().empty()) usernameFieldText_ = usernameField_->text();
  if (pwdField_ && !pwdField_->text().empty()) pwdFieldText_ = pwdField_->text();

  AppShell* app = appShell();
  if (!app) return;
  if (!app->isReachable()) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  const auto body = JSONRepresentation(loginRequest(usernameFieldText_, pwdFieldText_));
  if (!body) return;
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->login(*body);
}

void LoginViewController::didLogin(bool ok, const core::Value& json) {
  AppShell* app = appShell();
  if (!ok || !app) {
    showAlert(replyFailureText(json, kLoginFailedMessage));
    return;
  }
  auto keep = shared_from_this();
  core::Value s = session();

  // 1. The user of the session: the reply's record and the password that was sent.
  core::Value userInfo = json["Body"].deepCopy();
  userInfo.set("Pwd", pwdFieldText_);
  s.set(SessionUser::kSessionKey, userInfo);
  // 2-4. The re-login timer, the logout mark, a first login.
  app->fireAutoLoginTimer();
  s.set("isUserLogout", false);
  if (userInfo["LoginCount"].toInt() == 1) app->setIsfirstLogin(true);

  // 5-6. The avatar (once: only when the name has none yet) and then the personal details, fetched on a
  // worker, so the avatar is on disk before the details arrive. The rest goes on when they do; a screen
  // closed meanwhile gets nothing.
  const std::string avatar = AvatarFile::path(usernameFieldText_);
  std::string avatarURL;
  if (!avatar.empty() && !VDHelper::isHavefile(avatar))
    avatarURL = AvatarFile::downloadURL(userInfo["ID"].toString());
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  rl::postTaskAndReply(
      rl::DispatchQueue::global(),
      std::weak_ptr<LoginViewController>(std::static_pointer_cast<LoginViewController>(keep)),
      [center = centerBll_, avatarURL, name = usernameFieldText_] {
        if (!avatarURL.empty()) {
          if (auto bytes = AvatarFile::download(avatarURL)) AvatarFile::save(*bytes, name);
        }
        return center->getPersonalDetails();
      },
      [](LoginViewController& self, core::Value details) { self.personalDetailsArrived(details); });

  // 7-8. The account for the next start, whatever the check buttons show. The keychain is written on
  // a worker (the file store waits for the disk, the desktop keyring for its service).
  rl::DispatchQueue::global().async([name = usernameFieldText_, password = pwdFieldText_] {
    KeychainItemStore keychain(kKeychainIdentifier);
    keychain.setObject(name, sec::kSecAttrAccount);
    keychain.setObject(password, sec::kSecValueData);
  });
  auto& defaults = core::UserDefaults::standard();
  defaults.setInteger("isKeepPassword", 1);
  defaults.setInteger("isAutoLogon", 1);
  defaults.synchronize();
}

void LoginViewController::personalDetailsArrived(const core::Value& details) {
  auto keep = shared_from_this();
  setImage(true);  // the avatar fetched with the details, when there is one now
  // A record that holds none of the details is of another kind: taken, it would blank them all.
  bool holdsDetails = false;
  for (const char* key : kDetailKeys) holdsDetails = holdsDetails || details["Body"].contains(key);
  if (details.isNil() || !holdsDetails) {
    VDNetworkHelper::hudPrompt(kDetailsFailedToast);
    return;
  }
  didGetPersonalDetails(details);
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->appInfo(ChosenSubject::current().product.value);
}

void LoginViewController::didGetPersonalDetails(const core::Value& json) {
  const std::optional<SessionUser> user = Session::currentUser();
  if (!user) return;
  core::Value userInfo = user->record;  // the session's record itself, updated in place
  const core::Value body = json["Body"];
  for (const char* key : kDetailKeys) {
    if (body.contains(key))
      userInfo.set(key, body[key]);
    else
      userInfo.remove(key);
  }
}

void LoginViewController::didAppInfo(bool ok, const core::Value& json) {
  // The application information that the other screens read: a record with a text "Name" and "EName".
  const bool isAppInfo = ReplyCheck::bodyIsRecord(json) && json["Body"]["Name"].isString() &&
                         json["Body"]["EName"].isString();
  if (!ok || !isAppInfo) {
    // A refusal (a null "Body") leaves the user logged in on this screen; no answer at all, or one
    // of another shape, is reported.
    if (json.isNil() || ok || !json.isDictionary() || !json["Body"].isNull()) showAlert(replyMessage(json));
    return;
  }
  auto keep = shared_from_this();
  session().set("appInfo", json["Body"]);
  if (auto d = delegate_.lock()) d->didLoginSuccess();
  VDNetworkHelper::setMinNavigationTitle();
  leave();
}

void LoginViewController::leave() {
  const std::optional<SessionUser> user = Session::currentUser();
  if ((user && user->loginCount == 1) || isStolen_)
    VDHelper::showMainVC();
  else
    leaveScreen(*this);
}
