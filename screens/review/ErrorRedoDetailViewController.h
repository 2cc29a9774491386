#pragma once
// ErrorRedoDetailViewController ("errorRedoDetail"): the wrong answers of one row of a grouping of
// the wrong-answer book, the paged question list with removal (PagedQuestionListViewController) over
// the wrong-answer client. The overview sets the grouping (redoCategory), the bank, the row's title
// (subject1: the navigation title and the title of the failure alerts), its id (sbjid: a subject id,
// or the age or frequency class number) and its count before the push.
//
// The page request follows the grouping (getTestSelector): "按科目显示" TestToSbjIds, "遗忘曲线"
// TestToTime, "出错频率" TestToErrorCount, each with the bank, "20", the page and the id; any other
// grouping asks for nothing. A failed page disables browsing and shows "nodataMessage" (a reply came)
// or "requestFaile" under subject1.

#include <memory>
#include <string>

#include "screens/review/PagedQuestionListViewController.h"
#include "service/WrongRedo.h"

class ErrorRedoDetailViewController : public PagedQuestionListViewController, public WrongRedoDelegate {
 public:
  static constexpr const char* kIdentifier = "errorRedoDetail";
  static constexpr const char* kListTitle = "错题重做";

  std::string className() const override { return "ErrorRedoDetailViewController"; }

  const std::string& redoCategory() const { return redoCategory_; }
  void setRedoCategory(std::string category) { redoCategory_ = std::move(category); }
  const std::string& subject1() const { return subject1_; }
  void setSubject1(std::string subject) { subject1_ = std::move(subject); }

  // Sends the page request of the grouping; false when the grouping is none of the three.
  bool getTestSelector();

  void didGetTests(bool ok, const core::Value& json) override { pageLoaded(ok, json); }
  void didRemoveToAllTestIDs(bool ok, const core::Value& json) override { removalAnswered(ok, json); }

 protected:
  Texts texts() const override;
  std::string caption() const override { return subject1_; }
  bool beginLoading() override;
  void requestPage() override { getTestSelector(); }
  void requestRemoval(const std::vector<std::string>& ids) override;
  void showPageFailure(bool replyCame) override;

 private:
  std::string redoCategory_;
  std::string subject1_;
  std::shared_ptr<WrongRedo> wrongRedoBll_;
};
