#include "service/ExerciseService.h"

void ExerciseService::getChapter(const std::string& url) { doGetRequest(url, true); }

void ExerciseService::getTestInfo(const std::string& url) { doGetRequest(url, true); }

void ExerciseService::getTestInfoContent(const std::string& url) { doGetRequest(url, true); }

void ExerciseService::getNavigation(const std::string& url) { doGetRequest(url, true); }
