#pragma once
// StatsWorker: the upload of one job. It runs on the component's send queue (one upload at a time) and
// posts the form text to the statistics service's primary host, then, only when that was not confirmed,
// to its fallback host; afterwards the job is emptied and the next one may start, whatever the outcome.
//
// One post: the ASCII form text "content=<URL-encoded JSON>" compressed as a zlib stream, sent
// synchronously to "http://<host>/app_logs" with the fields "Content-Type:
// application/x-www-form-urlencoded", "X-Stats-Sdk" and "Content-encoding: deflate". Only the exact reply
// text {"success": "ok"} confirms it: the job's records then leave memory (UsageStatsInternal::markJobDone).
// Anything else (no answer, another text) leaves them for a later job; under policy 2 they leave memory
// anyway, since the job file written at the session's end already holds them.

#include <memory>
#include <string>

class UsageStatsInternal;

class StatsWorker {
 public:
  explicit StatsWorker(std::shared_ptr<UsageStatsInternal> internal);

  std::string json;  // the form text to post

  // postData() when there is something to post.
  void main();
  void postData();
  // One post to "http://" + host + "/app_logs"; true when the service confirmed it.
  bool postDataToServer(const std::string& address);

 private:
  std::shared_ptr<UsageStatsInternal> internal_;
};
