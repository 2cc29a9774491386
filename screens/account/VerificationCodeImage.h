#pragma once
// VerificationCodeImage: the image verification code of the account screens. getGuid() asks the
// verification-code service for a new code id ("guid"); a reply whose "msg" is "true" keeps its "guid"
// for the whole process (the screens send the latest one with the typed code) and loads the code's
// picture, the page "VerificationCode/CreateVerificationCode/?guid=<id>" of the verification-code base,
// into the web view (scaled to fit). Any other reply goes to onRefused with its "msg" (the localized
// "requestFaile" text when no reply came), for the screen's alert.
//
// A screen owns its widget and puts webView() where the picture shows. Main thread only.

#include <functional>
#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/User.h"
#include "ui/Geometry.h"
#include "ui/WebView.h"

class VerificationCodeImage : public UserDelegate, public std::enable_shared_from_this<VerificationCodeImage> {
 public:
  static constexpr const char* kImagePage = "VerificationCode/CreateVerificationCode/?guid=";

  // Make with std::make_shared.
  explicit VerificationCodeImage(ui::Rect frame);

  const std::shared_ptr<ui::WebView>& webView() const { return webView_; }

  // Asks for a new code id (the reply loads its picture).
  void getGuid();
  // The id of the latest code picture, kept for the whole process ("" before the first one).
  static std::string guid();
  // The picture's address for an id on the verification-code base.
  static std::string imageURL(const std::string& guid);

  std::function<void(const std::string& message)> onRefused;

  void didgetVeritifyCodeGetGuid(bool ok, const core::Value& json) override;

 private:
  std::shared_ptr<ui::WebView> webView_;
  std::shared_ptr<User> userBll_;
};
