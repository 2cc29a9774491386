#pragma once
// AnsweringMode: how the answering screen works through a set (its originalMode, redoMode and
// currentMode; "ExamingMode" of a stored learning record).
//   Practice  0  each answer is marked at once                                 "练习模式"
//   Exam      1  answers are marked on submission                              "测验模式"
//   Reading   2  answers and explanations shown, nothing to answer             "阅读模式"
// The labels are the texts under which stored learning records are listed.

#include <string>

enum class AnsweringMode { Practice = 0, Exam = 1, Reading = 2 };

// The label of a stored mode value; "" for a value that is no mode.
std::string answeringModeLabel(int mode);
