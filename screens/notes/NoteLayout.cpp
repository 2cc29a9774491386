#include "screens/notes/NoteLayout.h"

#include <algorithm>

#include "app/VDHelper.h"
#include "util/SystemVersion.h"

void NoteLayout::setLabel(ui::Label& label, const std::string& text, double fontSize,
                          const std::string& fontName, const ui::Color& textColor, double width) {
  const ui::Font font = ui::Font::named(fontName, fontSize);
  label.setFont(font);
  label.setNumberOfLines(0);
  label.setBackgroundColor(ui::Color::clear());
  label.setTextColor(textColor);
  const ui::Size size = VDHelper::sizeForString(text, width, font, systemMajorVersionNumber());
  label.setFrame(ui::Rect(label.frame().origin, size));
  label.setText(text);
}

std::string NoteLayout::normalizedTime(const std::string& noteTime) {
  std::string time = noteTime;
  std::replace(time.begin(), time.end(), '/', '-');
  return time;
}

std::optional<std::string> NoteLayout::relativeTime(const std::string& noteTime) {
  return VDHelper::intervalSinceNow(normalizedTime(noteTime));
}

std::optional<NoteLayout::MonthDay> NoteLayout::monthDay(const std::string& noteTime) {
  const std::optional<core::Date> date = VDHelper::dateFromString(normalizedTime(noteTime));
  if (!date) return std::nullopt;
  const core::Value parts = VDHelper::getTimeProperty(*date);
  return MonthDay{static_cast<int>(parts["month"].toInt()), static_cast<int>(parts["day"].toInt())};
}

std::string NoteLayout::rowTimeText(const std::string& noteTime) {
  if (std::optional<std::string> relative = relativeTime(noteTime)) return *relative;
  if (std::optional<MonthDay> md = monthDay(noteTime)) {
    return std::to_string(md->month) + "月" + std::to_string(md->day) + "日";
  }
  return "";
}
