#include "service/WrongRedoService.h"

void WrongRedoService::getSubjectInfoList(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::getListToTime(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::getListToErrorCount(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::getTestToSbjIds(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::getTestToTime(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::getTestToErrorCount(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::removeToAllTestIDs(const std::string& url) { doGetRequest(url, true); }

void WrongRedoService::getErrorTestRank(const std::string& url) { doGetRequest(url, true); }

core::Value WrongRedoService::getSubjectInfoListForSynchronous(const std::string& url) {
  return doGetSynchronousRequest(url);
}

core::Value WrongRedoService::getListToTimeForSynchronous(const std::string& url) {
  return doGetSynchronousRequest(url);
}

core::Value WrongRedoService::getListToErrorCountForSynchronous(const std::string& url) {
  return doGetSynchronousRequest(url);
}
