#pragma once
// The screen registry: which screen every identifier of the catalogue makes. The executable (main/) and
// every test that opens screens call one of these before the first screen is made.

// Forgets every creator of the catalogue's identifiers, then registers the root screens the shell
// opens: the home screen with its side-panel container ("sidebar"), the update panel
// ("updateSoftware") and data clearing ("dataManagement").
void registerAllScreens();

// registerAllScreens, then each screen area's screens: every identifier of the catalogue then makes its
// screen.
void registerEveryScreen();
