#pragma once
// The "more" menu and the settings screens: registration with the screen factory.

// Registers "evenmore", "softSetting", "fontSizeSetting" and "netCounter".
void registerSettingsScreens();
