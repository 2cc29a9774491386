#pragma once
// The screens of the answering engine, registered with the screen factory.

// Registers "imageBrowser" (ImageBrowserViewController).
void registerExamScreens();
