#pragma once
// AnswerState: the state of a question in a run (Questions::state).
//   NotAnswered  0  nothing answered, or an empty multiple-choice reply
//   FreeText     1  answered with free text (JDTEST, TKTEST): kept, never marked
//   Right        2  a choice reply equal to the question's Answer, as text, exactly
//   Wrong        3  any other choice reply
// The question pages set it at the moment of answering; stored values are these integers.

enum class AnswerState { NotAnswered = 0, FreeText = 1, Right = 2, Wrong = 3 };
