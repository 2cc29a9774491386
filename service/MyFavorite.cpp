#include "service/MyFavorite.h"

#include "platform/core/Bundle.h"
#include "service/ApiClientSupport.h"
#include "service/FavoriteService.h"
#include "service/ServerConfig.h"

namespace {

using apiclient::reporting;

// An added favourite (also one that was there already) is answered with "Body" false.
bool bodyIsFalse(const core::Value& reply) {
  core::Value body = reply["Body"];
  return !body.isNilOrNull() && !body.toBool(false);
}

// A page of favourites: a null "Body" is no page at all (false and null); else it needs its "Name".
AbstractService::FinishedBlock pageOfTests(std::shared_ptr<MyFavorite> client) {
  return apiclient::holding<MyFavorite>(std::move(client), [](MyFavorite& self, const core::Value& reply) {
    std::shared_ptr<MyFavoriteDelegate> delegate = self.delegate.lock();
    if (!delegate) return;
    if (reply.isNil() || reply["Body"].isNull()) {
      delegate->didGetTests(false, core::Value());
      return;
    }
    delegate->didGetTests(apiclient::bodyHasName(reply), reply);
  });
}

}  // namespace

std::shared_ptr<FavoriteService> MyFavorite::newService() {
  favoriteService_ = std::make_shared<FavoriteService>();
  return favoriteService_;
}

void MyFavorite::favourInfo(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &MyFavoriteDelegate::didFavourInfo));
  service->getFavourList(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/favour/FavourInfo/%@", {bank})));
}

void MyFavorite::getFavourInfo(const std::string& joined) {
  auto service = newService();
  service->setFinishedBlock(pageOfTests(weak_from_this().lock()));
  service->getFavourInfo(
      ServerConfig::current().mainURL("1.0/json/favour/gettest/" + apiclient::joinedSegments(joined)));
}

void MyFavorite::gettests(const std::string& bank, const std::string& sbjid, const std::string& pageSize,
                          const std::string& pageIndex, const std::string& timeOrder) {
  auto service = newService();
  service->setFinishedBlock(pageOfTests(weak_from_this().lock()));
  service->getFavourInfo(ServerConfig::current().mainURL(apiclient::path(
      "1.0/json/favour/gettest/%@/%@/%@/%@/%@", {bank, sbjid, pageSize, pageIndex, timeOrder})));
}

void MyFavorite::cancelToFavIDs(const std::string& bank, const core::Value& favIds) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyTrue, &MyFavoriteDelegate::didCancelToFavIDs));
  service->getCancelToFavIDs(ServerConfig::current().mainURL(
      apiclient::path("1.0/json/favour/CancelToFavIDs/%@/%@", {bank, apiclient::uniqueIdList(favIds)})));
}

void MyFavorite::addfavour(const std::string& json) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), bodyIsFalse, &MyFavoriteDelegate::didAddfavour));
  service->doPostAddfavour(ServerConfig::current().mainURL("1.0/json/favour/addfavour"), json);
}

void MyFavorite::favourRank(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      apiclient::holding<MyFavorite>(weak_from_this().lock(), [](MyFavorite& self, const core::Value& reply) {
        std::shared_ptr<MyFavoriteDelegate> delegate = self.delegate.lock();
        if (!delegate) return;
        if (reply.isNil()) {
          delegate->didFavourRank(false, core::Value());
          return;
        }
        if (reply["Body"].isNull()) {
          core::Value(reply).set("Message", core::Bundle::main().localizedString("nodataMessage"));
          delegate->didFavourRank(true, reply);
          return;
        }
        delegate->didFavourRank(apiclient::bodyHasName(reply), reply);
      }));
  service->getFavourRank(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/favour/GetFavourRank/%@", {bank})));
}
