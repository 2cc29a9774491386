#pragma once
// HelpContentScreen: what the "more" menu hands the bundled text-page screen ("softUsingHelpContent")
// before showing it: the navigation title and the name of the page file in the bundle. The text-page
// screen implements it; the menu finds it with a dynamic cast of the screen the factory makes.

#include <string>

class HelpContentScreen {
 public:
  virtual ~HelpContentScreen() = default;
  virtual void setNavTitle(const std::string& title) = 0;
  virtual void setHtmlFileName(const std::string& fileName) = 0;
};
