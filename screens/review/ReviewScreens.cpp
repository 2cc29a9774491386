#include "screens/review/ReviewScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/review/ErrorRedoDetailViewController.h"
#include "screens/review/ErrorRedoViewController.h"
#include "screens/review/FindTestViewController.h"
#include "screens/review/MyFavoriteViewController.h"
#include "screens/review/MyFavoritesDetailViewController.h"

namespace {

template <class Screen>
void registerOne() {
  VDViewControllerFactory::registerScreen(Screen::kIdentifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerReviewScreens() {
  registerOne<MyFavoriteViewController>();
  registerOne<MyFavoritesDetailViewController>();
  registerOne<ErrorRedoViewController>();
  registerOne<ErrorRedoDetailViewController>();
  registerOne<FindTestViewController>();
}
