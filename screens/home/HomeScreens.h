#pragma once
// The main screen: registers the home screen ("sidebar") with the screen factory and the side-panel
// container that holds it with the shell (SidePanelContainer).
void registerHomeScreens();
