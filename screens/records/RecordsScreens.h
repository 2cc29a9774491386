#pragma once
// What the user looks back on: registers "learningRecord", "testsRank", "statistics", "examGuideList",
// "examGuideContent" and the guide's container "examInterface" with the screen factory.
void registerRecordsScreens();
