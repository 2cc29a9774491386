// Layers, custom drawing into a recording canvas, image contexts, text measuring and autoresizing.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/Canvas.h"
#include "ui/Image.h"
#include "ui/Layer.h"
#include "ui/TextMeasurer.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

struct PropertyLog : ViewObserver {
  std::vector<std::string> changes;
  void viewChanged(View&, ViewProperty p) override { changes.push_back(toString(p)); }
};

// A ring drawn from a value: what a progress view does.
class Ring : public View {
 public:
  using View::View;
  double progress = 0.25;
  void draw(Canvas& c, Rect) override {
    c.setStrokeColor(Color::white());
    c.setLineWidth(2);
    c.strokeEllipse({1, 1, 38, 38});
    Path arc;
    arc.moveTo({20, 20});
    arc.addArc({20, 20}, 17, -1.5707963, -1.5707963 + progress * 6.2831853, true);
    arc.close();
    c.setFillColor(Color::white());
    c.fillPath(arc);
    c.drawText("25%", {0, 40, 40, 12}, Font::boldSystem(10), TextAlignment::Center);
  }
};

}  // namespace

TEST(Layer, PropertiesNotifyTheObserversAndMasksToBoundsIsClipping) {
  test::Harness h;
  auto v = std::make_shared<View>(Rect{0, 0, 50, 50});
  h.setRoot(screen("Root", [&](View& root) { root.addSubview(v); }));
  PropertyLog log;
  h.window().addObserver(&log);
  Layer& l = v->layer();
  EXPECT_EQ(l.shadowOpacity(), 0);
  EXPECT_EQ(l.shadowOffset(), (Size{0, -3}));
  l.setCornerRadius(6);
  l.setMasksToBounds(true);
  l.setShadowColor(Color::black());  // unchanged: no notice
  l.setShadowOpacity(1.5);
  l.setShadowRadius(10);
  l.setShadowPath(Path::rect(v->bounds()));
  l.setBorderWidth(2);
  l.setBorderColor(Color::orange());
  EXPECT_TRUE(v->clipsToBounds());
  EXPECT_EQ(l.shadowOpacity(), 1.0);
  EXPECT_EQ(log.changes, (std::vector<std::string>{"layer", "clipsToBounds", "layer", "layer", "layer",
                                                   "layer", "layer"}));
  v->setNeedsDisplay();
  EXPECT_EQ(log.changes.back(), "display");
  h.window().removeObserver(&log);
}

TEST(Canvas, RecordsOperationsWithTheStateInForceAndRestoresSavedState) {
  Canvas c;
  c.setFillColor(Color::red());
  c.save();
  c.setFillColor(Color::blue());
  c.setLineWidth(3);
  c.translate(10, 0);
  c.fillRect({0, 0, 5, 5});
  c.restore();
  c.restore();  // unmatched: ignored
  c.strokeRect({0, 0, 5, 5});
  c.drawLinearGradient({0, 0}, {0, 10}, {{0, Color::white()}, {1, Color::black()}});

  const auto rects = c.operations(DrawOpKind::FillRect);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].fill, Color::blue());
  EXPECT_EQ(rects[0].transform.apply({0, 0}), (Point{10, 0}));
  const auto strokes = c.operations(DrawOpKind::StrokeRect);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].lineWidth, 1);
  EXPECT_TRUE(strokes[0].transform.isIdentity());
  EXPECT_EQ(c.fillColor(), Color::red());
  EXPECT_EQ(c.operations(DrawOpKind::LinearGradient).at(0).stops.size(), 2u);
  EXPECT_EQ(c.operations(DrawOpKind::Restore).size(), 1u);
}

TEST(Canvas, ImageContextMakesAnImageThatCarriesItsDrawing) {
  ImageContext ctx({20, 13}, false, 2);
  ctx.canvas().setFillColor(Color::black());
  for (double y : {0.0, 5.0, 10.0}) ctx.canvas().fillRect({0, y, 20, 1});
  auto image = ctx.image("menu");
  EXPECT_TRUE(image->isDrawn());
  EXPECT_EQ(image->size(), (Size{20, 13}));
  EXPECT_EQ(image->scale(), 2);
  ASSERT_EQ(image->drawing().size(), 3u);
  EXPECT_EQ(image->drawing()[2].rect, (Rect{0, 10, 20, 1}));
  EXPECT_FALSE(Image::create("plain")->isDrawn());
}

TEST(Canvas, RenderCollectsTheCustomDrawingOfVisibleViewsInTheViewsCoordinates) {
  test::Harness h;
  auto host = std::make_shared<View>(Rect{0, 0, 200, 200});
  auto ring = std::make_shared<Ring>(Rect{50, 60, 40, 52});
  auto hidden = std::make_shared<Ring>(Rect{0, 0, 40, 52});
  hidden->setHidden(true);
  host->addSubview(ring);
  host->addSubview(hidden);
  h.setRoot(screen("Root", [&](View& root) { root.addSubview(host); }));

  EXPECT_TRUE(ring->needsDisplay());
  Canvas c = h.render(*host);
  EXPECT_FALSE(ring->needsDisplay());
  ASSERT_EQ(c.operations().size(), 3u);  // the hidden ring draws nothing
  const DrawOp& circle = c.operations()[0];
  EXPECT_EQ(circle.kind, DrawOpKind::StrokePath);
  EXPECT_EQ(circle.stroke, Color::white());
  EXPECT_EQ(circle.lineWidth, 2);
  EXPECT_EQ(circle.transform.apply({0, 0}), (Point{50, 60}));  // the ring's origin inside host
  const DrawOp& arc = c.operations()[1];
  ASSERT_EQ(arc.path.elements().size(), 3u);
  EXPECT_EQ(arc.path.elements()[1].kind, Path::ElementKind::Arc);
  EXPECT_EQ(arc.path.elements()[1].radius, 17);
  EXPECT_EQ(c.operations()[2].text, "25%");
  EXPECT_EQ(c.operations()[2].font, Font::boldSystem(10));
}

TEST(Path, ShapesAndBounds) {
  EXPECT_EQ(Path::rect({0, 0, 20, 1}).describe(), "M 0 0 L 20 0 L 20 1 L 0 1 Z");
  EXPECT_EQ(Path::roundedRect({0, 0, 40, 20}, 6).bounds(), (Rect{0, 0, 40, 20}));
  EXPECT_EQ(Path::roundedRect({0, 0, 40, 20}, 0), Path::rect({0, 0, 40, 20}));
  EXPECT_EQ(Path::ellipse({0, 0, 10, 20}).bounds(), (Rect{0, 0, 10, 20}));
  EXPECT_TRUE(Path().bounds().isEmpty());
}

// Fixed metrics: wide (East Asian) characters 1 x size, others 0.5 x size, lines 1.2 x size, rounded up.
TEST(TextMeasuring, FixedMetricsWrapAndLimitLines) {
  struct Case {
    const char* name;
    const char* text;
    double fontSize;
    Size constraint;
    LineBreakMode mode;
    Size expected;
  };
  const Case cases[] = {
      {"empty", "", 17, {0, 0}, LineBreakMode::WordWrap, {0, 0}},
      {"ascii one line", "abcd", 10, {0, 0}, LineBreakMode::WordWrap, {20, 12}},
      {"chinese one line", "题库下载", 15, {0, 0}, LineBreakMode::WordWrap, {60, 18}},
      {"mixed", "第1题", 20, {0, 0}, LineBreakMode::WordWrap, {50, 24}},
      {"chinese wraps by character", "一二三四五六七", 20, {100, 0}, LineBreakMode::WordWrap, {100, 48}},
      {"words wrap between words", "aaaa bbbb cccc", 10, {50, 0}, LineBreakMode::WordWrap, {45, 24}},
      {"long word breaks by character", "abcdefghij", 10, {30, 0}, LineBreakMode::WordWrap, {30, 24}},
      {"character wrap", "aaaa bbbb", 10, {30, 0}, LineBreakMode::CharacterWrap, {30, 24}},
      {"hard breaks", "ab\n\nabcd", 10, {0, 0}, LineBreakMode::WordWrap, {20, 36}},
      {"height limits the lines", "一二三四五六七八", 10, {20, 25}, LineBreakMode::WordWrap, {20, 24}},
      {"height under a line still one", "一二三四", 10, {20, 5}, LineBreakMode::TruncateTail, {20, 12}},
      {"fractions round up", "abc", 17, {0, 0}, LineBreakMode::WordWrap, {26, 21}},
      {"spaces at a line's end take no room", "aaaa   ", 10, {100, 0}, LineBreakMode::WordWrap, {20, 12}},
      {"breaks at a space", "aaaa bbbb", 10, {25, 0}, LineBreakMode::WordWrap, {20, 24}},
      {"a wide character starts a line", "ab 你好", 10, {20, 0}, LineBreakMode::WordWrap, {20, 24}},
      {"narrow letters beyond ASCII join words",
       "caf\u00e9 caf\u00e9",
       10,
       {25, 0},
       LineBreakMode::WordWrap,
       {20, 24}},
      {"carriage returns take no room", "ab\r\ncd", 10, {0, 0}, LineBreakMode::WordWrap, {10, 24}},
      {"whole lines within the height", "a\nb\nc", 10, {100, 30}, LineBreakMode::WordWrap, {5, 24}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sizeWithFont(c.text, Font::system(c.fontSize), c.constraint, c.mode), c.expected);
  }
  EXPECT_EQ(sizeWithFont("一二 三四\nabc", Font::named("Helvetica", 10)), (Size{45, 12}));
}

TEST(TextMeasuring, AnotherMeasurerCanBeInstalled) {
  struct Tall : TextMeasurer {
    Size measure(std::string_view, const Font&, Size, LineBreakMode) const override { return {1, 99}; }
    double lineHeight(const Font&) const override { return 99; }
  };
  TextMeasurer::setCurrent(std::make_shared<Tall>());
  EXPECT_EQ(sizeWithFont("x", Font::system(10), {100, 100}), (Size{1, 99}));
  TextMeasurer::setCurrent(nullptr);
  EXPECT_EQ(sizeWithFont("x", Font::system(10), {100, 100}), (Size{5, 12}));
}

// Where a 100 x 100 child at (10, 10) of a 200 x 200 parent lands when the parent grows to 300 x 250.
TEST(Autoresizing, MasksShareTheGrowthAmongFlexibleParts) {
  struct Case {
    const char* name;
    unsigned mask;
    Rect expected;
  };
  const Case cases[] = {
      {"none", kAutoresizingNone, {10, 10, 100, 100}},
      {"flexible size", kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight, {10, 10, 200, 150}},
      {"flexible left margin", kAutoresizingFlexibleLeftMargin, {110, 10, 100, 100}},
      {"flexible right margin only", kAutoresizingFlexibleRightMargin, {10, 10, 100, 100}},
      {"left margin and width share by length",
       kAutoresizingFlexibleLeftMargin | kAutoresizingFlexibleWidth,
       {10 + 100.0 * 10 / 110, 10, 100 + 100.0 * 100 / 110, 100}},
      {"all vertical",
       kAutoresizingFlexibleTopMargin | kAutoresizingFlexibleHeight | kAutoresizingFlexibleBottomMargin,
       {10, 12.5, 100, 125}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto parent = std::make_shared<View>(Rect{0, 0, 200, 200});
    auto child = std::make_shared<View>(Rect{10, 10, 100, 100});
    child->setAutoresizingMask(c.mask);
    parent->addSubview(child);
    parent->setFrame({0, 0, 300, 250});
    const Rect f = child->frame();
    EXPECT_NEAR(f.minX(), c.expected.minX(), 1e-9);
    EXPECT_NEAR(f.minY(), c.expected.minY(), 1e-9);
    EXPECT_NEAR(f.width(), c.expected.width(), 1e-9);
    EXPECT_NEAR(f.height(), c.expected.height(), 1e-9);
  }
  auto parent = std::make_shared<View>(Rect{0, 0, 200, 200});
  auto child = std::make_shared<View>(Rect{10, 10, 100, 100});
  child->setAutoresizingMask(kAutoresizingFlexibleWidth);
  parent->setAutoresizesSubviews(false);
  parent->addSubview(child);
  parent->setFrame({0, 0, 300, 300});
  EXPECT_EQ(child->frame(), (Rect{10, 10, 100, 100}));
}
