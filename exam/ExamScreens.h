#pragma once
// The screens of the answering engine, registered with the screen factory.

// Registers "imageBrowser" (ImageBrowserViewController), "examming" (ExammingViewController),
// "questionCard" (QuestionCardViewController) and "testResult" (TestResultViewController).
void registerExamScreens();
