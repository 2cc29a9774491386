#pragma once
// QuestionListPaging: the page arithmetic and texts the paged question lists share (favourites,
// wrong answers, find test). Pages hold kPageSize questions and are counted from 1.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exam/sets/QuestionListRow.h"
#include "model/Questions.h"
#include "platform/core/Value.h"

class QuestionListPaging {
 public:
  static constexpr int kPageSize = 20;

  // The number of pages for a total: the total divided by 20, rounded up; 0 for none (or a negative
  // total); at most INT_MAX, however large the total.
  static int pageCountFor(std::int64_t total);
  // `page` within 1..pageCount; 1 when there are no pages.
  static int clampPage(int page, int pageCount);

  // What the page jump makes of the typed text, read as a whole number the lenient way ("12abc" is
  // 12, "abc" and "" are 0).
  enum class Jump { SamePage, OtherPage, OutOfRange };
  struct JumpResult {
    Jump outcome;
    int page;  // the number read
  };
  static JumpResult jump(const std::string& typed, int currentPage, int pageCount);

  // A page as a list shows it: the questions a page reply's "Body" names, read from the local bank
  // (TestBuilder::changeJSonToTestArrayByDB, whose limits hold), and one row per question in the same
  // order (CreateTestsList::analysisListItem). Nothing when the set gives no question. It reads the bank:
  // the lists call it on a worker through rl::postTaskAndReply, with a deep copy of the body.
  struct Page {
    QuestionsArray questions;
    std::vector<QuestionListRow> rows;
  };
  static std::optional<Page> buildPage(const core::Value& body);
  // Whether `body` can name questions at all: a dictionary whose "Sessions" is an array within
  // TestBuilder::kMaxSessions. A body that cannot is refused on the spot, without copying it for a worker.
  static bool mayHoldQuestions(const core::Value& body);

  // "2/3页"
  static std::string pageButtonTitle(int pageIndex, int pageCount);
  // "请输入1~3之间的数字！"
  static std::string rangeMessage(int pageCount);

  // The texts of the paging alerts.
  static constexpr const char* kJumpMessage = "请输入您要跳转的页码：";
  static constexpr const char* kJumpButton = "跳转";
  static constexpr const char* kCancelButton = "取消";
  static constexpr const char* kSamePageTitle = "跳转";
  static constexpr const char* kSamePageMessage = "已经跳转到本页！";
  static constexpr const char* kFirstPageMessage = "已经是第一页了！";
  static constexpr const char* kOKButton = "OK";
};
