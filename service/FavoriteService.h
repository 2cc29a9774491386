#pragma once
// FavoriteService: the requests of the favourites. Each operation passes its URL (and JSON text) to one
// operation of AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "service/AbstractService.h"

class FavoriteService : public AbstractService {
 public:
  // Asynchronous GET.
  void getFavourList(const std::string& url);
  // Asynchronous GET.
  void getFavourInfo(const std::string& url);
  // Asynchronous GET.
  void getFavourRank(const std::string& url);
  // Asynchronous GET, no overlay.
  void getCancelToFavIDs(const std::string& url);
  // Asynchronous POST, no overlay.
  void doPostAddfavour(const std::string& url, const std::string& json);
};
