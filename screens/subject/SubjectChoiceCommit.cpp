#include "screens/subject/SubjectChoiceCommit.h"

#include "app/Session.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "ui/AlertView.h"

bool SubjectChoiceCommit::commitSearchHit(const core::Value& hit) {
  core::Value product = core::Dictionary{{"Value", hit["Value"]}, {"Key", hit["Key"]}};
  if (!VDHelper::isUsableQuoteProduct(product)) {
    refuse();
    return false;
  }
  if (Session* session = Session::current()) session->setEntry("saveAppName", hit);
  VDHelper::saveQuoteName(core::Dictionary{{"Key", hit["QuoteEName"]}, {"Value", hit["QuoteName"]}});
  VDHelper::saveQuoteProduct(product);
  VDNetworkHelper::getAppInfo(product["Value"].str());
  VDHelper::showMainVC();
  return true;
}

bool SubjectChoiceCommit::commitSubject(const core::Value& quoteName, const core::Value& subject) {
  if (!VDHelper::isUsableQuoteProduct(subject)) {
    refuse();
    return false;
  }
  VDNetworkHelper::getAppInfo(subject["Value"].str());
  VDHelper::saveQuoteName(quoteName);
  VDHelper::saveQuoteProduct(subject);
  VDHelper::showMainVC();
  return true;
}

void SubjectChoiceCommit::refuse() {
  auto alert = std::make_shared<ui::AlertView>("", kBadChoiceMessage, std::weak_ptr<ui::AlertViewDelegate>(),
                                               std::string("确定"));
  alert->show();
}
