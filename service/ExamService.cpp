#include "service/ExamService.h"

void ExamService::getSbjsStyle(const std::string& url) { doGetRequest(url, true); }

void ExamService::doPostGetVirtualExam(const std::string& url, const std::string& json) {
  doPostRequest(url, json, true);
}

void ExamService::doPostReplylog(const std::string& url, const std::string& json) {
  doPostRequest(url, json, false);
}
