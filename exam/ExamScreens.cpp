#include "exam/ExamScreens.h"

#include "app/VDViewControllerFactory.h"
#include "exam/ExammingViewController.h"
#include "exam/ImageBrowserViewController.h"
#include "exam/QuestionCardViewController.h"
#include "exam/TestResultViewController.h"

void registerExamScreens() {
  VDViewControllerFactory::registerScreen(ImageBrowserViewController::kIdentifier, [](const std::string&) {
    return std::make_shared<ImageBrowserViewController>();
  });
  VDViewControllerFactory::registerScreen(ExammingViewController::kIdentifier, [](const std::string&) {
    return std::make_shared<ExammingViewController>();
  });
  VDViewControllerFactory::registerScreen(QuestionCardViewController::kIdentifier, [](const std::string&) {
    return std::make_shared<QuestionCardViewController>();
  });
  VDViewControllerFactory::registerScreen(TestResultViewController::kIdentifier, [](const std::string&) {
    return std::make_shared<TestResultViewController>();
  });
}
