#pragma once
// Registers every screen of the application with the screen factory: the shell's own (and a placeholder
// for every catalogue identifier not built yet), then each screen area's. The executable and every test
// that opens screens of more than one area call it before the first screen is made.
void registerEveryScreen();
