#pragma once
// Stand-ins for the screens of other areas, for tests of the application shell alone: the shell opens
// screens by identifier, and a test of the shell checks which identifier it asked for without bringing
// in the real screen (its requests, its views). The application itself has no such screens: an
// identifier without a registered screen gives none (VDViewControllerFactory).
//
//   registerAllScreens();
//   registerStandInScreens({"selectSort", "evenmore"});  // these two, or
//   registerStandInScreensWhereNoneIs();                 // every catalogued one without a screen
//   standInIdentifier(h().topScreen()) == "selectSort"

#include <initializer_list>
#include <memory>
#include <string>

#include "app/VDViewControllerFactory.h"
#include "ui/View.h"
#include "ui/ViewController.h"

namespace testsupport {

class StandInScreen : public ui::ViewController {
 public:
  explicit StandInScreen(std::string identifier) : identifier_(std::move(identifier)) {}
  std::string className() const override { return "StandInScreen"; }
  const std::string& identifier() const { return identifier_; }

  void loadView() override { setView(std::make_shared<ui::View>(defaultViewFrame())); }

 private:
  std::string identifier_;
};

// Registers a stand-in for each identifier (replacing what was registered for it).
inline void registerStandInScreens(std::initializer_list<const char*> identifiers) {
  for (const char* id : identifiers) {
    VDViewControllerFactory::registerScreen(
        id, [name = std::string(id)](const std::string&) { return std::make_shared<StandInScreen>(name); });
  }
}

// Registers a stand-in for every identifier of the catalogue that has no screen registered.
inline void registerStandInScreensWhereNoneIs() {
  for (const std::string& id : allScreenIdentifiers()) {
    if (VDViewControllerFactory::hasCreator(id)) continue;
    VDViewControllerFactory::registerScreen(
        id, [id](const std::string&) { return std::make_shared<StandInScreen>(id); });
  }
}

// The identifier of a stand-in; "" for any other screen.
inline std::string standInIdentifier(const ui::ViewController* vc) {
  auto* s = dynamic_cast<const StandInScreen*>(vc);
  return s ? s->identifier() : "";
}

}  // namespace testsupport
