#pragma once
// The notes and error reports: registers "updateNote", "myNote", "allNote", "mainNote", "errorFeedback"
// and "feedbackRecord" with the screen factory.
void registerNotesScreens();
