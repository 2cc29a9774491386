#pragma once
// A web view's page: the WebKit view of its engine as the native peer (so views laid over the web view
// cover the page), the page's background following the web view's. A web view whose engine is not the
// window's (one made before the window opened) shows an empty box.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class WebKitEngine;

class WebViewContent : public MirrorContent {
 public:
  void attached(Mirror& mirror) override;
  GtkWidget* peer() const override;
  bool subviewsLetPointerThrough() const override { return true; }
  void changed(Mirror& mirror, ViewProperty property) override;

 private:
  WebKitEngine* engine_ = nullptr;
};

}  // namespace ui::gtk
