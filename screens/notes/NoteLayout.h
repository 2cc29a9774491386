#pragma once
// NoteLayout: what the note screens share in showing a note: the label sizing of note texts and the
// time texts of a note's server time.

#include <optional>
#include <string>

#include "ui/Color.h"
#include "ui/Label.h"

class NoteLayout {
 public:
  static constexpr const char* kTextFont = "Helvetica";
  static constexpr const char* kPlaceholderImage = "ic_Notenot_bg";
  static constexpr double kPlaceholderImageY = 50;

  // A label for a text of any length: the named font of the size, unlimited lines, clear background,
  // the colour, and the size the text measures within `width` at the label's origin (the measured size,
  // or from system version 7 on the measured size plus 12 both ways).
  static void setLabel(ui::Label& label, const std::string& text, double fontSize,
                       const std::string& fontName, const ui::Color& textColor, double width);

  // The server time with every "/" turned into "-" (some servers write the date with slashes).
  static std::string normalizedTime(const std::string& noteTime);
  // How long ago the note was written ("刚刚", "5分钟前", "昨天", ...); nullopt when it lies more than
  // ten days back (or does not read as a time).
  static std::optional<std::string> relativeTime(const std::string& noteTime);
  // The month and day of the note's time; nullopt when it does not read as a time.
  struct MonthDay {
    int month = 0;
    int day = 0;
  };
  static std::optional<MonthDay> monthDay(const std::string& noteTime);
  // The time text of a note row of a question's notes: the relative text, else "<month>月<day>日", else
  // "" for a time that does not read.
  static std::string rowTimeText(const std::string& noteTime);
};
