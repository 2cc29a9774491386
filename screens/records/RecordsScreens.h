#pragma once
// What the user looks back on: registers "learningRecord", "testsRank", "statistics", "examGuideList"
// and "examGuideContent" with the screen factory.
void registerRecordsScreens();
