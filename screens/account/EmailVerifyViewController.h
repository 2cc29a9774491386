#pragma once
// EmailVerifyViewController: after a registration by e-mail ("emailVerify"), tells the user where the
// verification mail went, sends it again on request (a one-second countdown guards the resend button)
// and opens the address's web mail in the in-application browser ("emailWeb").
//
// The web mail is found from the address's domain through the mailbox table: a known provider's domain
// opens "http://mail.<domain>" (kind 1) or "http://www.<domain>" (kind 2), one provider has a fixed
// web-mail page (kind 3), and any other domain opens a search page (kind 0). Whole-domain entries match
// the domain exactly (ignoring case); three entries match a part of it; the first match in table order
// wins.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/account/CountdownTimer.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/ViewController.h"

class EmailVerifyViewController : public ui::ViewController, public UserDelegate {
 public:
  static constexpr const char* kIdentifier = "emailVerify";
  static constexpr const char* kResend = "重新发送";
  static constexpr const char* kResendCounting = "重新发送（%d）";
  // The fixed pages of the mailbox table.
  static constexpr const char* kFixedMailPage = "https://mail.google.com";
  static constexpr const char* kSearchPage = "http://www.baidu.com";

  std::string className() const override { return "EmailVerifyViewController"; }

  const std::string& email() const { return email_; }
  void setEmail(std::string email) { email_ = std::move(email); }

  // The kind of web mail of a domain (0 to 3, as above).
  static int emailType(const std::string& domain);
  // The page that opens the web mail of an address: its domain is the part after the first "@" (the
  // whole text when there is none).
  static std::string mailboxURL(const std::string& email);

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void emailVerifySubmit();  // pushes "emailWeb" with the web mail
  void reSendEmail();        // sends the mail again and counts 60 seconds down
  void timing(int secondsLeft);

  void didReSendEmail(bool ok, const core::Value& json) override;

  ui::Label* messageLabel() const { return messageLabel_.get(); }
  ui::Label* addressLabel() const { return addressLabel_.get(); }
  ui::Button* btn_emailVerify() const { return btn_emailVerify_.get(); }
  ui::Button* btn_reSendEmail() const { return btn_reSendEmail_.get(); }
  const CountdownTimer* countdown() const { return countdown_.get(); }
  int remainTime() const { return countdown_ ? countdown_->second() : CountdownTimer::kFullTime; }

 private:
  std::string email_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ui::Label> messageLabel_, addressLabel_;
  std::shared_ptr<ui::Button> btn_emailVerify_, btn_reSendEmail_;
  std::unique_ptr<CountdownTimer> countdown_;
  std::shared_ptr<User> userBll_;
};
