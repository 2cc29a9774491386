#pragma once
// SiteAddresses: the outside addresses and fixed contacts of the feedback, information and share
// screens. Each is the main bundle's info-dictionary value under its key when that is a non-empty text,
// else the default given here. The mobile web site defaults to "m/" under the server root of the
// server configuration (service/ServerConfig.h), where the loopback server serves its pages.

#include <string>
#include <vector>

class SiteAddresses {
 public:
  static constexpr const char* kMobileSiteKey = "VDMobileSiteURL";        // ends in "/"
  static constexpr const char* kNewsSiteKey = "VDNewsSiteURL";            // the product's news site
  static constexpr const char* kMakerSiteKey = "VDMakerSiteURL";          // the maker's site
  static constexpr const char* kDownloadPageKey = "VDDownloadPageURL";    // the product's download page
  static constexpr const char* kSinaShareHostKey = "VDSinaShareHost";
  static constexpr const char* kTencentShareHostKey = "VDTencentShareHost";
  static constexpr const char* kServiceHotlineKey = "VDServiceHotline";

  static std::string mobileSite();
  static std::string newsSite();
  static std::string makerSite();
  static std::string downloadPage();
  static std::string sinaShareHost();
  static std::string tencentShareHost();
  static std::string serviceHotline();

  // The recommendation mail sent through the mail application: its recipient, its two copies and the
  // exam edition its text names.
  static std::string mailRecipient();
  static std::vector<std::string> mailCopies();
  static std::string mailExamEdition();
};
