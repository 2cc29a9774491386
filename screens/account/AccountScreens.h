#pragma once
// The account screens' registration with the screen factory. What the screens share is in
// AccountShared.h.

// Registers "login", "personalData", "password", "sNotifier", "register", "register1", "emailVerify",
// "emailWeb", "phonebind", "phonebind2", "myCenter" and "safeSetup" with the screen factory, and
// installs the password-recovery screen as the login screen's "找回密码".
void registerAccountScreens();
