#pragma once
// The subject choice: registers "selectSort", "selectSeries", "selectProvince" and "selectSubject" with
// the screen factory.
void registerSubjectScreens();
