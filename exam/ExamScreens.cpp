#include "exam/ExamScreens.h"

#include "app/VDViewControllerFactory.h"
#include "exam/ImageBrowserViewController.h"

void registerExamScreens() {
  VDViewControllerFactory::registerScreen(ImageBrowserViewController::kIdentifier, [](const std::string&) {
    return std::make_shared<ImageBrowserViewController>();
  });
}
