#pragma once
// ui::test::ScriptedImagePicker: the picture chooser of tests. A picker that asks it waits until the
// test answers as the user would: choose(path) picks a file, cancel() closes the chooser. The camera is
// unavailable unless the test says otherwise.
//
//   auto chooser = std::make_shared<ui::test::ScriptedImagePicker>();
//   ui::ImagePickerService::install(chooser);
//   ... the screen presents its picker; h.settle() ...
//   ASSERT_TRUE(chooser->isOpen());
//   chooser->choose("/tmp/photo.png");

#include <optional>
#include <string>

#include "ui/ImagePickerController.h"

namespace ui::test {

class ScriptedImagePicker : public ImagePickerService {
 public:
  bool cameraAvailable = false;
  bool libraryAvailable = true;

  bool isSourceTypeAvailable(ImagePickerSourceType source) const override {
    return source == ImagePickerSourceType::Camera ? cameraAvailable : libraryAvailable;
  }
  void choose(ImagePickerSourceType source, Completion done) override {
    lastSource_ = source;
    done_ = std::move(done);
    ++opened_;
  }
  void cancelChoice() override { done_ = nullptr; }

  // Whether a chooser is open, waiting for the user.
  bool isOpen() const { return static_cast<bool>(done_); }
  int timesOpened() const { return opened_; }
  std::optional<ImagePickerSourceType> lastSource() const { return lastSource_; }

  // The user picks this file / closes the chooser. False when no chooser is open.
  bool choose(const std::string& path) { return answer(path); }
  bool cancel() { return answer(std::nullopt); }

 private:
  bool answer(std::optional<std::string> path) {
    if (!done_) return false;
    auto done = std::move(done_);
    done_ = nullptr;
    done(std::move(path));
    return true;
  }

  Completion done_;
  int opened_ = 0;
  std::optional<ImagePickerSourceType> lastSource_;
};

}  // namespace ui::test
