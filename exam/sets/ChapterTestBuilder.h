#pragma once
// ChapterTestBuilder: the question set of one chapter from the server.
//
//   GET 1.0/json/exam/<softname>/Chapter/Test/<chapterid> on the main API base, with the progress
//   overlay (ExerciseService::getChapter).
//
// generateTests: no reply gives (false, Nil, nothing); a reply gives (its "Body" is not the JSON null,
// the reply, the questions of its "Body"), so a null "Body" gives false and no questions, and a set
// whose ids the local bank lacks gives true and an empty array. chapterTests: the same request; (false,
// Nil) without a reply, else ("Body" is not null, the reply); nothing is built.
//
// The questions are built on the global queue (the reply deep-copied), so the main thread never reads
// the bank. Every request makes a new ExerciseService, kept until the next one. Each block runs at most
// once, on the main thread, and only while the builder is alive (a builder dropped while its set is
// being built gets no call).

#include <memory>
#include <string>

#include "exam/sets/TestBuilder.h"

class ExerciseService;

class ChapterTestBuilder : public TestBuilder {
 public:
  // The question bank's short name (the chosen subject's "Value") and the chapter's id.
  const std::string& softname() const { return softname_; }
  void setSoftname(std::string softname) { softname_ = std::move(softname); }
  const std::string& chapterid() const { return chapterid_; }
  void setChapterid(std::string chapterid) { chapterid_ = std::move(chapterid); }
  // The service of the latest request.
  std::shared_ptr<ExerciseService> exerciseService() const { return exerciseService_; }

  void generateTests(TestsBlock block) override;
  void chapterTests(ReplyBlock block) override;

 private:
  void sendRequest(std::function<void(ChapterTestBuilder&, const core::Value& reply)> done);

  std::string softname_;
  std::string chapterid_;
  std::shared_ptr<ExerciseService> exerciseService_;
};
