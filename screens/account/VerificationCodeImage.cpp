#include "screens/account/VerificationCodeImage.h"

#include "platform/core/Bundle.h"
#include "platform/core/URL.h"
#include "screens/account/AccountShared.h"
#include "service/ServerConfig.h"

namespace {

std::string& sharedGuid() {
  static std::string guid;
  return guid;
}

}  // namespace

VerificationCodeImage::VerificationCodeImage(ui::Rect frame) : webView_(std::make_shared<ui::WebView>(frame)) {
  webView_->setScalesPageToFit(true);
}

std::string VerificationCodeImage::guid() { return sharedGuid(); }

std::string VerificationCodeImage::imageURL(const std::string& guid) {
  return ServerConfig::current().verificationCodeURL(kImagePage + core::escapeComponent(guid));
}

void VerificationCodeImage::getGuid() {
  userBll_ = std::make_shared<User>();
  userBll_->delegate = std::static_pointer_cast<UserDelegate>(shared_from_this());
  userBll_->getVeritifyCodeGetGuid();
}

void VerificationCodeImage::didgetVeritifyCodeGetGuid(bool, const core::Value& json) {
  auto keep = shared_from_this();
  if (json.isNil()) {
    if (onRefused) onRefused(core::Bundle::main().localizedString("requestFaile"));
    return;
  }
  if (json["msg"].toString() == "true" && !json["guid"].toString().empty()) {
    sharedGuid() = json["guid"].toString();
    webView_->loadRequest(imageURL(sharedGuid()));
    return;
  }
  if (onRefused) onRefused(verificationMessage(json));
}
