// vd_question_page: writes the question page the application builds for one question, so that the page
// script can be tried in a browser engine of one's choice (the page-script tests load it in jsdom).
//
//   vd_question_page [--mode N] INPUT.json [OUTPUT.html]
//
// INPUT.json is one object: the question's fields ("type", "styleID", "Style_Explain", "IsFirst",
// "FrontTitle", "MainTitle", "ChoiceItems" [{"Name", "Text"}], "Answer", "Explain", "IsFav", "state",
// "reply") and the page's ("mode", "number", "count", "isLast", "fontSize", "nightMode",
// "imageDirectory": a folder of cached images, relative to the input file). --mode overrides "mode".
// The template comes from the bundle ($VARDO_BUNDLE, else the build tree's). No image is fetched.
// Without OUTPUT the page goes to standard output. Exit status 2 for bad arguments or input.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "exam/BaseTestHtmlViewController.h"
#include "exam/QuestionImageStep.h"
#include "exam/TestHtmlVCFactory.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Paths.h"

namespace {

int usage(const char* why) {
  std::fprintf(stderr, "vd_question_page: %s\nusage: vd_question_page [--mode N] INPUT.json [OUTPUT.html]\n",
               why);
  return 2;
}

std::string text(const core::Value& object, const char* key) {
  const core::Value v = object[key];
  return v.isNilOrNull() ? std::string() : v.toString();
}

}  // namespace

int main(int argc, char** argv) {
  std::string inputPath;
  std::string outputPath;
  int modeOverride = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--mode" && i + 1 < argc) {
      modeOverride = std::atoi(argv[++i]);
    } else if (inputPath.empty()) {
      inputPath = arg;
    } else if (outputPath.empty()) {
      outputPath = arg;
    } else {
      return usage("too many arguments");
    }
  }
  if (inputPath.empty()) return usage("no input");
  const auto json = core::Paths::readTextFile(inputPath);
  if (!json) return usage("the input cannot be read");
  const core::Value in = JSONValue(*json);
  if (!in.isDictionary()) return usage("the input is not a JSON object");

  QuestionPageInput input;
  Questions& q = input.question;
  q.type = text(in, "type");
  q.styleID = text(in, "styleID");
  q.Style_Explain = text(in, "Style_Explain");
  q.IsFirst = in["IsFirst"].toBool();
  q.FrontTitle = text(in, "FrontTitle");
  q.MainTitle = text(in, "MainTitle");
  q.ChoiceItems = in["ChoiceItems"];
  q.Answer = text(in, "Answer");
  q.Explain = text(in, "Explain");
  q.IsFav = in["IsFav"].toBool();
  q.state = static_cast<AnswerState>(in["state"].toInt());
  q.reply = text(in, "reply");
  input.mode = modeOverride >= 0 ? modeOverride : static_cast<int>(in["mode"].toInt());
  input.number = static_cast<int>(in["number"].toInt(1));
  input.count = static_cast<int>(in["count"].toInt(1));
  input.isLast = in["isLast"].toBool();
  input.favImage = q.IsFav ? "ic_t_fav_true.png" : "ic_t_fav_false.png";
  input.favImage_down = q.IsFav ? "favCancelBtn.png" : "favBtn.png";
  input.fontSize = text(in, "fontSize");
  input.nightMode = in["nightMode"].toBool();
  const std::string images = text(in, "imageDirectory");
  if (!images.empty())
    input.imageDirectory =
        images.starts_with('/') ? images : core::Paths::join(core::Paths::parent(inputPath), images);

  auto page = TestHtmlVCFactory::createTestHtmlVC(q.type, nullptr, nullptr);
  if (!page) return usage("the input's \"type\" is no question type");
  const std::string pageTemplate = BaseTestHtmlViewController::questionPageTemplate();
  if (pageTemplate.empty()) return usage("the bundle has no question page template");
  QuestionImageStep step(input.imageDirectory, std::string());
  const std::string html =
      BaseTestHtmlViewController::loadWebViewHtml(pageTemplate, input, page->pageAreas(), step);

  if (outputPath.empty()) {
    std::cout << html;
    return std::cout ? 0 : 1;
  }
  return core::Paths::atomicWrite(outputPath, std::string_view(html)) ? 0 : 1;
}
