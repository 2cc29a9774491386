#include "ui/ImagePickerController.h"

#include "platform/runloop/RunLoop.h"
#include "ui/Color.h"

namespace ui {
namespace {

std::shared_ptr<ImagePickerService>& installedService() {
  static std::shared_ptr<ImagePickerService> service;
  return service;
}

}  // namespace

std::shared_ptr<ImagePickerService> ImagePickerService::current() { return installedService(); }

void ImagePickerService::install(std::shared_ptr<ImagePickerService> service) {
  installedService() = std::move(service);
}

void ImagePickerControllerDelegate::didFinishPickingMediaWithInfo(ImagePickerController& picker,
                                                                  const PickedImage&) {
  picker.dismissViewController(true);
}

void ImagePickerControllerDelegate::imagePickerControllerDidCancel(ImagePickerController& picker) {
  picker.dismissViewController(true);
}

ImagePickerController::~ImagePickerController() {
  if (choosing_ && service_) service_->cancelChoice();
}

bool ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType source) {
  auto service = ImagePickerService::current();
  return service && service->isSourceTypeAvailable(source);
}

void ImagePickerController::loadView() {
  auto root = std::make_shared<View>(defaultViewFrame());
  root->setBackgroundColor(Color::black());
  setView(root);
}

void ImagePickerController::viewDidAppear(bool) {
  if (asked_) return;
  asked_ = true;
  auto service = ImagePickerService::current();
  std::weak_ptr<ViewController> weak = weak_from_this();
  auto answer = [weak](std::optional<std::string> path) {
    if (auto self = std::static_pointer_cast<ImagePickerController>(weak.lock())) self->answered(std::move(path));
  };
  if (!service || !service->isSourceTypeAvailable(sourceType_)) {
    // Nothing to choose from: the picker answers as a cancel, on the next turn of the loop.
    choosing_ = true;
    rl::RunLoop::main().post([answer] { answer(std::nullopt); });
    return;
  }
  choosing_ = true;
  service_ = service;
  service->choose(sourceType_, answer);
}

void ImagePickerController::viewWillDisappear(bool) { stopChoosing(); }

void ImagePickerController::stopChoosing() {
  if (!choosing_) return;
  choosing_ = false;
  if (auto service = std::move(service_)) service->cancelChoice();
}

void ImagePickerController::answered(std::optional<std::string> path) {
  if (!choosing_) return;
  choosing_ = false;
  service_.reset();
  auto keep = shared_from_this();  // the delegate may dismiss (and drop) this picker
  auto delegate = delegate_.lock();
  if (!path) {
    if (delegate)
      delegate->imagePickerControllerDidCancel(*this);
    else
      dismissViewController(true);
    return;
  }
  PickedImage info;
  info.path = *path;
  info.originalImage = Image::withContentsOfFile(*path);
  if (allowsEditing_) info.editedImage = info.originalImage;
  if (delegate)
    delegate->didFinishPickingMediaWithInfo(*this, info);
  else
    dismissViewController(true);
}

}  // namespace ui
