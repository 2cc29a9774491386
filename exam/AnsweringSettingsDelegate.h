#pragma once
// AnsweringSettingsDelegate: what the settings screen ("softSetting"), opened from the answering screen,
// calls back: refreshView after a change of the page's look (font size, night style), enableScreenLight
// when the keep-screen-lit setting changes.

class AnsweringSettingsDelegate {
 public:
  virtual ~AnsweringSettingsDelegate() = default;
  virtual void refreshView() = 0;
  virtual void enableScreenLight(bool enable) = 0;
};
