#pragma once
// SearchTest: posts a question search and hands the reply to a block given with the call (it has no
// delegate). The block gets false and null without a reply, else whether "Body" is not null, and the
// whole reply, on the main thread.
//
// Limits: a "Body" list past apiclient::kMaxListEntries fails, as in every client (ApiClientSupport.h);
// the question set a page names is bounded where it is read (TestBuilder::kMaxSessions, kMaxQuestionIds).

#include <functional>
#include <memory>
#include <string>

#include "platform/core/Value.h"

class FindTestService;

class SearchTest {
 public:
  using Block = std::function<void(bool ok, const core::Value& json)>;

  std::shared_ptr<FindTestService> findTestService() const { return findTestService_; }

  // POST 1.0/json/exam/findTest with the search JSON ("AppEName", "SbjIDs", "Word", "PageIndex",
  // "PageSize"), overlay. The block is kept until the reply; with no block nothing is called.
  void findTest(const std::string& searchJson, Block block);

 private:
  std::shared_ptr<FindTestService> findTestService_;
};
