#include "model/AnsweringMode.h"

std::string answeringModeLabel(int mode) {
  switch (mode) {
    case static_cast<int>(AnsweringMode::Practice):
      return "练习模式";
    case static_cast<int>(AnsweringMode::Exam):
      return "测验模式";
    case static_cast<int>(AnsweringMode::Reading):
      return "阅读模式";
    default:
      return "";
  }
}
