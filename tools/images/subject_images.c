/* Draws the images of the subject choice into a directory (cairo and pango, font "Noto Sans CJK SC"):
 *
 *   introduce1.png ... introduce3.png   the welcome pages, 320 x 480
 *   introduce3_up.png, introduce3_down.png   the start button on the third page, 225 x 52
 *   category_yiyao.png, category_jianzhu.png, category_caikuai.png, category_qita.png   row icons, 80 x 80
 *   blackbar.png   the tile of the subject screen's bottom bar, 8 x 44
 *
 * tools/images/draw_subject_images.sh builds and runs it; the images it made are kept in resources/.
 */

#include <math.h>
#include <pango/pangocairo.h>
#include <stdio.h>
#include <string.h>

static const char *out_dir = ".";

static void rgb(cairo_t *cr, unsigned hex, double alpha) {
  cairo_set_source_rgba(cr, ((hex >> 16) & 255) / 255.0, ((hex >> 8) & 255) / 255.0, (hex & 255) / 255.0, alpha);
}

static void rounded(cairo_t *cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

/* Text centred on (cx, y) (y is the top of the text), in the given size and weight. */
static void text(cairo_t *cr, const char *utf8, double cx, double y, double size, int bold, unsigned colour) {
  PangoLayout *layout = pango_cairo_create_layout(cr);
  PangoFontDescription *font = pango_font_description_from_string("Noto Sans CJK SC");
  pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
  pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, utf8, -1);
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  rgb(cr, colour, 1);
  cairo_move_to(cr, cx - w / 2.0, y);
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(font);
  g_object_unref(layout);
}

static int save(cairo_surface_t *surface, const char *name) {
  char path[4096];
  snprintf(path, sizeof path, "%s/%s", out_dir, name);
  if (cairo_surface_write_to_png(surface, path) != CAIRO_STATUS_SUCCESS) {
    fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  return 0;
}

/* ---- the welcome pages ---- */

static void page_background(cairo_t *cr, unsigned top, unsigned bottom) {
  cairo_pattern_t *g = cairo_pattern_create_linear(0, 0, 0, 480);
  cairo_pattern_add_color_stop_rgb(g, 0, ((top >> 16) & 255) / 255.0, ((top >> 8) & 255) / 255.0,
                                   (top & 255) / 255.0);
  cairo_pattern_add_color_stop_rgb(g, 1, ((bottom >> 16) & 255) / 255.0, ((bottom >> 8) & 255) / 255.0,
                                   (bottom & 255) / 255.0);
  cairo_set_source(cr, g);
  cairo_paint(cr);
  cairo_pattern_destroy(g);
}

static void page_dots(cairo_t *cr, int current, double y) {
  for (int i = 0; i < 3; ++i) {
    cairo_arc(cr, 160 + (i - 1) * 18, y, 4, 0, 2 * M_PI);
    rgb(cr, 0xffffff, i == current ? 1.0 : 0.4);
    cairo_fill(cr);
  }
}

static void book(cairo_t *cr, double x, double y, double w, double h, unsigned colour) {
  rounded(cr, x, y, w, h, 4);
  rgb(cr, colour, 1);
  cairo_fill(cr);
  cairo_rectangle(cr, x + 6, y + 4, 3, h - 8);
  rgb(cr, 0xffffff, 0.7);
  cairo_fill(cr);
}

static int welcome1(void) {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 480);
  cairo_t *cr = cairo_create(s);
  page_background(cr, 0x2f80ed, 0x1b4f9c);
  /* a pile of books */
  book(cr, 85, 190, 150, 30, 0xf2c94c);
  book(cr, 95, 160, 130, 30, 0xeb5757);
  book(cr, 80, 130, 160, 30, 0x6fcf97);
  book(cr, 100, 100, 120, 30, 0xffffff);
  text(cr, "瓦朵题库", 160, 250, 34, 1, 0xffffff);
  text(cr, "选一个考试科目，题库随身带", 160, 300, 16, 0, 0xe6f0ff);
  text(cr, "向左滑动，了解更多", 160, 400, 13, 0, 0xc9dcff);
  page_dots(cr, 0, 450);
  cairo_destroy(cr);
  int rc = save(s, "introduce1.png");
  cairo_surface_destroy(s);
  return rc;
}

static int welcome2(void) {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 480);
  cairo_t *cr = cairo_create(s);
  page_background(cr, 0x27ae60, 0x17693a);
  /* a sheet with ticked answers */
  rounded(cr, 95, 80, 130, 150, 8);
  rgb(cr, 0xffffff, 1);
  cairo_fill(cr);
  for (int i = 0; i < 4; ++i) {
    double y = 105 + i * 32;
    cairo_set_line_width(cr, 4);
    rgb(cr, i == 2 ? 0xeb5757 : 0x27ae60, 1);
    if (i == 2) {
      cairo_move_to(cr, 110, y - 7);
      cairo_line_to(cr, 122, y + 5);
      cairo_move_to(cr, 122, y - 7);
      cairo_line_to(cr, 110, y + 5);
    } else {
      cairo_move_to(cr, 108, y);
      cairo_line_to(cr, 114, y + 6);
      cairo_line_to(cr, 125, y - 7);
    }
    cairo_stroke(cr);
    rounded(cr, 135, y - 4, 75, 8, 4);
    rgb(cr, 0xd0d7de, 1);
    cairo_fill(cr);
  }
  text(cr, "章节练习 · 模拟考试", 160, 255, 26, 1, 0xffffff);
  text(cr, "逐章练习，随时检验学习成果", 160, 302, 16, 0, 0xe3f7ea);
  page_dots(cr, 1, 450);
  cairo_destroy(cr);
  int rc = save(s, "introduce2.png");
  cairo_surface_destroy(s);
  return rc;
}

static int welcome3(void) {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 480);
  cairo_t *cr = cairo_create(s);
  page_background(cr, 0xf2994a, 0xc0601a);
  /* a rising bar chart under a star */
  const double bars[] = {40, 65, 90, 120};
  for (int i = 0; i < 4; ++i) {
    rounded(cr, 95 + i * 34, 220 - bars[i], 24, bars[i], 4);
    rgb(cr, 0xffffff, 0.55 + i * 0.15);
    cairo_fill(cr);
  }
  cairo_move_to(cr, 160, 48);
  for (int i = 1; i < 10; ++i) {
    double r = (i % 2) ? 9 : 22;
    double a = -M_PI / 2 + i * M_PI / 5;
    cairo_line_to(cr, 160 + r * cos(a), 70 + r * sin(a));
  }
  cairo_close_path(cr);
  rgb(cr, 0xfff3b0, 1);
  cairo_fill(cr);
  text(cr, "错题重做 · 收藏笔记", 160, 250, 26, 1, 0xffffff);
  text(cr, "记下每一次进步", 160, 297, 16, 0, 0xfff0e0);
  page_dots(cr, 2, 450);
  cairo_destroy(cr);
  int rc = save(s, "introduce3.png");
  cairo_surface_destroy(s);
  return rc;
}

static int start_button(const char *name, int pressed) {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 225, 52);
  cairo_t *cr = cairo_create(s);
  rounded(cr, 2, 2, 221, 48, 24);
  rgb(cr, pressed ? 0xf0d5bd : 0xffffff, 1);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 2);
  rgb(cr, 0xa04d10, 1);
  cairo_stroke(cr);
  text(cr, "开始体验", 112.5, 12, 20, 1, pressed ? 0x7a3a0c : 0xc0601a);
  cairo_destroy(cr);
  int rc = save(s, name);
  cairo_surface_destroy(s);
  return rc;
}

/* ---- row icons ---- */

static int icon(const char *name, unsigned colour, const char *glyph) {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 80, 80);
  cairo_t *cr = cairo_create(s);
  rounded(cr, 2, 2, 76, 76, 18);
  rgb(cr, colour, 1);
  cairo_fill(cr);
  text(cr, glyph, 40, 10, 44, 1, 0xffffff);
  cairo_destroy(cr);
  int rc = save(s, name);
  cairo_surface_destroy(s);
  return rc;
}

static int blackbar(void) {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 8, 44);
  cairo_t *cr = cairo_create(s);
  cairo_pattern_t *g = cairo_pattern_create_linear(0, 0, 0, 44);
  cairo_pattern_add_color_stop_rgb(g, 0, 0.27, 0.27, 0.29);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.08, 0.08, 0.09);
  cairo_set_source(cr, g);
  cairo_paint(cr);
  cairo_pattern_destroy(g);
  cairo_rectangle(cr, 0, 0, 8, 1);
  cairo_set_source_rgb(cr, 0.45, 0.45, 0.47);
  cairo_fill(cr);
  cairo_destroy(cr);
  int rc = save(s, "blackbar.png");
  cairo_surface_destroy(s);
  return rc;
}

int main(int argc, char **argv) {
  if (argc > 1) out_dir = argv[1];
  int rc = 0;
  rc |= welcome1();
  rc |= welcome2();
  rc |= welcome3();
  rc |= start_button("introduce3_up.png", 0);
  rc |= start_button("introduce3_down.png", 1);
  rc |= icon("category_yiyao.png", 0xe05656, "医");
  rc |= icon("category_jianzhu.png", 0x2f80ed, "建");
  rc |= icon("category_caikuai.png", 0x27ae60, "财");
  rc |= icon("category_qita.png", 0xf2994a, "职");
  rc |= blackbar();
  return rc;
}
