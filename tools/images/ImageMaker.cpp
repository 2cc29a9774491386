// vd_make_images OUTDIR: draws the application's own pictures into OUTDIR (the bundle) as PNG files: the
// home screen's function tiles (normal and pressed), the first-use hints of the home and login screens,
// the tab bar's pictures, the check and cross marks of the progress overlays, the result screen's pass
// and fail seals, and the controls of the account, notes and answer-card screens that are pictures (the
// login button and check boxes, a note's tools, the answer card's boxes). They are drawn here, in code,
// so the bundle needs no picture files from anywhere else; the text is set in the application's own
// fonts.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>

#include "ui/detail/PangoText.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct Rgb {
  double r, g, b;
};

// Draws `paint` on a `width` x `height` point canvas at `scale` and writes it to dir/name.
bool write(const std::filesystem::path& dir, const std::string& name, double width, double height,
           double scale, const std::function<void(cairo_t*)>& paint) {
  const int w = static_cast<int>(std::lround(width * scale));
  const int h = static_cast<int>(std::lround(height * scale));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  paint(cr);
  cairo_destroy(cr);
  const std::filesystem::path file = dir / name;
  std::filesystem::create_directories(file.parent_path());
  const bool ok = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!ok) std::fprintf(stderr, "vd_make_images: cannot write %s\n", file.c_str());
  return ok;
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

// Text centred on (cx, cy).
void text(cairo_t* cr, const std::string& s, double cx, double cy, const ui::Font& font, Rgb color,
          double alpha = 1) {
  PangoLayout* layout = ui::detail::makeLayout(s, font, 0, ui::LineBreakMode::Clip);
  pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  cairo_set_source_rgba(cr, color.r, color.g, color.b, alpha);
  cairo_move_to(cr, cx - logical.width / 2.0, cy - logical.height / 2.0);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

Rgb darker(Rgb c, double f) { return {c.r * f, c.g * f, c.b * f}; }

// A home-screen tile: a rounded card in the function's colour, a round badge with its first character,
// its name below.
void tile(cairo_t* cr, const std::string& name, const std::string& badge, Rgb color, bool pressed) {
  const double w = 96, h = 76;
  const Rgb top = pressed ? darker(color, 0.75) : color;
  const Rgb bottom = darker(color, pressed ? 0.6 : 0.82);
  roundedRect(cr, 2, 2, w - 4, h - 4, 10);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(g, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(g, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  cairo_arc(cr, w / 2, 28, 17, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, pressed ? 0.8 : 0.95);
  cairo_fill(cr);
  text(cr, badge, w / 2, 28, ui::Font::boldSystem(17), darker(color, 0.8));
  text(cr, name, w / 2, 58, ui::Font::boldSystem(13), {1, 1, 1});
}

struct Function {
  const char* image;  // without "_up" / "_down"
  const char* name;
  Rgb color;
};

constexpr Function kFunctions[] = {
    {"canon_section_exercise", "章节练习", {0.20, 0.55, 0.86}},
    {"canon_simulate_exam", "模拟考试", {0.90, 0.45, 0.20}},
    {"canon_examgride", "考试指南", {0.30, 0.65, 0.35}},
    {"canon_random_exercise", "随机练习", {0.58, 0.40, 0.80}},
    {"canon_fast_learning", "快速学习", {0.95, 0.65, 0.15}},
    {"canon_myfav", "我的收藏", {0.88, 0.30, 0.45}},
    {"canon_errorredo", "错题重做", {0.80, 0.25, 0.25}},
    {"canon_learning_records", "学习记录", {0.20, 0.62, 0.62}},
    {"canon_test_chart", "试题排行", {0.35, 0.45, 0.75}},
    {"canon_findtest", "查找试题", {0.45, 0.60, 0.25}},
    {"canon_analy", "统计分析", {0.25, 0.50, 0.70}},
    {"canon_note", "我的笔记", {0.70, 0.50, 0.30}},
    {"canon_examinfo", "考试资讯", {0.50, 0.50, 0.55}},
};

// A 30-point tab picture: a simple sign, light when selected.
void tab(cairo_t* cr, int sign, bool selected) {
  const double a = selected ? 1 : 0.55;
  cairo_set_source_rgba(cr, selected ? 0.45 : 1, selected ? 0.75 : 1, 1, a);
  cairo_set_line_width(cr, 2.5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  switch (sign) {
    case 0:  // home
      cairo_move_to(cr, 4, 15);
      cairo_line_to(cr, 15, 5);
      cairo_line_to(cr, 26, 15);
      cairo_move_to(cr, 8, 13);
      cairo_line_to(cr, 8, 26);
      cairo_line_to(cr, 22, 26);
      cairo_line_to(cr, 22, 13);
      cairo_stroke(cr);
      break;
    case 1:  // chapters: a book
      cairo_rectangle(cr, 6, 5, 18, 21);
      cairo_move_to(cr, 10, 11);
      cairo_line_to(cr, 20, 11);
      cairo_move_to(cr, 10, 16);
      cairo_line_to(cr, 20, 16);
      cairo_stroke(cr);
      break;
    case 2:  // exams: a sheet with a tick
      cairo_rectangle(cr, 6, 4, 18, 23);
      cairo_move_to(cr, 10, 16);
      cairo_line_to(cr, 14, 20);
      cairo_line_to(cr, 21, 10);
      cairo_stroke(cr);
      break;
    default:  // more: three dots
      for (int i = 0; i < 3; ++i) {
        cairo_arc(cr, 7 + i * 8, 15, 2.5, 0, 2 * kPi);
        cairo_fill(cr);
      }
      break;
  }
}

void check(cairo_t* cr, double size) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, size / 9);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, size * 0.2, size * 0.52);
  cairo_line_to(cr, size * 0.42, size * 0.74);
  cairo_line_to(cr, size * 0.8, size * 0.28);
  cairo_stroke(cr);
}

void cross(cairo_t* cr, double size) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, size / 9);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, size * 0.25, size * 0.25);
  cairo_line_to(cr, size * 0.75, size * 0.75);
  cairo_move_to(cr, size * 0.75, size * 0.25);
  cairo_line_to(cr, size * 0.25, size * 0.75);
  cairo_stroke(cr);
}

// The result screen's seal (100 x 80 points, shown on the dark result panel): a round badge with two
// ribbons below it, green with a tick for a pass, red with a cross for a fail.
void seal(cairo_t* cr, bool pass) {
  const Rgb color = pass ? Rgb{0.2, 0.68, 0.33} : Rgb{0.84, 0.24, 0.2};
  const Rgb ribbon = darker(color, 0.72);
  const double cx = 50, cy = 34, r = 28;
  // Ribbons, behind the badge.
  for (int side : {-1, 1}) {
    cairo_move_to(cr, cx + side * 6, cy + 10);
    cairo_line_to(cr, cx + side * 22, cy + 42);
    cairo_line_to(cr, cx + side * 13, cy + 39);
    cairo_line_to(cr, cx + side * 8, cy + 46);
    cairo_line_to(cr, cx - side * 4, cy + 14);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, ribbon.r, ribbon.g, ribbon.b);
    cairo_fill(cr);
  }
  // The badge: a filled disc, a white ring inside its edge.
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_set_source_rgb(cr, color.r, color.g, color.b);
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, r - 4, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  // The mark, white, in the middle of the badge.
  cairo_save(cr);
  cairo_translate(cr, cx - 18, cy - 18);
  if (pass) {
    check(cr, 36);
  } else {
    cross(cr, 36);
  }
  cairo_restore(cr);
}

// ---- the account, notes and answer-card screens' controls ----

// A rounded button face in a vertical gradient.
void buttonFace(cairo_t* cr, double w, double h, Rgb color) {
  roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 6);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(g, 0, color.r, color.g, color.b);
  const Rgb low = darker(color, 0.8);
  cairo_pattern_add_color_stop_rgb(g, 1, low.r, low.g, low.b);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
}

// A check box: an empty rounded square, or a filled one with a tick.
void checkBox(cairo_t* cr, bool on) {
  roundedRect(cr, 1.5, 1.5, 17, 17, 3);
  if (on) {
    cairo_set_source_rgb(cr, 0.18, 0.5, 0.85);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 1, 1);
    check(cr, 18);
    cairo_restore(cr);
  } else {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.58);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
  }
}

// A note's tool button (59 x 30 on the dark strip): a pencil to edit, a bin to delete, in white.
void noteTool(cairo_t* cr, bool edit) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 1.6);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  if (edit) {
    cairo_move_to(cr, 22, 22);
    cairo_line_to(cr, 23.5, 17);
    cairo_line_to(cr, 33, 7.5);
    cairo_line_to(cr, 36.5, 11);
    cairo_line_to(cr, 27, 20.5);
    cairo_close_path(cr);
    cairo_stroke(cr);
  } else {
    cairo_rectangle(cr, 24, 10, 11, 13);
    cairo_move_to(cr, 21, 9.5);
    cairo_line_to(cr, 38, 9.5);
    cairo_move_to(cr, 27, 9.5);
    cairo_line_to(cr, 27, 7);
    cairo_line_to(cr, 32, 7);
    cairo_line_to(cr, 32, 9.5);
    cairo_move_to(cr, 28, 13);
    cairo_line_to(cr, 28, 20);
    cairo_move_to(cr, 31, 13);
    cairo_line_to(cr, 31, 20);
    cairo_stroke(cr);
  }
}

bool drawControls(const std::filesystem::path& dir) {
  bool ok = true;
  ok &= write(dir, "login_button@2x.png", 280, 36, 2, [](cairo_t* cr) {
    buttonFace(cr, 280, 36, {0.2, 0.56, 0.9});
  });
  ok &= write(dir, "login_check_off@2x.png", 20, 20, 2, [](cairo_t* cr) { checkBox(cr, false); });
  ok &= write(dir, "login_check_on@2x.png", 20, 20, 2, [](cairo_t* cr) { checkBox(cr, true); });
  // Notes: the button that opens a note's tools (three dots), the tools, the dividing line, and the
  // picture of an empty list.
  ok &= write(dir, "ic_showOption_Btn@2x.png", 30, 30, 2, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 0.45, 0.45, 0.48);
    for (int i = 0; i < 3; ++i) {
      cairo_arc(cr, 9 + i * 6, 15, 2, 0, 2 * kPi);
      cairo_fill(cr);
    }
  });
  ok &= write(dir, "ic_note_add@2x.png", 59, 30, 2, [](cairo_t* cr) { noteTool(cr, true); });
  ok &= write(dir, "ic_note_delete@2x.png", 59, 30, 2, [](cairo_t* cr) { noteTool(cr, false); });
  ok &= write(dir, "ic_noteBtn_bg@2x.png", 60, 10, 2, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 0.82, 0.82, 0.85);
    cairo_rectangle(cr, 0, 4.5, 60, 1);
    cairo_fill(cr);
  });
  ok &= write(dir, "ic_Notenot_bg@2x.png", 300, 48, 2, [](cairo_t* cr) {
    roundedRect(cr, 0.5, 0.5, 299, 47, 8);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.96);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.82, 0.82, 0.85);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    text(cr, "暂无笔记", 150, 24, ui::Font::system(15), {0.55, 0.55, 0.58});
  });
  // The answer card: the box a number is written in (stretched between 18 and 15 point caps) and the
  // line under a section.
  ok &= write(dir, "testcard_text_background@2x.png", 36, 30, 2, [](cairo_t* cr) {
    roundedRect(cr, 0.5, 0.5, 35, 29, 5);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.75, 0.75, 0.78);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  });
  ok &= write(dir, "testcard_line@2x.png", 20, 2, 2, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.82);
    cairo_rectangle(cr, 0, 0.5, 20, 1);
    cairo_fill(cr);
  });
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vd_make_images OUTDIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  bool ok = true;
  for (const Function& f : kFunctions) {
    const std::string badge(f.name, 3);  // the first character (3 UTF-8 bytes)
    for (bool pressed : {false, true}) {
      const std::string file = std::string(f.image) + (pressed ? "_down" : "_up") + "@2x.png";
      ok &= write(dir, file, 96, 76, 2, [&](cairo_t* cr) { tile(cr, f.name, badge, f.color, pressed); });
    }
  }
  ok &= write(dir, "prompt1@2x.png", 320, 480, 2, [](cairo_t* cr) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_paint(cr);
    text(cr, "欢迎使用", 160, 190, ui::Font::boldSystem(26), {1, 1, 1});
    text(cr, "先选“章节练习”，逐章做题", 160, 235, ui::Font::system(16), {1, 1, 1});
    text(cr, "点击任意处继续", 160, 290, ui::Font::system(14), {1, 1, 1}, 0.8);
  });
  // The login screen's first-use hint.
  ok &= write(dir, "prompt3@2x.png", 320, 480, 2, [](cairo_t* cr) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_paint(cr);
    text(cr, "登录账号", 160, 190, ui::Font::boldSystem(26), {1, 1, 1});
    text(cr, "登录后，做题记录随账号保存", 160, 235, ui::Font::system(16), {1, 1, 1});
    text(cr, "点击任意处继续", 160, 290, ui::Font::system(14), {1, 1, 1}, 0.8);
  });
  const char* tabs[] = {"homepage", "chapter", "exam", "more"};
  for (int i = 0; i < 4; ++i) {
    ok &=
        write(dir, std::string(tabs[i]) + "_down@2x.png", 30, 30, 2, [i](cairo_t* cr) { tab(cr, i, true); });
    ok &= write(dir, std::string(tabs[i]) + "_up@2x.png", 30, 30, 2, [i](cairo_t* cr) { tab(cr, i, false); });
  }
  ok &= write(dir, "37x-Checkmark.png", 37, 37, 1, [](cairo_t* cr) { check(cr, 37); });
  ok &= write(dir, "StatusHUD.bundle/success.png", 28, 28, 1, [](cairo_t* cr) { check(cr, 28); });
  ok &= write(dir, "StatusHUD.bundle/error.png", 28, 28, 1, [](cairo_t* cr) { cross(cr, 28); });
  ok &= drawControls(dir);
  ok &= write(dir, "testpass@2x.png", 100, 80, 2, [](cairo_t* cr) { seal(cr, true); });
  ok &= write(dir, "testnopass@2x.png", 100, 80, 2, [](cairo_t* cr) { seal(cr, false); });
  return ok ? 0 : 1;
}
