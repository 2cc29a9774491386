#include "service/FavoriteService.h"

void FavoriteService::getFavourList(const std::string& url) { doGetRequest(url, true); }

void FavoriteService::getFavourInfo(const std::string& url) { doGetRequest(url, true); }

void FavoriteService::getFavourRank(const std::string& url) { doGetRequest(url, true); }

void FavoriteService::getCancelToFavIDs(const std::string& url) { doGetRequest(url, false); }

void FavoriteService::doPostAddfavour(const std::string& url, const std::string& json) {
  doPostRequest(url, json, false);
}
