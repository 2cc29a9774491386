#include "screens/review/MyFavoritesDetailViewController.h"

#include "app/AppShell.h"
#include "app/VDHelper.h"
#include "screens/common/QuestionListPaging.h"

PagedQuestionListViewController::Texts MyFavoritesDetailViewController::texts() const {
  return {kListTitle,           "已经是最后一页了",         kListTitle, "移除收藏",
          "favoriteDetailCell", FunctionModule::Favourites, kListTitle};
}

bool MyFavoritesDetailViewController::beginLoading() {
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    app->networkAlert(localized("alertNetwork"));
    return false;
  }
  return true;
}

void MyFavoritesDetailViewController::requestPage() {
  myFavoriteBll_ = std::make_shared<MyFavorite>();
  myFavoriteBll_->delegate = weakAs<MyFavoriteDelegate>();
  myFavoriteBll_->getFavourInfo(softEName() + "/" + sbjid() + "/" +
                                std::to_string(QuestionListPaging::kPageSize) + "/" +
                                std::to_string(pageIndex()) + "/" + std::to_string(kTimeOrder));
}

void MyFavoritesDetailViewController::requestRemoval(const std::vector<std::string>& ids) {
  core::Value list = core::Value::newArray();
  for (const std::string& id : ids) list.push_back(id);
  myFavoriteBll_ = std::make_shared<MyFavorite>();
  myFavoriteBll_->delegate = weakAs<MyFavoriteDelegate>();
  myFavoriteBll_->cancelToFavIDs(softEName(), list);
}

void MyFavoritesDetailViewController::showPageFailure(bool replyCame) {
  showAlert(localized("alertTitle"), replyCame ? localized("nodataMessage") : kEmptyListMessage,
            QuestionListPaging::kOKButton);
}
