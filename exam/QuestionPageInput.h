#pragma once
// QuestionPageInput: everything the page of one question is built from. The page controller copies it
// on the main thread (BaseTestHtmlViewController::pageInput) and the page is then built from the copy on
// a worker, so the build never reads the records and flags the main thread goes on changing.

#include <string>

#include "model/Questions.h"

struct QuestionPageInput {
  Questions question;   // a copy of the page's question; its options are a deep copy
  int mode = 0;         // the page's AnsweringMode value (0 practice, 1 exam, 2 reading)
  int number = 0;       // the title's "%d/%d": the question's place in the set, from 1 ...
  int count = 0;        // ... and the number of questions in the set
  bool isLast = false;  // the page stands at the set's last place (the submit button's condition)
  // The favourite icons chosen from the question at the page's place: the title's star and the tool
  // row's button.
  std::string favImage = "ic_t_fav_false.png";
  std::string favImage_down = "favBtn.png";
  std::string fontSize;    // the user default "fontSize" ("小号", "中号", "大号", "特大", "超大")
  bool nightMode = false;  // the user default "isNightMode"
  std::string imageDirectory;  // the chosen bank's image cache
  // Where missing images are fetched from: "<resource root>/tk_img/imgdir_<subject>/"; empty: nowhere.
  std::string imageURLBase;
};
