#pragma once
// FunctionModule: the module that opened the answering screen (the screen's functionState, the
// application delegate's currentModule, "CurrentModule" of the last-learning record, "TestKind" of the
// reply log). Stored and sent as these integers; other integers occur (a module the app does not
// name here) and are kept as they are.

enum class FunctionModule {
  ChapterPractice = 1,
  SimulatedExam = 2,
  Favourites = 4,
  FindTest = 6,
  WrongRedo = 7,
  ChapterTest = 9,
  FastLearning = 10,
};

// The number a module is reported under: 1 to 9 as they are, every other value 10000.
int reportedFunctionModule(int module);
