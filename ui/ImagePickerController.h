#pragma once
// ui::ImagePickerController: the screen that lets the user choose a picture, presented modally by the
// screen that wants one (its delegate). When it has appeared it asks the platform's picture chooser
// (ImagePickerService) once; the answer goes to the delegate on the main thread: the chosen picture, or
// a cancel. The delegate dismisses the picker (the defaults do).
//
// ImagePickerService is what a platform supplies: the window installs a file chooser (GTK), tests a
// scripted choice (ui/test/ScriptedImagePicker.h). Without one installed no source is available and a
// picker that is shown anyway reports a cancel. This desktop has no camera: a service reports the
// camera source as unavailable.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/Image.h"
#include "ui/ViewController.h"

namespace ui {

enum class ImagePickerSourceType { PhotoLibrary = 0, Camera = 1, SavedPhotosAlbum = 2 };

class ImagePickerService {
 public:
  // The chosen file's path, or nullopt when the user cancelled.
  using Completion = std::function<void(std::optional<std::string> path)>;

  virtual ~ImagePickerService() = default;
  virtual bool isSourceTypeAvailable(ImagePickerSourceType source) const = 0;
  // Lets the user choose a picture of the source (a picture file: JPEG or PNG). Calls `done` exactly
  // once, later, on the main thread, unless cancelChoice() comes first.
  virtual void choose(ImagePickerSourceType source, Completion done) = 0;
  // The picker went away while a choice was open: close it; `done` is not called any more.
  virtual void cancelChoice() = 0;

  // The service of the process (nullptr when none is installed). Main thread.
  static std::shared_ptr<ImagePickerService> current();
  static void install(std::shared_ptr<ImagePickerService> service);
};

class ImagePickerController;

// What the picker hands over. Without editing the edited image is empty; with it, the picture as chosen
// (a file chooser has no cropping step).
struct PickedImage {
  std::string path;                            // the chosen file
  std::shared_ptr<Image> originalImage;        // nullptr when the file is not a readable picture
  std::shared_ptr<Image> editedImage;
};

// Both methods have defaults that dismiss the picker, animated.
struct ImagePickerControllerDelegate {
  virtual ~ImagePickerControllerDelegate() = default;
  virtual void didFinishPickingMediaWithInfo(ImagePickerController& picker, const PickedImage& info);
  virtual void imagePickerControllerDidCancel(ImagePickerController& picker);
};

class ImagePickerController : public ViewController {
 public:
  std::string className() const override { return "ImagePickerController"; }
  ~ImagePickerController() override;

  // Whether the installed service offers the source (false without a service).
  static bool isSourceTypeAvailable(ImagePickerSourceType source);

  ImagePickerSourceType sourceType() const { return sourceType_; }
  void setSourceType(ImagePickerSourceType source) { sourceType_ = source; }
  bool allowsEditing() const { return allowsEditing_; }
  void setAllowsEditing(bool allows) { allowsEditing_ = allows; }
  std::shared_ptr<ImagePickerControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ImagePickerControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // Whether the chooser was asked and has not answered yet.
  bool isChoosing() const { return choosing_; }

  void loadView() override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

 private:
  void answered(std::optional<std::string> path);
  void stopChoosing();

  ImagePickerSourceType sourceType_ = ImagePickerSourceType::PhotoLibrary;
  bool allowsEditing_ = false;
  std::weak_ptr<ImagePickerControllerDelegate> delegate_;
  bool asked_ = false;
  bool choosing_ = false;
  std::shared_ptr<ImagePickerService> service_;  // the one asked, while choosing
};

}  // namespace ui
