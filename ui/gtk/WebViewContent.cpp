#include "ui/gtk/WebViewContent.h"

#include "ui/WebView.h"
#include "ui/gtk/Mirror.h"
#include "ui/gtk/WebKitEngine.h"

namespace ui::gtk {

void WebViewContent::attached(Mirror& mirror) {
  auto& web = static_cast<WebView&>(mirror.view());
  engine_ = dynamic_cast<WebKitEngine*>(&web.engine());
  if (engine_) engine_->setBackgroundColor(web.backgroundColor());
}

GtkWidget* WebViewContent::peer() const { return engine_ ? engine_->widget() : nullptr; }

void WebViewContent::changed(Mirror& mirror, ViewProperty property) {
  if (engine_ && property == ViewProperty::BackgroundColor)
    engine_->setBackgroundColor(mirror.view().backgroundColor());
}

}  // namespace ui::gtk
