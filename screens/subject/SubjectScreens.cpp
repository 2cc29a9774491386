#include "screens/subject/SubjectScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/subject/SelectProvinceViewController.h"
#include "screens/subject/SelectSeriesViewController.h"
#include "screens/subject/SelectSortViewController.h"
#include "screens/subject/SelectSubjectViewController.h"

namespace {

template <class Screen>
void registerOne() {
  VDViewControllerFactory::registerScreen(Screen::kIdentifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerSubjectScreens() {
  registerOne<SelectSortViewController>();
  registerOne<SelectSeriesViewController>();
  registerOne<SelectProvinceViewController>();
  registerOne<SelectSubjectViewController>();
}
