#pragma once
// FontSizeSettingOwner: what the choice of the question text size (FontSizeViewController) reads and
// sets of the settings screen that pushed it: the font label, whose text is kFontLabelPrefix followed by
// the size word. The settings screen implements it and hands itself to the choice, which holds it
// weakly. Main thread only.

namespace ui {
class Label;
}

class FontSizeSettingOwner {
 public:
  static constexpr const char* kFontLabelPrefix = "当前字体大小为：";

  virtual ~FontSizeSettingOwner() = default;
  // The font label; nullptr before the view loads.
  virtual ui::Label* lblFontSize() const = 0;
};
