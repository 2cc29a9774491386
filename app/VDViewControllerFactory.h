#pragma once
// VDViewControllerFactory: makes every screen of the application by its identifier.
//
// The catalog "vardo-iPhoneUI.plist" of the bundle (storyboard name -> array of identifiers) says which
// group each identifier belongs to; it is read once, when the shared factory is made, and kept. A screen
// is made by the creator registered for its identifier (registerEveryScreen() in screens/AllScreens.h
// registers them all at start-up). An identifier that no catalog array holds gives no screen, even when
// a creator exists.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Value.h"
#include "ui/ViewController.h"

class VDViewControllerFactory {
 public:
  // Makes a new screen; `storyboard` is the catalog group the identifier was found in.
  using Creator = std::function<std::shared_ptr<ui::ViewController>(const std::string& storyboard)>;

  // The shared factory, made once for the process (thread-safe) over the main bundle's catalog.
  static VDViewControllerFactory& shareFactory();

  VDViewControllerFactory();                              // reads the catalog from the main bundle
  explicit VDViewControllerFactory(core::Value catalog);  // a given catalog (a dictionary)

  // The catalog; an empty dictionary when it is missing or unreadable.
  const core::Value& configDict() const { return configDict_; }

  // A new screen for the identifier, or nullptr when no catalog array holds it or no creator is
  // registered for it; a nullptr is logged as an error on the standard error stream (the screen the
  // user asked for does not open, the screen on show stays).
  std::shared_ptr<ui::ViewController> instantiateViewControllerWithIdentifier(
      std::string_view identifier) const;

  // The storyboard the identifier is taken from: walking the catalog's arrays in the catalog's order,
  // the first array that holds the identifier; the name is the first key whose array equals that one.
  std::optional<std::string> storyboardNameForIdentifier(std::string_view identifier) const;

  // ---- creators (shared by every factory) ----
  static void registerScreen(std::string identifier, Creator creator);  // replaces an earlier creator
  static void unregisterScreen(std::string_view identifier);
  static bool hasCreator(std::string_view identifier);

 private:
  static Creator creatorFor(std::string_view identifier);

  core::Value configDict_;
};

// Every screen identifier the application asks the factory for.
const std::vector<std::string>& allScreenIdentifiers();
