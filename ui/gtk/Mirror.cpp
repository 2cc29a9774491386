#include "ui/gtk/Mirror.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/Canvas.h"
#include "ui/Layer.h"
#include "ui/WebView.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/MirrorTree.h"
#include "ui/gtk/PictureTexture.h"

// ---- the widget class ----

G_BEGIN_DECLS
#define VD_TYPE_MIRROR (vd_mirror_get_type())
G_DECLARE_FINAL_TYPE(VdMirror, vd_mirror, VD, MIRROR, GtkWidget)
G_END_DECLS

struct _VdMirror {
  GtkWidget parent_instance;
  ui::gtk::Mirror* mirror;
};

G_DEFINE_TYPE(VdMirror, vd_mirror, GTK_TYPE_WIDGET)

static void vd_mirror_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural,
                              int* minimumBaseline, int* naturalBaseline) {
  *minimum = *natural = 0;
  *minimumBaseline = *naturalBaseline = -1;
}

static void vd_mirror_size_allocate(GtkWidget* widget, int width, int height, int) {
  if (auto* m = VD_MIRROR(widget)->mirror) m->allocate(width, height);
}

static void vd_mirror_snapshot(GtkWidget* widget, GtkSnapshot* snapshot) {
  if (auto* m = VD_MIRROR(widget)->mirror) m->snapshot(snapshot);
}

static void vd_mirror_dispose(GObject* object) {
  GtkWidget* widget = GTK_WIDGET(object);
  while (GtkWidget* child = gtk_widget_get_first_child(widget)) gtk_widget_unparent(child);
  G_OBJECT_CLASS(vd_mirror_parent_class)->dispose(object);
}

static void vd_mirror_class_init(VdMirrorClass* klass) {
  GTK_WIDGET_CLASS(klass)->measure = vd_mirror_measure;
  GTK_WIDGET_CLASS(klass)->size_allocate = vd_mirror_size_allocate;
  GTK_WIDGET_CLASS(klass)->snapshot = vd_mirror_snapshot;
  G_OBJECT_CLASS(klass)->dispose = vd_mirror_dispose;
}

static void vd_mirror_init(VdMirror* self) {
  self->mirror = nullptr;
  // Mirrors have no handlers of their own: the window's input router gives input to the model.
  gtk_widget_set_focusable(GTK_WIDGET(self), FALSE);
}

namespace ui::gtk {

namespace {

graphene_point_t point(double x, double y) {
  graphene_point_t p;
  graphene_point_init(&p, static_cast<float>(x), static_cast<float>(y));
  return p;
}

// `t` applied after `next`, built from steps GTK knows to be two-dimensional (translation, rotation,
// skew, scale). A transform made from a bare matrix has no known kind, and GTK's cairo renderer paints
// such a node as a plain pink box instead of its content.
GskTransform* affineTransform(GskTransform* next, const Transform& t) {
  graphene_point_t shift = point(t.tx, t.ty);
  next = gsk_transform_translate(next, &shift);
  // (a b) and (c d) are the images of the x and y axes: a rotation, then a skew of x along y, then a
  // scale.
  const double sx = std::hypot(t.a, t.b);
  if (sx < 1e-12) return gsk_transform_scale(next, 0, 0);  // nothing shows
  const double angle = std::atan2(t.b, t.a);
  const double cs = t.a / sx, sn = t.b / sx;
  const double shear = cs * t.c + sn * t.d;  // the y axis's part along the turned x axis
  const double sy = -sn * t.c + cs * t.d;
  if (std::fabs(angle) > 1e-12) next = gsk_transform_rotate(next, static_cast<float>(angle * 180 / std::numbers::pi));
  if (std::fabs(shear) > 1e-12 && std::fabs(sy) > 1e-12)
    next = gsk_transform_skew(next, static_cast<float>(std::atan(shear / sy) * 180 / std::numbers::pi), 0);
  return gsk_transform_scale(next, static_cast<float>(sx), static_cast<float>(sy));
}

// The view's own coordinates -> its parent mirror's widget coordinates.
GskTransform* childTransform(const Mirror& child, Point parentBoundsOrigin) {
  const Rect b = child.shownBounds();
  const Point c = child.shownCenter();
  const Transform t = child.shownTransform();
  graphene_point_t p = point(c.x - parentBoundsOrigin.x, c.y - parentBoundsOrigin.y);
  GskTransform* g = gsk_transform_translate(nullptr, &p);
  if (!t.isIdentity()) g = affineTransform(g, t);
  graphene_point_t half = point(-b.width() / 2, -b.height() / 2);
  return gsk_transform_translate(g, &half);
}

GskRoundedRect roundedRect(Rect r, double radius) {
  GskRoundedRect rr;
  graphene_rect_t gr = GRAPHENE_RECT_INIT(static_cast<float>(r.minX()), static_cast<float>(r.minY()),
                                          static_cast<float>(r.width()), static_cast<float>(r.height()));
  radius = std::min({radius, r.width() / 2, r.height() / 2});
  graphene_size_t corner = GRAPHENE_SIZE_INIT(static_cast<float>(radius), static_cast<float>(radius));
  gsk_rounded_rect_init(&rr, &gr, &corner, &corner, &corner, &corner);
  return rr;
}

}  // namespace

Mirror::Mirror(MirrorTree& tree, View& view, std::unique_ptr<MirrorContent> content)
    : tree_(tree), view_(view), keep_(view.weak_from_this().lock()), content_(std::move(content)) {
  widget_ = GTK_WIDGET(g_object_new(VD_TYPE_MIRROR, nullptr));
  g_object_ref_sink(widget_);
  VD_MIRROR(widget_)->mirror = this;
  applyVisibility();
  if (content_) {
    content_->attached(*this);
    if (GtkWidget* peer = content_->peer()) {
      if (gtk_widget_get_parent(peer)) gtk_widget_unparent(peer);  // still with a mirror that is leaving
      gtk_widget_insert_after(peer, widget_, nullptr);
    }
  }
}

Mirror::~Mirror() {
  VD_MIRROR(widget_)->mirror = nullptr;
  if (content_) {
    if (GtkWidget* peer = content_->peer(); peer && gtk_widget_get_parent(peer) == widget_)
      gtk_widget_unparent(peer);
  }
  content_.reset();
  if (gtk_widget_get_parent(widget_)) gtk_widget_unparent(widget_);
  g_object_unref(widget_);
}

Point Mirror::shownCenter() const { return presentation_.center.value_or(view_.center()); }
Rect Mirror::shownBounds() const { return presentation_.bounds.value_or(view_.bounds()); }
double Mirror::shownAlpha() const { return presentation_.alpha.value_or(view_.alpha()); }
Transform Mirror::shownTransform() const { return presentation_.transform.value_or(view_.transform()); }
Color Mirror::shownBackgroundColor() const {
  return presentation_.backgroundColor.value_or(view_.backgroundColor());
}

void Mirror::applyVisibility() {
  gtk_widget_set_visible(widget_, !view_.isHidden());
  // GTK picks the widget under the pointer as the model hit-tests (the input router has the model
  // decide first; GTK's pick only matters for events that go on to a peer).
  const Mirror* parent = view_.superview() ? tree_.mirrorOf(*view_.superview()) : nullptr;
  const bool seeThrough = parent && parent->content() && parent->content()->subviewsLetPointerThrough();
  gtk_widget_set_can_target(widget_, view_.isUserInteractionEnabled() && shownAlpha() >= 0.01 && !seeThrough);
  gtk_widget_set_opacity(widget_, std::clamp(shownAlpha(), 0.0, 1.0));
  gtk_widget_set_overflow(widget_, view_.clipsToBounds() ? GTK_OVERFLOW_HIDDEN : GTK_OVERFLOW_VISIBLE);
}

void Mirror::relayoutInParent() {
  if (GtkWidget* parent = gtk_widget_get_parent(widget_)) gtk_widget_queue_allocate(parent);
}

void Mirror::presentationChanged() {
  applyVisibility();
  relayoutInParent();
  gtk_widget_queue_allocate(widget_);
  gtk_widget_queue_draw(widget_);
}

void Mirror::changed(ViewProperty property) {
  switch (property) {
    case ViewProperty::Frame:
    case ViewProperty::Transform:
      relayoutInParent();
      gtk_widget_queue_allocate(widget_);
      gtk_widget_queue_draw(widget_);
      break;
    case ViewProperty::Bounds:
      relayoutInParent();
      gtk_widget_queue_allocate(widget_);
      gtk_widget_queue_draw(widget_);
      break;
    case ViewProperty::Hidden:
    case ViewProperty::Alpha:
    case ViewProperty::ClipsToBounds:
    case ViewProperty::UserInteraction:
      applyVisibility();
      gtk_widget_queue_draw(widget_);
      break;
    default:
      gtk_widget_queue_draw(widget_);
      break;
  }
  if (content_) content_->changed(*this, property);
}

void Mirror::placeChild(Mirror& child, std::size_t index) {
  const auto& subviews = view_.subviews();
  GtkWidget* previous = content_ ? content_->peer() : nullptr;
  if (previous && gtk_widget_get_parent(previous) != widget_) previous = nullptr;
  for (std::size_t i = std::min(index, subviews.size()); i > 0; --i) {
    if (Mirror* m = tree_.mirrorOf(*subviews[i - 1]);
        m && m != &child && gtk_widget_get_parent(m->widget()) == widget_) {
      previous = m->widget();
      break;
    }
  }
  if (gtk_widget_get_parent(child.widget()) && gtk_widget_get_parent(child.widget()) != widget_)
    gtk_widget_unparent(child.widget());
  gtk_widget_insert_after(child.widget(), widget_, previous);
  gtk_widget_queue_allocate(widget_);
}

void Mirror::allocate(int width, int height) {
  const Rect bounds = shownBounds();
  if (content_) {
    if (GtkWidget* peer = content_->peer(); peer && gtk_widget_get_parent(peer) == widget_) {
      const Rect f = content_->peerFrame(*this, bounds.size);
      int min = 0, nat = 0;
      gtk_widget_measure(peer, GTK_ORIENTATION_HORIZONTAL, -1, &min, &nat, nullptr, nullptr);
      gtk_widget_measure(peer, GTK_ORIENTATION_VERTICAL, -1, &min, &nat, nullptr, nullptr);
      graphene_point_t p = point(f.minX(), f.minY());
      gtk_widget_allocate(peer, std::max(0, static_cast<int>(std::lround(f.width()))),
                          std::max(0, static_cast<int>(std::lround(f.height()))), -1,
                          gsk_transform_translate(nullptr, &p));
    }
  }
  for (GtkWidget* child = gtk_widget_get_first_child(widget_); child;
       child = gtk_widget_get_next_sibling(child)) {
    if (!VD_IS_MIRROR(child) || !VD_MIRROR(child)->mirror) continue;
    Mirror& m = *VD_MIRROR(child)->mirror;
    const Rect b = m.shownBounds();
    int min = 0, nat = 0;
    gtk_widget_measure(child, GTK_ORIENTATION_HORIZONTAL, -1, &min, &nat, nullptr, nullptr);
    gtk_widget_allocate(child, std::max(0, static_cast<int>(std::ceil(b.width() - 1e-6))),
                        std::max(0, static_cast<int>(std::ceil(b.height() - 1e-6))), -1,
                        childTransform(m, bounds.origin));
  }
}

void Mirror::snapshot(GtkSnapshot* snapshot) {
  const Rect bounds = shownBounds();
  const Size size = bounds.size;
  // The window's own transform (its parent is GTK's window, which knows nothing of it).
  const Transform turn = shownTransform();
  const bool turnsItself = !view_.superview() && !turn.isIdentity();
  if (turnsItself) {
    gtk_snapshot_save(snapshot);
    graphene_point_t c = point(size.width / 2, size.height / 2);
    gtk_snapshot_translate(snapshot, &c);
    GskTransform* t = affineTransform(nullptr, turn);
    gtk_snapshot_transform(snapshot, t);
    gsk_transform_unref(t);
    graphene_point_t back = point(-size.width / 2, -size.height / 2);
    gtk_snapshot_translate(snapshot, &back);
  }
  const Rect local({0, 0}, size);
  const Layer& layer = view_.layer();
  const double radius = layer.cornerRadius();

  // The shadow (outside the view), then the view's own drawing.
  if (layer.shadowOpacity() > 0 && layer.shadowColor().a > 0) {
    Rect shape = local;
    double shapeRadius = radius;
    if (const auto& path = layer.shadowPath()) {
      shape = path->bounds().offsetBy(-bounds.minX(), -bounds.minY());
      shapeRadius = 0;
    }
    const Color c = layer.shadowColor();
    GdkRGBA rgba{static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                 static_cast<float>(c.a * layer.shadowOpacity())};
    GskRoundedRect rr = roundedRect(shape, shapeRadius);
    gtk_snapshot_append_outset_shadow(snapshot, &rr, &rgba, static_cast<float>(layer.shadowOffset().width),
                                      static_cast<float>(layer.shadowOffset().height), 0,
                                      static_cast<float>(layer.shadowRadius() * 2));
  }

  Canvas own;
  view_.displayInto(own);
  // A web view's own scroll view lies over the page, which paints its background itself: the scroll
  // view's colour (the page background the screens set on it) would cover the page.
  const auto* web = dynamic_cast<const WebView*>(view_.superview());
  const bool overPage = web && &web->scrollView() == &view_;
  const Color background = overPage ? Color::clear() : shownBackgroundColor();
  const bool hasContent = content_ != nullptr;
  if ((!background.isClear() || !own.operations().empty() || hasContent) && size.width > 0 &&
      size.height > 0) {
    if (own.operations().empty() && !hasContent && !background.pattern) {
      // A plain colour: no picture to draw.
      const GskRoundedRect rr = roundedRect(local, radius);
      if (radius > 0) gtk_snapshot_push_rounded_clip(snapshot, &rr);
      const GdkRGBA rgba{static_cast<float>(background.r), static_cast<float>(background.g),
                         static_cast<float>(background.b), static_cast<float>(background.a)};
      const graphene_rect_t area =
          GRAPHENE_RECT_INIT(0, 0, static_cast<float>(size.width), static_cast<float>(size.height));
      gtk_snapshot_append_color(snapshot, &rgba, &area);
      if (radius > 0) gtk_snapshot_pop(snapshot);
    } else {
      PictureTexture picture(snapshot, 0, 0, size.width, size.height, gtk_widget_get_scale_factor(widget_));
      cairo_t* cr = picture.cr();
      cairo_translate(cr, -bounds.minX(), -bounds.minY());  // the view's own coordinates
      if (!background.isClear()) {
        CairoPainter::addRoundedRect(cr, bounds, radius);
        CairoPainter::setColor(cr, background);
        cairo_fill(cr);
      }
      if (view_.clipsToBounds() && radius > 0) {
        CairoPainter::addRoundedRect(cr, bounds, radius);
        cairo_clip(cr);
      }
      if (!own.operations().empty()) CairoPainter::replay(cr, own.operations());
      if (content_) {
        cairo_save(cr);
        cairo_translate(cr, bounds.minX(), bounds.minY());
        content_->draw(*this, cr, size);
        cairo_restore(cr);
      }
    }
  }

  // Subviews (and the peer), clipped to the (rounded) bounds when the view clips.
  const bool clip = view_.clipsToBounds();
  if (clip) {
    GskRoundedRect rr = roundedRect(local, radius);
    gtk_snapshot_push_rounded_clip(snapshot, &rr);
  }
  for (GtkWidget* child = gtk_widget_get_first_child(widget_); child;
       child = gtk_widget_get_next_sibling(child)) {
    if (content_ && VD_IS_MIRROR(child) && VD_MIRROR(child)->mirror)
      content_->drawBeforeSubview(*this, VD_MIRROR(child)->mirror->view(), snapshot, size);
    gtk_widget_snapshot_child(widget_, child, snapshot);
  }
  if (clip) gtk_snapshot_pop(snapshot);

  // The border, above everything the view holds.
  if (layer.borderWidth() > 0 && layer.borderColor().a > 0) {
    const float w = static_cast<float>(layer.borderWidth());
    const Color c = layer.borderColor();
    GdkRGBA rgba{static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                 static_cast<float>(c.a)};
    GskRoundedRect rr = roundedRect(local, radius);
    const float widths[4] = {w, w, w, w};
    const GdkRGBA colors[4] = {rgba, rgba, rgba, rgba};
    gtk_snapshot_append_border(snapshot, &rr, widths, colors);
  }
  if (turnsItself) gtk_snapshot_restore(snapshot);
}

}  // namespace ui::gtk
