#pragma once
// What the gallery checks on each picture, beyond the road's text checks (tests/road/Road.h):
//   - every picture a visible view names is in the bundle;
//   - an image view whose content mode does not scale shows its picture whole (not cut by its frame);
//   - no view is painted as the renderer's pink box (what GTK's cairo renderer draws for a node it
//     cannot draw);
//   - no two controls that take clicks overlap (buttons, fields, switches; and a native control over a
//     clickable element of a page), unless one lies wholly on the other (a row's button, a sheet on its
//     backdrop) or the table of layerings says the screen layers them on purpose. A control takes clicks
//     where the window's hit test reaches it.
// Each fault is a test failure naming the screen and the view.

#include <string>
#include <vector>

#include "tests/road/Road.h"

namespace gallery {

// Two controls a screen lays over each other on purpose: on the screen of class `screen`, a control
// described as `over` lies over (or under) one described as `under`. A description is what
// describeControl gives; "*" matches any.
struct Layering {
  std::string screen;
  std::string over;
  std::string under;
  std::string why;
};

// A control as the failures name it: its class and what it shows ("Button \"返回\"", "Button
// <ic_t_submit>", "TextField [请输入用户名]", "page input#favStrBtn").
std::string describeControl(const ui::View& view);

void checkPictures(road::Road& road, const gtktest::Shot& shot, const std::string& name);
void checkOverlaps(road::Road& road, const std::string& name, const std::vector<Layering>& layerings);

}  // namespace gallery
