#pragma once
// ui::gtk::Mirror: the GTK widget that shows one model view. Its GTK children are the mirrors of the
// view's subviews in subview order (so GTK draws and picks them in the model's z-order), after the
// native peer of its content, if any. It lays its children out at their model frames (offset by its
// bounds origin, a scroll view's content offset, and turned by their transforms about their centres),
// and draws, in order: the layer's shadow, the background colour (inside the corner radius), the view's
// own draw(), its content, the subviews (clipped when the view clips), the layer's border.
//
// What it shows is the model's state, or, while an animation of the view runs, the in-between values
// the animation presenter sets (presentation()).

#include <memory>
#include <optional>

#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/View.h"
#include "ui/gtk/MirrorContent.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkSnapshot GdkSnapshot;
typedef GdkSnapshot GtkSnapshot;

namespace ui::gtk {

class MirrorTree;

class Mirror {
 public:
  struct Presentation {
    std::optional<Point> center;
    std::optional<Rect> bounds;
    std::optional<double> alpha;
    std::optional<Transform> transform;
    std::optional<Color> backgroundColor;
    bool empty() const { return !center && !bounds && !alpha && !transform && !backgroundColor; }
  };

  Mirror(MirrorTree& tree, View& view, std::unique_ptr<MirrorContent> content);
  ~Mirror();
  Mirror(const Mirror&) = delete;
  Mirror& operator=(const Mirror&) = delete;

  GtkWidget* widget() const { return widget_; }
  View& view() const { return view_; }
  MirrorTree& tree() const { return tree_; }
  MirrorContent* content() const { return content_.get(); }

  // What shows now (the presentation's value while an animation runs, else the model's).
  Point shownCenter() const;
  Rect shownBounds() const;
  double shownAlpha() const;
  Transform shownTransform() const;
  Color shownBackgroundColor() const;
  Presentation& presentation() { return presentation_; }
  // After the presentation values changed: relays and redraws.
  void presentationChanged();

  // The model changed.
  void changed(ViewProperty property);
  // GTK children follow the model: `child` goes to `index` among this view's subviews.
  void placeChild(Mirror& child, std::size_t index);

  // From the widget class.
  void allocate(int width, int height);
  void snapshot(GtkSnapshot* snapshot);

 private:
  void applyVisibility();
  void relayoutInParent();

  MirrorTree& tree_;
  View& view_;
  std::shared_ptr<View> keep_;  // the view outlives its mirror
  std::unique_ptr<MirrorContent> content_;
  GtkWidget* widget_ = nullptr;
  Presentation presentation_;
};

}  // namespace ui::gtk
