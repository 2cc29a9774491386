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

namespace road {

struct RoadStep {
  std::string name;                 // the picture's name, and the trace of its failures
  std::function<void(Road&)> walk;  // from the previous step's screen to this step's
};

std::vector<RoadStep> roadSteps();

}  // namespace road
