#pragma once
// ui::gtk::FileChooserImagePicker: the window's picture chooser for ui::ImagePickerController. The photo
// library and the saved photos album are the user's picture files, chosen in GTK's file chooser over the
// window (JPEG and PNG files only: what the picker hands on must be such a file); this desktop has no
// camera. One choice at a time: a second choose() while one is open cancels the first silently (its
// completion is dropped, as after cancelChoice()). Main thread only.

#include "ui/ImagePickerController.h"

typedef struct _GtkWindow GtkWindow;
typedef struct _GtkNativeDialog GtkNativeDialog;

namespace ui::gtk {

class FileChooserImagePicker : public ImagePickerService {
 public:
  // `parent` is the window the chooser belongs to (not owned; it outlives the service's choices).
  explicit FileChooserImagePicker(GtkWindow* parent) : parent_(parent) {}
  ~FileChooserImagePicker() override;

  bool isSourceTypeAvailable(ImagePickerSourceType source) const override;
  void choose(ImagePickerSourceType source, Completion done) override;
  void cancelChoice() override;

  // The open chooser (nullptr when none); for tests.
  GtkNativeDialog* dialog() const { return dialog_; }

 private:
  void answered(int response);

  GtkWindow* parent_;
  GtkNativeDialog* dialog_ = nullptr;
  Completion done_;
};

}  // namespace ui::gtk
