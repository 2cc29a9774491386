#include "ui/gtk/FileChooserImagePicker.h"

#include <gtk/gtk.h>

namespace ui::gtk {

FileChooserImagePicker::~FileChooserImagePicker() { cancelChoice(); }

bool FileChooserImagePicker::isSourceTypeAvailable(ImagePickerSourceType source) const {
  return source != ImagePickerSourceType::Camera;
}

void FileChooserImagePicker::choose(ImagePickerSourceType source, Completion done) {
  cancelChoice();
  if (!isSourceTypeAvailable(source)) {
    // Nothing to choose from: the answer is a cancel, later, as the service promises.
    g_idle_add_once([](gpointer p) {
      std::unique_ptr<Completion> d(static_cast<Completion*>(p));
      if (*d) (*d)(std::nullopt);
    }, new Completion(std::move(done)));
    return;
  }
  done_ = std::move(done);
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new("选择图片", parent_, GTK_FILE_CHOOSER_ACTION_OPEN,
                                                              "选择", "取消");
  GtkFileFilter* pictures = gtk_file_filter_new();
  gtk_file_filter_set_name(pictures, "图片 (JPEG, PNG)");
  gtk_file_filter_add_mime_type(pictures, "image/jpeg");
  gtk_file_filter_add_mime_type(pictures, "image/png");
  gtk_file_filter_add_suffix(pictures, "jpg");
  gtk_file_filter_add_suffix(pictures, "jpeg");
  gtk_file_filter_add_suffix(pictures, "png");
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), pictures);
  g_object_unref(pictures);
  dialog_ = GTK_NATIVE_DIALOG(chooser);
  gtk_native_dialog_set_modal(dialog_, TRUE);
  g_signal_connect(dialog_, "response", G_CALLBACK(+[](GtkNativeDialog*, int response, gpointer self) {
                     static_cast<FileChooserImagePicker*>(self)->answered(response);
                   }),
                   this);
  gtk_native_dialog_show(dialog_);
}

void FileChooserImagePicker::answered(int response) {
  std::optional<std::string> path;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (GFile* file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog_))) {
      if (char* p = g_file_get_path(file)) {
        path = p;
        g_free(p);
      }
      g_object_unref(file);
    }
  }
  Completion done = std::move(done_);
  done_ = nullptr;
  GtkNativeDialog* dialog = dialog_;
  dialog_ = nullptr;
  g_signal_handlers_disconnect_by_data(dialog, this);
  g_object_unref(dialog);
  if (done) done(std::move(path));
}

void FileChooserImagePicker::cancelChoice() {
  done_ = nullptr;
  if (!dialog_) return;
  GtkNativeDialog* dialog = dialog_;
  dialog_ = nullptr;
  g_signal_handlers_disconnect_by_data(dialog, this);
  gtk_native_dialog_hide(dialog);
  gtk_native_dialog_destroy(dialog);
  g_object_unref(dialog);
}

}  // namespace ui::gtk
