#include "screens/settings/FeedbackScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/settings/ExamInfoViewController.h"
#include "screens/settings/ExamWebSiteViewController.h"
#include "screens/settings/FeedbackViewController.h"
#include "screens/settings/InformViewController.h"
#include "screens/settings/SoftShareViewController.h"
#include "screens/settings/SoftUsinghelpContentViewController.h"

namespace {

template <class Screen>
void registerOne() {
  VDViewControllerFactory::registerScreen(Screen::kIdentifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerFeedbackScreens() {
  registerOne<FeedbackViewController>();
  registerOne<ExamWebSiteViewController>();
  registerOne<SoftUsinghelpContentViewController>();
  registerOne<ExamInfoViewController>();
  registerOne<InformViewController>();
  registerOne<SoftShareViewController>();
}
