// Every identifier of the screen catalogue, registered as the executable registers them, makes a real
// screen: none is left to the placeholder that says "此页面尚在建设中".

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PlaceholderViewController.h"
#include "app/VDViewControllerFactory.h"
#include "screens/AllScreens.h"

namespace {

TEST(ScreenCatalogue, EveryIdentifierMakesARealScreen) {
  registerEveryScreen();
  const std::vector<std::string>& ids = allScreenIdentifiers();
  ASSERT_FALSE(ids.empty());
  std::vector<std::string> placeholders;
  for (const std::string& id : ids) {
    SCOPED_TRACE(id);
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(id);
    ASSERT_NE(screen, nullptr);
    if (dynamic_cast<PlaceholderViewController*>(screen.get())) placeholders.push_back(id);
  }
  EXPECT_TRUE(placeholders.empty()) << "still placeholders: " << testing::PrintToString(placeholders);
}

}  // namespace
