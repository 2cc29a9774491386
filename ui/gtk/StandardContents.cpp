// The contents the window registers for the model's own view classes, base classes first (so that a
// subclass's registration, made later, wins).

#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationBar.h"
#include "ui/TabBar.h"
#include "ui/TableViewCell.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/WebView.h"
#include "ui/Window.h"
#include "ui/gtk/BarButtonContent.h"
#include "ui/gtk/BarContent.h"
#include "ui/gtk/ButtonContent.h"
#include "ui/gtk/ImageViewContent.h"
#include "ui/gtk/LabelContent.h"
#include "ui/gtk/MirrorRegistry.h"
#include "ui/gtk/TabBarButtonContent.h"
#include "ui/gtk/TableViewCellContent.h"
#include "ui/gtk/TextFieldContent.h"
#include "ui/gtk/TextViewContent.h"
#include "ui/gtk/WebViewContent.h"
#include "ui/gtk/WindowContent.h"

namespace ui::gtk {

void MirrorRegistry::registerStandardContents() {
  static bool done = false;
  if (done) return;
  done = true;
  add<Window, WindowContent>();
  add<Label, LabelContent>();
  add<ImageView, ImageViewContent>();
  add<Button, ButtonContent>();
  add<BarButtonView, BarButtonContent>();
  add<NavigationBar, BarContent>();
  add<Toolbar, BarContent>();
  add<TabBar, BarContent>();
  add<TabBarButton, TabBarButtonContent>();
  add<TableViewCell, TableViewCellContent>();
  add<TextField, TextFieldContent>();
  add<TextView, TextViewContent>();
  add<WebView, WebViewContent>();
}

}  // namespace ui::gtk
