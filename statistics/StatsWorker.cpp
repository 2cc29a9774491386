#include "statistics/StatsWorker.h"

#include <utility>

#include "platform/core/URL.h"
#include "platform/net/HTTPMessage.h"
#include "platform/net/URLConnection.h"
#include "statistics/StatsLog.h"
#include "statistics/StatsUtil.h"
#include "statistics/UsageStatsInternal.h"

StatsWorker::StatsWorker(std::shared_ptr<UsageStatsInternal> internal) : internal_(std::move(internal)) {}

void StatsWorker::main() {
  if (!json.empty()) postData();
}

void StatsWorker::postData() {
  const StatsHosts hosts = internal_->hosts();
  const std::string path = UsageStatsInternal::kUploadPath;
  if (!postDataToServer("http://" + hosts.logPrimary + path))
    postDataToServer("http://" + hosts.logFallback + path);
  internal_->finishJob();
}

bool StatsWorker::postDataToServer(const std::string& address) {
  bool confirmed = false;
  const auto body = StatsUtil::deflatedData(core::Bytes(json.begin(), json.end()));
  const auto url = core::URL::parse(address);
  auto request = url && body ? net::HTTPMessage::createRequest("POST", *url) : nullptr;
  if (request) {
    request->setHeaderFieldValue("Content-Type", "application/x-www-form-urlencoded");
    request->setHeaderFieldValue("X-Stats-Sdk", internal_->statsSdkHeader());
    request->setHeaderFieldValue("Content-encoding", "deflate");
    request->setBody(std::string(body->begin(), body->end()));
    const net::URLResponse response = net::URLConnection::sendSynchronousRequest(request);
    if (!response.error) {
      StatsLog::log("(Response Applog) " + response.data);
      confirmed = response.data == UsageStatsInternal::kSuccessReply;
    } else {
      StatsLog::log("(Error   Applog) " + response.error->description);
    }
  } else {
    StatsLog::log("(Error   Applog) cannot post to " + address);
  }
  if (confirmed) {
    internal_->markJobDone();
    return true;
  }
  if (internal_->policy() == 2) internal_->removeInstanceDataInJobData();
  return false;
}
