// Every identifier of the screen catalogue, registered as the executable registers them, makes a real
// screen of its own: a new one each time, of a class of the application (not the bare controller).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/VDViewControllerFactory.h"
#include "screens/AllScreens.h"

namespace {

TEST(ScreenCatalogue, EveryIdentifierMakesARealScreen) {
  registerEveryScreen();
  const std::vector<std::string>& ids = allScreenIdentifiers();
  ASSERT_FALSE(ids.empty());
  auto& factory = VDViewControllerFactory::shareFactory();
  for (const std::string& id : ids) {
    SCOPED_TRACE(id);
    auto screen = factory.instantiateViewControllerWithIdentifier(id);
    ASSERT_NE(screen, nullptr);
    EXPECT_NE(screen->className(), "ViewController");
    EXPECT_NE(factory.instantiateViewControllerWithIdentifier(id), screen);
  }
}

}  // namespace
