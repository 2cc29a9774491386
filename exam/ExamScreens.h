#pragma once
// The screens of the answering engine, registered with the screen factory.

// Registers "imageBrowser" (ImageBrowserViewController), "examming" (ExammingViewController) and
// "questionCard" (QuestionCardViewController).
void registerExamScreens();
