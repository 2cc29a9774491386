#pragma once
// MyFavorite: the API client of the user's favourite questions: counts per subject, pages of
// favourites, adding and removing favourites, and the favourites ranking. Each call makes one
// FavoriteService (kept in favoriteService()) and reports once to the weak delegate on the main thread:
// false and null without a reply, else the operation's flag and the whole reply.
//
// Limits: a "Body" list past apiclient::kMaxListEntries fails (ApiClientSupport.h); a page names its
// questions as a set, bounded where it is read (TestBuilder::kMaxSessions, kMaxQuestionIds).
//
// Make clients with std::make_shared: a call holds its client until the reply has been delivered.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class FavoriteService;

// Callbacks of the favourites. Every method is optional: the defaults do nothing.
struct MyFavoriteDelegate {
  virtual ~MyFavoriteDelegate() = default;
  virtual void didFavourInfo(bool ok, const core::Value& json) {}
  virtual void didGetTests(bool ok, const core::Value& json) {}
  virtual void didCancelToFavIDs(bool ok, const core::Value& json) {}
  virtual void didAddfavour(bool ok, const core::Value& json) {}
  virtual void didFavourRank(bool ok, const core::Value& json) {}
};

class MyFavorite : public std::enable_shared_from_this<MyFavorite> {
 public:
  std::weak_ptr<MyFavoriteDelegate> delegate;

  std::shared_ptr<FavoriteService> favoriteService() const { return favoriteService_; }

  // GET 1.0/json/favour/FavourInfo/<bank>, overlay, body-non-empty.
  void favourInfo(const std::string& bankShortName);
  // GET 1.0/json/favour/gettest/<bank>/<subject id>/<page size>/<page index>/<time order>, overlay,
  // didGetTests. The argument is those five texts joined by "/". Without a reply, or with a null
  // "Body", the callback gets false and null; otherwise whether the "Body" object has a "Name".
  void getFavourInfo(const std::string& joinedArguments);
  // The same with the five texts given one by one.
  void gettests(const std::string& bankShortName, const std::string& sbjid, const std::string& pageSize,
                const std::string& pageIndex, const std::string& timeOrder);
  // GET 1.0/json/favour/CancelToFavIDs/<bank>/<ids>, no overlay, body-true. The ids (numbers or texts,
  // an array) go without repeats, joined by ",".
  void cancelToFavIDs(const std::string& bankShortName, const core::Value& favIds);
  // POST 1.0/json/favour/addfavour, no overlay. The server answers "Body" false for an added favourite:
  // true when "Body" is there and reads as false.
  void addfavour(const std::string& favouriteJson);
  // GET 1.0/json/favour/GetFavourRank/<bank>, overlay. A null "Body" succeeds, with the reply's
  // "Message" replaced by the localized "nodataMessage"; otherwise whether the "Body" has a "Name".
  void favourRank(const std::string& bankShortName);

 private:
  std::shared_ptr<FavoriteService> newService();
  std::shared_ptr<FavoriteService> favoriteService_;
};
