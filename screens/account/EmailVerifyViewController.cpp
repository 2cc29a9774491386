#include "screens/account/EmailVerifyViewController.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "screens/account/AccountShared.h"
#include "screens/account/EmailWebViewController.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"

namespace {

// The mailbox table: 21 mail domains and the kind of web mail each has (see the header). Whole-domain
// entries first, then the three that match a part of the domain.
struct Mailbox {
  const char* domain;
  int kind;
  bool wholeDomain;
};
constexpr Mailbox kMailboxes[] = {
    {"qq.com", 1, true},       {"163.com", 1, true},     {"126.com", 1, true},    {"yeah.net", 1, true},
    {"sina.com", 1, true},     {"sina.cn", 1, true},     {"sohu.com", 1, true},   {"139.com", 1, true},
    {"189.cn", 1, true},       {"21cn.com", 1, true},    {"tom.com", 1, true},    {"aliyun.com", 1, true},
    {"188.com", 1, true},      {"263.net", 1, true},     {"wo.cn", 1, true},      {"hotmail.com", 2, true},
    {"outlook.com", 2, true},  {"gmail.com", 3, true},   {"yahoo", 1, false},     {"vip.sina", 1, false},
    {"foxmail", 1, false},
};

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

int EmailVerifyViewController::emailType(const std::string& domain) {
  const std::string d = lowered(domain);
  for (const Mailbox& m : kMailboxes) {
    if (m.wholeDomain ? d == m.domain : d.find(m.domain) != std::string::npos) return m.kind;
  }
  return 0;
}

std::string EmailVerifyViewController::mailboxURL(const std::string& email) {
  const std::size_t at = email.find('@');
  const std::string domain = at == std::string::npos ? email : email.substr(at + 1);
  switch (emailType(domain)) {
    case 1:
      return "http://mail." + domain;
    case 2:
      return "http://www." + domain;
    case 3:
      return kFixedMailPage;
    default:
      return kSearchPage;
  }
}

void EmailVerifyViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  imageView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 320, 220));
  imageView_->setImage(ui::Image::create("email_verify_bg"));
  root->addSubview(imageView_);

  const auto w = ui::weakScreen(*this);
  auto button = [&](double y, const std::string& title, void (EmailVerifyViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(ui::Rect(20, y, 280, 40));
    b->setTitle(title);
    b->setTitleColor(ui::Color::white());
    b->setBackgroundColor(accountAccentColor());
    b->addTarget(ui::ControlEvent::TouchUpInside, [w, action](ui::Control&) {
      if (auto self = w.lock()) ((*self).*action)();
    });
    root->addSubview(b);
    return b;
  };
  btn_emailVerify_ = button(240, "登录邮箱验证", &EmailVerifyViewController::emailVerifySubmit);
  btn_reSendEmail_ = button(295, kResend, &EmailVerifyViewController::reSendEmail);
  btn_reSendEmail_->setBackgroundColor(ui::Color::gray(0.6));
  setView(root);
}

void EmailVerifyViewController::viewDidLoad() {
  setTitle("验证");
  const auto w = ui::weakScreen(*this);
  countdown_ = std::make_unique<CountdownTimer>([w](int left) {
    if (auto self = w.lock()) self->timing(left);
  });
  // The texts over the picture: the whole sentence, and the address again in red laid over its place.
  const ui::Point origin = imageView_->frame().origin;
  const ui::Rect at(origin.x + 30, origin.y + 40, 0, 0);
  messageLabel_ = std::make_shared<ui::Label>(at);
  VDHelper::setLabel(*messageLabel_,
                     "我们发送了一封验证邮件到" + email_ + ",请到您的邮箱收信，并点击其中的链接验证您的邮箱。",
                     18, 220);
  view().addSubview(messageLabel_);
  addressLabel_ = std::make_shared<ui::Label>(at);
  VDHelper::setLabel(*addressLabel_, std::string(20, ' ') + email_, 18, 220);
  addressLabel_->setTextColor(ui::Color::rgb255(230, 30, 30));
  view().addSubview(addressLabel_);
}

void EmailVerifyViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void EmailVerifyViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void EmailVerifyViewController::emailVerifySubmit() {
  auto web = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      EmailWebViewController::kIdentifier);
  auto* browser = dynamic_cast<EmailWebViewController*>(web.get());
  if (!browser || !navigationController()) return;
  browser->setEmailUrl(mailboxURL(email_));
  navigationController()->pushViewController(web, true);
}

void EmailVerifyViewController::reSendEmail() {
  core::Value body = core::Value::dictionary();
  body.set("Email", email_);
  const auto json = JSONRepresentation(body);
  if (!json) return;
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->reSendEmail(*json);
  countdown_->start();
}

void EmailVerifyViewController::timing(int left) {
  if (left > 0) {
    char title[64];
    std::snprintf(title, sizeof title, kResendCounting, left);
    btn_reSendEmail_->setEnabled(false);
    btn_reSendEmail_->setTitle(title, ui::kControlStateDisabled);
    return;
  }
  btn_reSendEmail_->setEnabled(true);
  btn_reSendEmail_->setTitle(kResend, ui::kControlStateNormal);
}

void EmailVerifyViewController::didReSendEmail(bool ok, const core::Value& json) {
  // A reply without a text says nothing on success and "requestFaile" on failure: never an empty toast.
  const core::Value text = json.isDictionary() ? json["Message"] : core::Value();
  if (text.isString() && !text.str().empty()) {
    VDNetworkHelper::hudPrompt(ReplyCheck::shortened(text.str()));
  } else if (!ok) {
    VDNetworkHelper::hudPrompt(replyMessage(json));
  }
}
