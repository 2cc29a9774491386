#include "screens/account/RegisterViewController.h"

#include <cstdio>

#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Text.h"
#include "screens/account/AccountShared.h"
#include "screens/account/EmailVerifyViewController.h"
#include "screens/common/AutoLoginScreen.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"
#include "ui/WeakScreen.h"
#include "util/VDValidateHelper.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

constexpr double kFormHeight = 460;
constexpr double kTabHeight = 44;
// The phone button's two places: under the image-code row (step 0) and in its place (later steps).
constexpr double kNextButtonY = 166;
constexpr double kCodeRowY = 118;

std::string& sharedSMSCode() {
  static std::string code;
  return code;
}

ui::Color hintRed() { return ui::Color::rgb255(230, 30, 30); }

std::shared_ptr<ui::Label> label(ui::Rect frame, const std::string& text, double size, ui::Color color) {
  auto l = std::make_shared<ui::Label>(frame, text);
  l->setFont(ui::Font::system(size));
  l->setTextColor(color);
  return l;
}

std::shared_ptr<ui::TextField> field(ui::Rect frame, const std::string& placeholder) {
  auto f = std::make_shared<ui::TextField>(frame);
  f->setPlaceholder(placeholder);
  f->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  f->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  f->setFont(ui::Font::system(14));
  return f;
}

std::string counting(const char* format, int seconds) {
  char text[64];
  std::snprintf(text, sizeof text, format, seconds);
  return text;
}

}  // namespace

std::string RegisterViewController::smsCode() { return sharedSMSCode(); }

std::string RegisterViewController::passwordHint(const std::string& password) {
  const std::size_t length = core::utf16Length(password);
  if (length < 6 || length > 20) return kPasswordLength;
  if (!isValidateChar(password)) return kPasswordIllegal;
  return "";
}

ui::Button* RegisterViewController::btnEnter(int step) const {
  switch (step) {
    case 1:
      return btnEnter1_.get();
    case 2:
      return btnEnter2_.get();
    case 3:
      return btnEnter3_.get();
    default:
      return nullptr;
  }
}

// ---- view ----

void RegisterViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const auto w = ui::weakScreen(*this);
  auto button = [w](ui::Rect frame, const std::string& title, void (RegisterViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(frame);
    b->setTitle(title);
    if (action)
      b->addTarget(ui::ControlEvent::TouchUpInside, [w, action](ui::Control&) {
        if (auto self = w.lock()) ((*self).*action)();
      });
    return b;
  };

  form_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kFormHeight));

  // The mode tabs on an accent band.
  auto tabs = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kTabHeight));
  tabs->setBackgroundColor(accountAccentColor());
  btnShouji_ = button(ui::Rect(20, 6, 140, 32), "手机注册", &RegisterViewController::shoujiAction);
  btnEmail_ = button(ui::Rect(160, 6, 140, 32), "邮箱注册", &RegisterViewController::emailAction);
  tabs->addSubview(btnShouji_);
  tabs->addSubview(btnEmail_);
  form_->addSubview(tabs);

  // ---- phone mode, made in code ----
  phonePanel_ = std::make_shared<ui::View>(ui::Rect(0, kTabHeight, 320, kFormHeight - kTabHeight));
  auto step = [&](ui::Rect frame, const std::string& title) {
    auto b = button(frame, title, nullptr);
    b->titleLabel().setFont(ui::Font::system(14));
    b->setTitleColor(ui::Color::black());
    b->setUserInteractionEnabled(false);
    phonePanel_->addSubview(b);
    return b;
  };
  btnEnter1_ = step(ui::Rect(4, 8, 112, 20), "1.输入手机号码");
  lbimg1_ = label(ui::Rect(116, 8, 12, 20), ">", 14, ui::Color::black());
  phonePanel_->addSubview(lbimg1_);
  btnEnter2_ = step(ui::Rect(128, 8, 96, 20), "2.输入验证码");
  lbimg2_ = label(ui::Rect(224, 8, 12, 20), ">", 14, ui::Color::black());
  phonePanel_->addSubview(lbimg2_);
  btnEnter3_ = step(ui::Rect(236, 8, 80, 20), "3.设置密码");
  btnEnter1_->setTitleColor(accountAccentColor());

  lbPhone_msg_ = label(ui::Rect(20, 34, 280, 20), "", 14, ui::Color::gray());
  phonePanel_->addSubview(lbPhone_msg_);
  txtPhone_ = field(ui::Rect(20, 56, 280, 36), kPhonePlaceholder);
  txtPhone_->setFont(ui::Font::boldSystem(14));
  txtPhone_->setKeyboardType(ui::KeyboardType::PhonePad);
  phonePanel_->addSubview(txtPhone_);
  lbPhone_ = label(ui::Rect(20, 94, 280, 20), "", 14, hintRed());
  phonePanel_->addSubview(lbPhone_);

  codeImageRow_ = std::make_shared<ui::View>(ui::Rect(20, kCodeRowY, 280, 36));
  txtCodeImage_ = field(ui::Rect(0, 0, 106, 36), "图片验证码");
  txtCodeImage_->setClearButtonMode(ui::TextFieldViewMode::Never);
  codeImageRow_->addSubview(txtCodeImage_);
  btnAfresh_CodeImage_ = button(ui::Rect(196, 0, 84, 36), "看不清楚?换一张", &RegisterViewController::getGuidAfresh);
  btnAfresh_CodeImage_->titleLabel().setFont(ui::Font::system(11));
  btnAfresh_CodeImage_->setTitleColor(accountAccentColor());
  codeImageRow_->addSubview(btnAfresh_CodeImage_);
  phonePanel_->addSubview(codeImageRow_);
  // The code picture sits beside the field, outside the row: it stays when the row goes in step 1.
  codeImage_ = std::make_shared<VerificationCodeImage>(ui::Rect(130, kCodeRowY, 82, 36));
  codeImage_->onRefused = [w](const std::string& message) {
    if (auto self = w.lock()) self->showAlertView(message);
  };
  phonePanel_->addSubview(codeImage_->webView());

  btnPhoneregist_ = button(ui::Rect(20, kNextButtonY, 280, 40), kNext, &RegisterViewController::CheckCaptcha);
  btnPhoneregist_->titleLabel().setFont(ui::Font::system(18));
  btnPhoneregist_->setTitleColor(ui::Color::white());
  btnPhoneregist_->setBackgroundColor(accountAccentColor());
  phonePanel_->addSubview(btnPhoneregist_);

  lbAfresh_img_ = std::make_shared<ui::ImageView>(ui::Rect(20, 175, 16, 16));
  lbAfresh_img_->setImage(ui::Image::create("verificationcode_dowm"));
  lbAfresh_img_->setTransform(ui::Transform::scale(0.6, 0.6));
  phonePanel_->addSubview(lbAfresh_img_);
  btnAfresh_ = button(ui::Rect(40, 168, 200, 30), kResend, &RegisterViewController::ClickAfresh);
  btnAfresh_->setTitleColor(ui::Color::gray());
  btnAfresh_->setContentHorizontalAlignment(ui::TextAlignment::Left);
  phonePanel_->addSubview(btnAfresh_);

  hide_tel_ = label(ui::Rect(0, 0, 1, 1), "", 1, ui::Color::clear());
  hide_tel_->setHidden(true);
  phonePanel_->addSubview(hide_tel_);
  form_->addSubview(phonePanel_);

  // ---- e-mail mode ----
  emailPanel_ = std::make_shared<ui::View>(ui::Rect(0, kTabHeight, 320, kFormHeight - kTabHeight));
  auto row = [&](double y, const std::string& caption, const std::string& placeholder,
                 std::shared_ptr<ui::Label>& captionLabel, std::shared_ptr<ui::TextField>& f,
                 std::shared_ptr<ui::Label>& hint) {
    captionLabel = label(ui::Rect(10, y, 80, 36), caption, 15, ui::Color::black());
    f = field(ui::Rect(90, y, 220, 36), placeholder);
    hint = label(ui::Rect(90, y + 36, 220, 18), "", 12, hintRed());
    emailPanel_->addSubview(captionLabel);
    emailPanel_->addSubview(f);
    emailPanel_->addSubview(hint);
  };
  row(10, "邮箱:", kEmailPlaceholder, lbphone1_, emailField_, emailPhone_lab_);
  emailField_->setKeyboardType(ui::KeyboardType::EmailAddress);
  row(68, "密码:", "6-20位字母、数字或汉字", lbpwd1_, passwordField_, password_lab_);
  row(126, "确认密码:", "请再次输入密码", lbpwd2_, password2Field_, password2_lab_);
  passwordField_->setSecureTextEntry(true);
  password2Field_->setSecureTextEntry(true);
  confirmPassword_ = label(ui::Rect(20, 184, 280, 18), "注册即可使用Vardo通行证登录", 12, ui::Color::gray());
  emailPanel_->addSubview(confirmPassword_);
  btnRegist_ = button(ui::Rect(20, 210, 280, 40), kRegister, &RegisterViewController::registAction);
  btnRegist_->titleLabel().setFont(ui::Font::system(18));
  btnRegist_->setTitleColor(ui::Color::white());
  btnRegist_->setBackgroundColor(accountAccentColor());
  emailPanel_->addSubview(btnRegist_);
  form_->addSubview(emailPanel_);

  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  setView(tableView_);
}

void RegisterViewController::viewDidLoad() {
  const auto w = ui::weakScreen(*this);
  countdown_ = std::make_unique<CountdownTimer>([w](int left) {
    if (auto self = w.lock()) self->timeMethod(left);
  });
  for (auto* f : {&txtPhone_, &txtCodeImage_, &emailField_, &passwordField_, &password2Field_})
    (*f)->setDelegate(weakAs<ui::TextFieldDelegate>());
  getGuid();
  registType_ = 0;
  buttonType_ = 0;
  emailPanel_->setHidden(true);
  btnRegist_->setHidden(true);
  btnAfresh_->setHidden(true);
  lbAfresh_img_->setHidden(true);
  showMode(0);
  tableView_->reloadData();
}

void RegisterViewController::viewDidAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  hidekeyboard();
}

void RegisterViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

std::shared_ptr<ui::TableViewCell> RegisterViewController::cellForRowAtIndexPath(ui::TableView&, ui::IndexPath) {
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  cell->contentView().addSubview(form_);
  return cell;
}

double RegisterViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath) { return kFormHeight; }

void RegisterViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  hidekeyboard();
}

void RegisterViewController::hidekeyboard() {
  // Asks the field to end, so leaving it runs its checks as a tap on the next field would.
  if (ui::View* root = viewIfLoaded()) root->endEditing(false);
}

void RegisterViewController::showAlertView(const std::string& message) { showAccountAlert(message); }

std::shared_ptr<User> RegisterViewController::newUser() {
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  return userBll_;
}

// ---- modes ----

void RegisterViewController::showMode(int type) {
  registType_ = type;
  auto tab = [](ui::Button& b, bool active) {
    b.setBackgroundColor(active ? ui::Color::white() : ui::Color::clear());
    b.setTitleColor(active ? accountAccentColor() : ui::Color::white());
  };
  tab(*btnShouji_, type == 0);
  tab(*btnEmail_, type == 1);
  phonePanel_->setHidden(type != 0);
  emailPanel_->setHidden(type != 1);
  btnRegist_->setHidden(type != 1);
}

void RegisterViewController::shoujiAction() {
  emailField_->setPlaceholder(kPhonePlaceholder);
  emailField_->setKeyboardType(ui::KeyboardType::PhonePad);
  for (auto* f : {&emailField_, &passwordField_, &password2Field_}) (*f)->setText("");
  for (auto* l : {&emailPhone_lab_, &password_lab_, &password2_lab_}) (*l)->setText("");
  showMode(0);
  btnPhoneregist_->setEnabled(true);
  if (buttonType_ == 1) {
    btnAfresh_->setHidden(false);
    lbAfresh_img_->setHidden(false);
  }
}

void RegisterViewController::emailAction() {
  emailField_->setPlaceholder(kEmailPlaceholder);
  emailField_->setKeyboardType(ui::KeyboardType::EmailAddress);
  for (auto* f : {&emailField_, &passwordField_, &password2Field_}) (*f)->setText("");
  for (auto* l : {&emailPhone_lab_, &password_lab_, &password2_lab_}) (*l)->setText("");
  showMode(1);
}

// ---- image code ----

void RegisterViewController::getGuid() { codeImage_->getGuid(); }

void RegisterViewController::getGuidAfresh() {
  isAfresh_ = true;
  getGuid();
}

// ---- text fields ----

bool RegisterViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void RegisterViewController::textFieldDidBeginEditing(ui::TextField&) {
  btnPhoneregist_->setBackgroundColor(accountAccentColor());
  // A button that counts down stays disabled until its countdown ends.
  if (!countdown_->isRunning()) btnAfresh_->setEnabled(true);
}

bool RegisterViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                                           const std::string& replacement) {
  std::size_t limit = 0;
  if (&field == txtPhone_.get()) {
    static constexpr std::size_t kLimits[] = {12, 7, 21};
    limit = kLimits[buttonType_ >= 0 && buttonType_ <= 2 ? buttonType_ : 0];
  } else if (&field == txtCodeImage_.get()) {
    limit = 5;
  }
  return limit == 0 || lengthAfterChange(field, range, replacement) < limit;
}

bool RegisterViewController::textFieldShouldEndEditing(ui::TextField& field) {
  const std::string text = field.text();
  if (&field == txtPhone_.get() && registType_ == 0) {
    if (buttonType_ == 0) {
      if (text.empty()) {
        lbPhone_->setText(kPhoneEmpty);
      } else if (!isMobileNumber(text)) {
        lbPhone_->setText(kPhoneInvalid);
      } else {
        newUser()->checkNewUsername(text, "Tel");
      }
    } else if (buttonType_ == 1 && text.empty()) {
      lbPhone_->setText(kCodeMissing);
    } else if (buttonType_ == 2 && text.empty()) {
      lbPhone_->setText(kPasswordMissing);
    }
  } else if (&field == emailField_.get() && registType_ == 1) {
    if (text.empty()) {
      emailPhone_lab_->setText(kEmailEmpty);
    } else if (!isValidateEmail(text)) {
      emailPhone_lab_->setText(kEmailInvalid);
    } else {
      newUser()->checkNewUsername(text, "Email");
    }
  } else if (&field == passwordField_.get()) {
    password_lab_->setText(text.empty() ? std::string(kPasswordEmpty) : passwordHint(text));
  } else if (&field == password2Field_.get()) {
    password2_lab_->setText(text == passwordField_->text() ? "" : kPasswordMismatch);
  }
  return true;
}

void RegisterViewController::didCheckNewUsername(bool ok, const core::Value& json) {
  isUsable_ = ok;
  if (ok) {
    lbPhone_->setText("");
    emailPhone_lab_->setText("");
    setNextButtonUsable(true);
    hide_tel_->setText(txtPhone_->text());
    return;
  }
  const std::string message = replyMessage(json);
  if (registType_ == 1) {
    emailPhone_lab_->setText(message);
  } else {
    lbPhone_->setText(message);
    setNextButtonUsable(false);
  }
}

void RegisterViewController::setNextButtonUsable(bool usable) {
  btnPhoneregist_->setBackgroundColor(usable ? accountAccentColor() : ui::Color::gray());
  btnPhoneregist_->setEnabled(usable);
}

// ---- phone steps ----

void RegisterViewController::CheckCaptcha() {
  const std::string text = txtPhone_->text();
  if (buttonType_ == 0) {
    isClickBtn_ = true;
    if (text.empty()) {
      lbPhone_->setText(kPhoneMissing);
    } else if (!isMobileNumber(text)) {
      lbPhone_->setText(kPhoneInvalid);
    } else if (txtCodeImage_->text().empty()) {
      showAlertView(kCodeMissing);
    } else if (isUsable_) {
      newUser()->postVeritifyCodeGetCode(VerificationCodeImage::guid(), txtCodeImage_->text(), text);
    }
  } else if (buttonType_ == 1) {
    if (text.empty()) {
      lbPhone_->setText(kCodeMissing);
      return;
    }
    sharedSMSCode() = text;
    newUser()->checkSMSCode(text);
  } else {
    if (text.empty()) {
      lbPhone_->setText(kPasswordMissing);
      return;
    }
    const std::string hint = passwordHint(text);
    if (!hint.empty()) {
      lbPhone_->setText(hint);
      return;
    }
    phoneRegist();
  }
}

void RegisterViewController::didVerifyCode(bool, const core::Value& json) {
  if (json["msg"].toString() == kSMSSent) {
    enterStep1();
    return;
  }
  const std::string message = verificationMessage(json);
  const auto w = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      "Vardo", message,
      [w](bool, int) {
        if (auto self = w.lock()) self->getGuid();
      },
      std::optional<std::string>("确定"), std::vector<std::string>{});
  alert->show();
}

void RegisterViewController::enterStep1() {
  buttonType_ = 1;
  btnEnter2_->setTitleColor(accountAccentColor());
  lbPhone_msg_->setText("已发送验证码短信到" + maskedPhoneNumber(txtPhone_->text()));
  lbPhone_msg_->setTextColor(ui::Color::gray());
  txtPhone_->setText("");
  txtPhone_->setSecureTextEntry(false);
  txtPhone_->setPlaceholder(kSMSPlaceholder);
  lbPhone_->setText("");
  ui::Rect frame = btnPhoneregist_->frame();
  frame.origin.y = kCodeRowY;
  btnPhoneregist_->setFrame(frame);
  btnPhoneregist_->setTitle(kNext);
  btnPhoneregist_->setBackgroundColor(ui::Color::gray(0.8));
  btnPhoneregist_->setEnabled(true);
  txtCodeImage_->setHidden(true);
  btnAfresh_CodeImage_->setHidden(true);
  codeImageRow_->removeFromSuperview();
  btnAfresh_->setHidden(false);
  lbAfresh_img_->setHidden(false);
  fireGetCaptchTimer();
}

void RegisterViewController::didCheckSMSCode(bool ok, const core::Value&) {
  if (!ok) {
    lbPhone_->setText(kSMSWrong);
    return;
  }
  lbPhone_->setText("");
  enterStep2();
}

void RegisterViewController::enterStep2() {
  buttonType_ = 2;
  btnEnter3_->setTitleColor(accountAccentColor());
  txtPhone_->setText("");
  txtPhone_->setSecureTextEntry(true);
  txtPhone_->setPlaceholder(kPasswordPlaceholder);
  btnAfresh_->setHidden(true);
  lbAfresh_img_->setHidden(true);
  lbPhone_msg_->setText("");
  lbPhone_msg_->setHidden(true);
  codeImage_->webView()->setHidden(true);
  btnPhoneregist_->setTitle(kRegister);
}

// ---- countdown ----

void RegisterViewController::fireGetCaptchTimer() { countdown_->start(); }

void RegisterViewController::timeMethod(int left) {
  if (left > 0) {
    btnAfresh_->setEnabled(false);
    btnAfresh_->setTitle(counting(kResendCounting, left));
    return;
  }
  btnAfresh_->setEnabled(true);
  btnAfresh_->setTitle(kResend);
  btnAfresh_->setTitleColor(accountAccentColor());
  lbAfresh_img_->setImage(ui::Image::create("verificationcode_up"));
  lbPhone_msg_->setText("");
}

void RegisterViewController::ClickAfresh() {
  // A resend counts the full time again, so the button cannot send again at once.
  fireGetCaptchTimer();
  newUser()->getApplyForVerification(hide_tel_->text());
  lbAfresh_img_->setImage(ui::Image::create("verificationcode_dowm"));
  btnAfresh_->setTitleColor(ui::Color::gray());
}

// The countdown already runs again; a refused or failed resend says why instead of ending in silence.
void RegisterViewController::didApplyForVerification(bool ok, const core::Value& json) {
  if (!ok) showAlertView(replyMessage(json));
}

// ---- registration ----

core::Value RegisterViewController::registBody() {
  core::Value body = core::Value::dictionary();
  for (const char* key : {"Address", "Birthday", "NickName", "Sex", "UserName"}) body.set(key, "");
  return body;
}

void RegisterViewController::phoneRegist() {
  core::Value body = registBody();
  body.set("Password", txtPhone_->text());
  body.set("Tel", hide_tel_->text());
  body.set("LoginCheckCode", sharedSMSCode());
  sendRegist(body);
}

void RegisterViewController::registAction() {
  const std::string email = emailField_->text();
  const std::string password = passwordField_->text();
  const std::string password2 = password2Field_->text();
  std::string refusal;
  if (email.empty()) {
    refusal = kAccountEmpty;
  } else if (!isValidateEmail(email)) {
    refusal = kEmailInvalid;
  } else if (!isUsable_) {
    refusal = kEmailNotUsable;
  } else if (password.empty() || password2.empty()) {
    refusal = kPasswordsEmpty;
  } else if (!passwordHint(password).empty()) {
    refusal = passwordHint(password);
  } else if (password != password2) {
    refusal = kPasswordsDiffer;
  }
  if (!refusal.empty()) {
    showAlertView(refusal);
    return;
  }
  core::Value body = registBody();
  body.set("Password", password);
  body.set("Email", email);
  sendRegist(body);
}

void RegisterViewController::sendRegist(const core::Value& body) {
  if (auto json = JSONRepresentation(body)) newUser()->regist(*json);
}

void RegisterViewController::didRegist(bool ok, const core::Value& json) {
  if (!ok) {
    std::string message = replyFailureText(json, kRegistFailed);
    if (message == kTaken) message = kTakenShown;
    showAlertView(message);
    return;
  }
  ui::NavigationController* nav = navigationController();
  if (registType_ == 1) {
    auto verify = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
        EmailVerifyViewController::kIdentifier);
    if (auto* screen = dynamic_cast<EmailVerifyViewController*>(verify.get())) screen->setEmail(emailField_->text());
    if (verify && nav) nav->pushViewController(verify, true);
    return;
  }
  lbPhone_->setText("");
  const auto w = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      "Vardo", kRegistered,
      [w](bool, int) {
        auto self = w.lock();
        if (!self || !self->navigationController()) return;
        auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
        if (!login) return;
        const std::string number = self->hide_tel_->text();
        login->view();  // the form, filled from the keychain, then given the new account
        if (auto* screen = dynamic_cast<AutoLoginScreen*>(login.get())) {
          screen->setUsernameFieldContent(number);
          screen->setUsernameFieldText(number);
          screen->setPwdFieldContent("");
        }
        self->navigationController()->pushViewController(login, false);
      },
      std::optional<std::string>("确定"), std::vector<std::string>{});
  alert->show();
}
