#pragma once
// The account screens: registration with the screen factory, and what they share.

#include <functional>
#include <memory>

#include "ui/ViewController.h"

// Registers "login", "personalData", "password" and "sNotifier" with the screen factory.
void registerAccountScreens();

// Closes an account screen that is done: when it stands in a presented screen (itself or its
// navigation controller), that presentation is dismissed; when it was pushed, it is popped; otherwise
// (a login screen driven without being shown, the window's root) nothing happens. Animated.
void leaveScreen(ui::ViewController& screen);

// The password-recovery screen the login screen pushes ("找回密码"): built from its own interface rather
// than by a factory identifier, so the area that builds it installs its maker here. Without a maker the
// button pushes nothing.
using AccountScreenMaker = std::function<std::shared_ptr<ui::ViewController>()>;
void setFindPasswordScreenMaker(AccountScreenMaker maker);
std::shared_ptr<ui::ViewController> makeFindPasswordScreen();
