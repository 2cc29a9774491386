#pragma once
// The question bank's panels: registers the update panel ("updateSoftware") and data clearing
// ("dataManagement") with the screen factory.
void registerUpdateScreens();
