#pragma once
// The feedback, web page, help, exam-information, notice and share screens, registered with the screen
// factory over their placeholders.

void registerFeedbackScreens();
