// vd_make_images OUTDIR: draws the application's own pictures into OUTDIR (the bundle) as PNG files: the
// home screen's function tiles (normal and pressed), the first-use hints of the home, login and side-menu
// screens, the tab bar's pictures, the check and cross marks of the progress overlays, the result screen's
// pass and fail seals, the controls of the account, notes and answer-card screens that are pictures (the
// login button and check boxes, a note's tools, the answer card's boxes), the side menu's rows and icons,
// my centre's pictures, the verification code's refresh sign, the e-mail check's picture and the error
// report's check boxes. They are drawn here, in code,
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
#include <utility>

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
  // A question's box on the card (52 x 52): white while unanswered, green right, red wrong, blue answered
  // in an exam.
  const std::pair<const char*, Rgb> kCardBoxes[] = {{"testcard_white_btn", {1, 1, 1}},
                                                   {"testcard_green_btn", {0.3, 0.72, 0.4}},
                                                   {"testcard_red_btn", {0.88, 0.33, 0.3}},
                                                   {"testcard_blue_btn", {0.25, 0.55, 0.9}}};
  for (const auto& [name, fill] : kCardBoxes) {
    const Rgb edge = fill.r > 0.99 ? Rgb{0.75, 0.75, 0.78} : darker(fill, 0.8);
    ok &= write(dir, std::string(name) + "@2x.png", 52, 52, 2, [fill, edge](cairo_t* cr) {
      roundedRect(cr, 1.5, 1.5, 49, 49, 8);
      cairo_set_source_rgb(cr, fill.r, fill.g, fill.b);
      cairo_fill_preserve(cr);
      cairo_set_source_rgb(cr, edge.r, edge.g, edge.b);
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
    });
  }
  ok &= write(dir, "testcard_line@2x.png", 20, 2, 2, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.82);
    cairo_rectangle(cr, 0, 0.5, 20, 1);
    cairo_fill(cr);
  });
  return ok;
}


// A round badge with a character in it: the side menu's and my centre's row icons (drawn large, the rows
// scale them down). Pressed: the badge lights.
void badgeIcon(cairo_t* cr, double size, const std::string& character, Rgb color, bool pressed) {
  const double c = size / 2, r = size / 2 - size * 0.06;
  cairo_arc(cr, c, c, r, 0, 2 * kPi);
  if (pressed) {
    cairo_set_source_rgb(cr, color.r, color.g, color.b);
    cairo_fill(cr);
    text(cr, character, c, c, ui::Font::boldSystem(size * 0.5), {1, 1, 1});
  } else {
    cairo_set_source_rgb(cr, color.r, color.g, color.b);
    cairo_set_line_width(cr, size * 0.07);
    cairo_stroke(cr);
    text(cr, character, c, c, ui::Font::boldSystem(size * 0.5), color);
  }
}

// A chevron pointing right, centred in a size x size square.
void chevron(cairo_t* cr, double size, Rgb color) {
  cairo_set_source_rgb(cr, color.r, color.g, color.b);
  cairo_set_line_width(cr, size / 8);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, size * 0.38, size * 0.22);
  cairo_line_to(cr, size * 0.66, size * 0.5);
  cairo_line_to(cr, size * 0.38, size * 0.78);
  cairo_stroke(cr);
}

// The refresh sign beside a verification code: an open circle with an arrow head.
void refreshSign(cairo_t* cr, double size, Rgb color) {
  const double c = size / 2, r = size * 0.33;
  cairo_set_source_rgb(cr, color.r, color.g, color.b);
  cairo_set_line_width(cr, size / 8);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_arc(cr, c, c, r, -kPi / 3, 1.5 * kPi);
  cairo_stroke(cr);
  const double ax = c + r * std::cos(-kPi / 3), ay = c + r * std::sin(-kPi / 3);
  cairo_move_to(cr, ax + size * 0.2, ay - size * 0.02);
  cairo_line_to(cr, ax - size * 0.04, ay - size * 0.2);
  cairo_line_to(cr, ax - size * 0.06, ay + size * 0.12);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// A first-use hint over the whole window: a dark veil, a title, a line of help, "tap anywhere".
void hint(cairo_t* cr, const std::string& title, const std::string& line) {
  cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
  cairo_paint(cr);
  text(cr, title, 160, 190, ui::Font::boldSystem(26), {1, 1, 1});
  text(cr, line, 160, 235, ui::Font::system(16), {1, 1, 1});
  text(cr, "点击任意处继续", 160, 290, ui::Font::system(14), {1, 1, 1}, 0.8);
}

// The side menu's rows: each row's icon (normal and lit), the row background and the lit row.
bool drawSideMenu(const std::filesystem::path& dir) {
  struct Row {
    const char* normal;
    const char* lit;
    const char* character;
  };
  constexpr Row kRows[] = {
      {"even_selectsubject", "even_selectsubject_down", "科"}, {"even_setting", "even_setting_down", "设"},
      {"score_up", "score_down", "评"},           {"even_searchtest", "even_searchtest_down", "查"},
      {"even_feedback", "even_feedback_down", "馈"}, {"even_softshare", "even_softshare_down", "享"},
      {"even_checkupdate", "even_checkupdate_down", "新"}, {"even_aboutsoft", "even_aboutsoft_down", "关"},
  };
  const Rgb light{0.86, 0.88, 0.92};
  const Rgb lit{0.35, 0.7, 1.0};
  bool ok = true;
  for (const Row& row : kRows) {
    ok &= write(dir, std::string(row.normal) + "@2x.png", 80, 80, 2,
                [&](cairo_t* cr) { badgeIcon(cr, 80, row.character, light, false); });
    ok &= write(dir, std::string(row.lit) + "@2x.png", 80, 80, 2,
                [&](cairo_t* cr) { badgeIcon(cr, 80, row.character, lit, true); });
  }
  // A row: the menu's colour, a faint line at the foot; lit: lighter, with a bar on the left.
  ok &= write(dir, "even_item_background@2x.png", 260, 44, 2, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 44 / 255.0, 50 / 255.0, 61 / 255.0);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 58 / 255.0, 65 / 255.0, 78 / 255.0);
    cairo_rectangle(cr, 0, 43, 260, 1);
    cairo_fill(cr);
  });
  ok &= write(dir, "even_cellbackground@2x.png", 260, 44, 2, [](cairo_t* cr) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 44);
    cairo_pattern_add_color_stop_rgb(g, 0, 70 / 255.0, 80 / 255.0, 97 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, 56 / 255.0, 64 / 255.0, 78 / 255.0);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 0.35, 0.7, 1.0);
    cairo_rectangle(cr, 0, 0, 4, 44);
    cairo_fill(cr);
  });
  // The badge of the row "检查更新" while an update waits (30 x 20, on a red rounded view).
  ok &= write(dir, "newContent.png", 30, 20, 1, [](cairo_t* cr) {
    roundedRect(cr, 0, 0, 30, 20, 6);
    cairo_set_source_rgb(cr, 230 / 255.0, 60 / 255.0, 50 / 255.0);
    cairo_fill(cr);
    text(cr, "NEW", 15, 10, ui::Font::boldSystem(10), {1, 1, 1});
  });
  ok &= write(dir, "prompt2@2x.png", 320, 480, 2,
              [](cairo_t* cr) { hint(cr, "更多功能", "在这里换科目、检查更新和设置"); });
  return ok;
}

// My centre, security setup, registration, the e-mail check and the error report.
bool drawAccountPictures(const std::filesystem::path& dir) {
  bool ok = true;
  // The picture of a user without an avatar (70 x 70): a head and shoulders on a pale card.
  ok &= write(dir, "center_head@2x.png", 70, 70, 2, [](cairo_t* cr) {
    roundedRect(cr, 0.5, 0.5, 69, 69, 8);
    cairo_set_source_rgb(cr, 0.86, 0.9, 0.95);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.75, 0.8, 0.87);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_save(cr);
    roundedRect(cr, 0.5, 0.5, 69, 69, 8);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 0.55, 0.63, 0.75);
    cairo_arc(cr, 35, 27, 13, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_arc(cr, 35, 72, 26, kPi, 2 * kPi);
    cairo_fill(cr);
    cairo_restore(cr);
  });
  // The rows' icons of my centre (shown at 0.6: 24 points).
  struct Row {
    const char* name;
    const char* character;
    Rgb color;
  };
  constexpr Row kCentreRows[] = {{"center_data", "资", {0.2, 0.56, 0.9}},
                                 {"center_safety", "安", {0.2, 0.65, 0.4}},
                                 {"center_message", "信", {0.95, 0.6, 0.15}}};
  for (const Row& row : kCentreRows)
    ok &= write(dir, std::string(row.name) + "@2x.png", 40, 40, 2,
                [&](cairo_t* cr) { badgeIcon(cr, 40, row.character, row.color, true); });
  // The arrow of a row that opens another screen, and the smaller, paler one of a row that cannot.
  ok &= write(dir, "center_down@2x.png", 20, 20, 2, [](cairo_t* cr) { chevron(cr, 20, {0.6, 0.6, 0.63}); });
  ok &= write(dir, "center_up@2x.png", 10, 10, 2, [](cairo_t* cr) { chevron(cr, 10, {0.8, 0.8, 0.83}); });
  // The message card's blue-grey top edge and its delete button.
  ok &= write(dir, "center_topbluegrey@2x.png", 300, 15, 2, [](cairo_t* cr) {
    roundedRect(cr, 0, 0, 300, 22, 6);
    cairo_set_source_rgb(cr, 0.45, 0.55, 0.68);
    cairo_fill(cr);
  });
  ok &= write(dir, "center_delect@2x.png", 30, 30, 2, [](cairo_t* cr) {
    cairo_arc(cr, 15, 15, 11, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.84, 0.3, 0.28);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 7, 7);
    cross(cr, 16);
    cairo_restore(cr);
  });
  // The sign that asks for another verification code, and its pressed look.
  ok &= write(dir, "verificationcode_dowm@2x.png", 16, 16, 2,
              [](cairo_t* cr) { refreshSign(cr, 16, {0.2, 0.56, 0.9}); });
  ok &= write(dir, "verificationcode_up@2x.png", 16, 16, 2,
              [](cairo_t* cr) { refreshSign(cr, 16, {0.12, 0.36, 0.62}); });
  // The e-mail check's picture (320 x 220) under its text: a pale sky with an envelope at the foot.
  ok &= write(dir, "email_verify_bg@2x.png", 320, 220, 2, [](cairo_t* cr) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 220);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.93, 0.96, 1.0);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.85, 0.91, 0.98);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    roundedRect(cr, 120, 140, 80, 54, 5);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.45, 0.6, 0.82);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_move_to(cr, 122, 143);
    cairo_line_to(cr, 160, 172);
    cairo_line_to(cr, 198, 143);
    cairo_stroke(cr);
  });
  // The notices screen without notices: a bell and a line, on the screen's grey.
  ok &= write(dir, "center_noinform@2x.png", 320, 416, 2, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.75, 0.77, 0.8);
    cairo_move_to(cr, 136, 170);
    cairo_curve_to(cr, 136, 120, 184, 120, 184, 170);
    cairo_line_to(cr, 190, 182);
    cairo_line_to(cr, 130, 182);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_arc(cr, 160, 188, 7, 0, kPi);
    cairo_fill(cr);
    text(cr, "暂无信息通知", 160, 225, ui::Font::system(16), {0.55, 0.55, 0.58});
  });
  // A report's delete button in the feedback records (40 x 40).
  ok &= write(dir, "feedback_delect@2x.png", 40, 40, 2, [](cairo_t* cr) {
    cairo_arc(cr, 20, 20, 10, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.7, 0.7, 0.72);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 13, 13);
    cross(cr, 14);
    cairo_restore(cr);
  });
  // The error report's check boxes (20 x 20).
  ok &= write(dir, "ic_feedback_checked.png", 20, 20, 1, [](cairo_t* cr) { checkBox(cr, true); });
  ok &= write(dir, "ic_feedback_unchecked.png", 20, 20, 1, [](cairo_t* cr) { checkBox(cr, false); });
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
  ok &= write(dir, "prompt1@2x.png", 320, 480, 2,
              [](cairo_t* cr) { hint(cr, "欢迎使用", "先选“章节练习”，逐章做题"); });
  // The login screen's first-use hint.
  ok &= write(dir, "prompt3@2x.png", 320, 480, 2,
              [](cairo_t* cr) { hint(cr, "登录账号", "登录后，做题记录随账号保存"); });
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
  ok &= drawSideMenu(dir);
  ok &= drawAccountPictures(dir);
  ok &= write(dir, "testpass@2x.png", 100, 80, 2, [](cairo_t* cr) { seal(cr, true); });
  ok &= write(dir, "testnopass@2x.png", 100, 80, 2, [](cairo_t* cr) { seal(cr, false); });
  return ok ? 0 : 1;
}
