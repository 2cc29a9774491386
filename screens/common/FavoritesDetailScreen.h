#pragma once
// FavoritesDetailScreen: what the subject list of the favourites sets on the favourite questions of one
// subject ("myFavoritesDetail") before pushing it. The favourites screen implements it; the list finds
// it with a dynamic cast of the screen the factory makes.

#include <cstdint>
#include <string>

class FavoritesDetailScreen {
 public:
  static constexpr const char* kIdentifier = "myFavoritesDetail";

  virtual ~FavoritesDetailScreen() = default;
  virtual void setSoftEName(std::string name) = 0;  // the bank
  virtual void setChaptName(std::string name) = 0;  // the subject's name (the title)
  virtual void setSbjid(std::string sbjid) = 0;     // the subject's id
  virtual void setTestsCount(std::int64_t count) = 0;
};
