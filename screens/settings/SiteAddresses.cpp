#include "screens/settings/SiteAddresses.h"

#include "platform/core/Bundle.h"
#include "service/ServerConfig.h"

namespace {

std::string configured(const char* key, std::string fallback) {
  const core::Value value = core::Bundle::main().objectForInfoDictionaryKey(key);
  if (value.isString() && !value.toString().empty()) return value.toString();
  return fallback;
}

}  // namespace

std::string SiteAddresses::mobileSite() {
  return configured(kMobileSiteKey, ServerConfig::current().resourceRoot + "/m/");
}

std::string SiteAddresses::newsSite() { return configured(kNewsSiteKey, "http://news.vardo.example.org/"); }

std::string SiteAddresses::makerSite() { return configured(kMakerSiteKey, "http://www.vardo.example.org/"); }

std::string SiteAddresses::downloadPage() {
  return configured(kDownloadPageKey, "http://www.vardo.example.org/download");
}

std::string SiteAddresses::sinaShareHost() { return configured(kSinaShareHostKey, "v.t.sina.com.cn"); }

std::string SiteAddresses::tencentShareHost() { return configured(kTencentShareHostKey, "share.v.t.qq.com"); }

std::string SiteAddresses::serviceHotline() { return configured(kServiceHotlineKey, "400-000-0000"); }

std::string SiteAddresses::mailRecipient() { return "service@vardo.example.org"; }

std::vector<std::string> SiteAddresses::mailCopies() {
  return {"support@vardo.example.org", "feedback@vardo.example.org"};
}

std::string SiteAddresses::mailExamEdition() { return "常识综合"; }
