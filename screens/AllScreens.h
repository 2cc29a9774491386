#pragma once
// Registers every screen of the application with the screen factory: the shell's own, then each screen
// area's; every identifier of the catalogue then makes its screen. The executable and every test
// that opens screens of more than one area call it before the first screen is made.
void registerEveryScreen();
