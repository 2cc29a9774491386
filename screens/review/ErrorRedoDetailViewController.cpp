#include "screens/review/ErrorRedoDetailViewController.h"

#include "screens/common/QuestionListPaging.h"
#include "screens/common/WrongAnswerGrouping.h"

PagedQuestionListViewController::Texts ErrorRedoDetailViewController::texts() const {
  return {kListTitle,       "已经是最后一页了",        "快速翻页", "移除错题",
          "errorTestsCell", FunctionModule::WrongRedo, kListTitle};
}

bool ErrorRedoDetailViewController::beginLoading() {
  setTitle(subject1_);
  return true;
}

bool ErrorRedoDetailViewController::getTestSelector() {
  const std::string size = std::to_string(QuestionListPaging::kPageSize);
  const std::string page = std::to_string(pageIndex());
  auto client = std::make_shared<WrongRedo>();
  client->delegate = weakAs<WrongRedoDelegate>();
  if (redoCategory_ == WrongAnswerGrouping::kBySubject) {
    client->testToSbjIds(softEName(), size, page, sbjid());
  } else if (redoCategory_ == WrongAnswerGrouping::kByTime) {
    client->testToTime(softEName(), size, page, sbjid());
  } else if (redoCategory_ == WrongAnswerGrouping::kByNumber) {
    client->testToErrorCount(softEName(), size, page, sbjid());
  } else {
    return false;
  }
  wrongRedoBll_ = client;
  return true;
}

void ErrorRedoDetailViewController::requestRemoval(const std::vector<std::string>& ids) {
  core::Value list = core::Value::newArray();
  for (const std::string& id : ids) list.push_back(id);
  wrongRedoBll_ = std::make_shared<WrongRedo>();
  wrongRedoBll_->delegate = weakAs<WrongRedoDelegate>();
  wrongRedoBll_->removeToAllTestIDs(softEName(), list);
}

void ErrorRedoDetailViewController::showPageFailure(bool replyCame) {
  disableBrowsing();
  showAlert(subject1_, localized(replyCame ? "nodataMessage" : "requestFaile"),
            QuestionListPaging::kOKButton);
}
