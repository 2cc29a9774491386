#pragma once
// The road's steps, in the order a new user takes them. A step drives the window from where the
// previous one left it to a screen of its own and checks what a person sees there; the road then keeps a
// picture of that screen under the step's name and fails the step on any page script error.
//
// The table (roadSteps) is the road: a screen that joins the application joins the road as rows of the
// table, at the place in the order where a user meets it, each row a name and a function over the
// Road driver (tests/road/Road.h).

#include <functional>
#include <string>
#include <vector>

#include "tests/road/Road.h"

class ExammingViewController;
class MainInterfaceViewController1;
class UpdateSoftwareViewController;

namespace road {

struct RoadStep {
  std::string name;                 // the picture's name, and the trace of its failures
  std::function<void(Road&)> walk;  // from the previous step's screen to this step's
};

// The whole road, in order: the first start, the bank, the account and a question found by search
// (tests/road/RoadSteps.cpp), then practiceSteps(), then studySteps(), then logout and the next start.
std::vector<RoadStep> roadSteps();
// A chapter practised on real pages, its result, a favourite, the wrong-answer book, a note
// (tests/road/RoadPracticeSteps.cpp).
std::vector<RoadStep> practiceSteps();
// The page's night mode and font size, a simulated exam, the learning statistics
// (tests/road/RoadStudySteps.cpp).
std::vector<RoadStep> studySteps();

// ---- moves the steps share ----
MainInterfaceViewController1* homeScreen(Road& road);
// The home screen shows, with no alert over it.
bool onHome(Road& road);
// Clicks a function of the home screen by its tag (scrolling the grid to it first, as a finger would).
void clickFunction(Road& road, int tag);
// From wherever the road stands: back to the home screen, its function by tag, until the screen of this
// class name shows.
void openFunction(Road& road, int tag, const std::string& screen, double seconds = 20);
// The bank download panel over the window, or nullptr.
UpdateSoftwareViewController* downloadPanel(Road& road);
// Back along the navigation stack until the screen of this class name shows.
void backTo(Road& road, const std::string& screen);
// The question screen when it is the one on show, or nullptr.
ExammingViewController* questionScreen(Road& road);
// The question page wholly on show (the web view more than 300 points wide in the window), or nullptr.
ui::WebView* pageOnShow(Road& road);

}  // namespace road
