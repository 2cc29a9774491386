#pragma once
// ExamTestBuilder: a simulated ("virtual") exam from the server.
//
//   POST 1.0/json/exam/VirtualExam on the main API base, with the progress overlay
//   (ExamService::doPostGetVirtualExam), of the JSON text of
//     {"AppEName": the chosen subject's "Value" (BankLocation::value()),
//      "KeyWord": keywords as given, "Sbjs": the subject ids joined by "," ("%@" of each)}
//
// generateTests: no reply gives (false, Nil, nothing); a null "Body" (false, reply, nothing); any other
// reply (true, reply, the questions of its "Body", built on the global queue from a copy of the reply).
// Every request makes a new ExamService. The block runs at most once, on the main thread, and only
// while the builder is alive (a builder dropped while its set is being built gets no call).

#include <memory>

#include "exam/sets/TestBuilder.h"

class ExamService;

class ExamTestBuilder : public TestBuilder {
 public:
  // The styles and counts asked for ([{"Key": style id, "Value": count}]), sent unchanged; an empty
  // array until set.
  const core::Value& keywords() const { return keywords_; }
  void setKeywords(core::Value keywords) { keywords_ = std::move(keywords); }
  // The subject ids (an array of numbers or texts); an empty array until set.
  const core::Value& sbjs() const { return sbjs_; }
  void setSbjs(core::Value sbjs) { sbjs_ = std::move(sbjs); }
  // The service of the latest request.
  std::shared_ptr<ExamService> examService() const { return examService_; }

  void generateTests(TestsBlock block) override;

 private:
  // The request body as JSON text.
  std::string requestBody() const;

  core::Value keywords_ = core::Value::newArray();
  core::Value sbjs_ = core::Value::newArray();
  std::shared_ptr<ExamService> examService_;
};
