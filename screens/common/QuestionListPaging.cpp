#include "screens/common/QuestionListPaging.h"

#include <algorithm>

#include "exam/sets/CreateTestsList.h"
#include "exam/sets/TestBuilder.h"
#include "platform/core/Saturating.h"
#include "platform/core/Text.h"

int QuestionListPaging::pageCountFor(std::int64_t total) {
  if (total <= 0) return 0;
  // A total from the server may be any count: the pages stop at the largest int.
  return core::satInt(total / kPageSize + (total % kPageSize ? 1 : 0));
}

int QuestionListPaging::clampPage(int page, int pageCount) {
  return std::clamp(page, 1, std::max(1, pageCount));
}

QuestionListPaging::JumpResult QuestionListPaging::jump(const std::string& typed, int currentPage,
                                                        int pageCount) {
  const int n = core::intValue(typed);
  if (n < 1 || n > pageCount) return {Jump::OutOfRange, n};
  return {n == currentPage ? Jump::SamePage : Jump::OtherPage, n};
}

std::string QuestionListPaging::pageButtonTitle(int pageIndex, int pageCount) {
  return std::to_string(pageIndex) + "/" + std::to_string(pageCount) + "页";
}

std::string QuestionListPaging::rangeMessage(int pageCount) {
  return "请输入1~" + std::to_string(pageCount) + "之间的数字！";
}

std::optional<QuestionListPaging::Page> QuestionListPaging::buildPage(const core::Value& body) {
  std::optional<QuestionsArray> questions = TestBuilder::changeJSonToTestArrayByDB(body);
  if (!questions || questions->empty()) return std::nullopt;
  Page page;
  page.rows.reserve(questions->size());
  for (const auto& q : *questions) page.rows.push_back(CreateTestsList::analysisListItem(*q));
  page.questions = std::move(*questions);
  return page;
}

bool QuestionListPaging::mayHoldQuestions(const core::Value& body) {
  if (!body.isDictionary()) return false;
  const core::Value sessions = body["Sessions"];
  return sessions.isArray() && sessions.size() <= TestBuilder::kMaxSessions;
}
