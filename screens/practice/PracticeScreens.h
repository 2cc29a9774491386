#pragma once
// The practice entries, registered with the screen factory.

// Registers "simulateExam" (SimulateExamsViewController), "chaptList1" (ChaptListViewController),
// "examSetting1" and "examSetting2" (ExamSetting1ViewController, ExamSetting2ViewController),
// "fastLearnList" (FastLearnViewController) and "fastLearnDetail" (FastLearnDetailViewController).
void registerPracticeScreens();
