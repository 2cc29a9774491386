#pragma once
// MyFavoritesDetailViewController ("myFavoritesDetail"): the favourite questions of one subject, the
// paged question list with removal (PagedQuestionListViewController) over the favourites client. The
// subject list sets the bank, the subject id, its name (the title) and its number of favourites before
// the push. Each appearance first checks the network (offline: the network alert, nothing asked). A
// page is asked for as "<bank>/<subject>/20/<page>/0"; removal cancels the favourites. A failed page
// shows "nodataMessage" (a reply came) or "当前列表为空！" under the "alertTitle" text.

#include <memory>
#include <string>

#include "screens/common/FavoritesDetailScreen.h"
#include "screens/review/PagedQuestionListViewController.h"
#include "service/MyFavorite.h"

class MyFavoritesDetailViewController : public PagedQuestionListViewController,
                                        public MyFavoriteDelegate,
                                        public FavoritesDetailScreen {
 public:
  static constexpr const char* kIdentifier = FavoritesDetailScreen::kIdentifier;
  static constexpr const char* kListTitle = "我的收藏";
  static constexpr const char* kEmptyListMessage = "当前列表为空！";
  static constexpr int kTimeOrder = 0;

  std::string className() const override { return "MyFavoritesDetailViewController"; }

  const std::string& chaptName() const { return chaptName_; }
  void setChaptName(std::string name) override { chaptName_ = std::move(name); }
  // The launch properties the list sets (FavoritesDetailScreen) are those of every paged list.
  void setSoftEName(std::string name) override { PagedQuestionListViewController::setSoftEName(std::move(name)); }
  void setSbjid(std::string sbjid) override { PagedQuestionListViewController::setSbjid(std::move(sbjid)); }
  void setTestsCount(std::int64_t count) override { PagedQuestionListViewController::setTestsCount(count); }

  void didGetTests(bool ok, const core::Value& json) override { pageLoaded(ok, json); }
  void didCancelToFavIDs(bool ok, const core::Value& json) override { removalAnswered(ok, json); }

 protected:
  Texts texts() const override;
  std::string caption() const override { return chaptName_; }
  bool beginLoading() override;
  void requestPage() override;
  void requestRemoval(const std::vector<std::string>& ids) override;
  void showPageFailure(bool replyCame) override;

 private:
  std::string chaptName_;
  std::shared_ptr<MyFavorite> myFavoriteBll_;
};
