#pragma once
// The options of a question as the reply areas of the question pages write them.

#include <string>
#include <vector>

#include "model/Questions.h"

struct QuestionChoice {
  std::string name;  // the option's "Name" (its letter), as "%@" writes it
  std::string text;  // the option's "Text"
};

// The options in ChoiceItems order; none when ChoiceItems is not an array.
std::vector<QuestionChoice> questionChoices(const Questions& question);

// The frame of a reply area around its paragraphs: a one-cell table of class "TestContent".
std::string choiceTable(const std::string& paragraphs);
