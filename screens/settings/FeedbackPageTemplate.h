#pragma once
// The guest's feedback page: a chat-like XHTML page whose bubble images ("c_*.png" on the left, "r_*.png"
// on the right, "c_fill.png", "r_fill.png") are bundle resources, so it is loaded with the bundle's
// resource directory as base. It opens with one right-hand bubble that welcomes suggestions and names the
// service hotline; the sent texts go where the block "Feedback_Msg" holds kFeedbackSlot.

#include <string>

inline constexpr const char* kFeedbackSlot = "<span></span>";

// The page with `hotline` in the welcome bubble (HTML-escaped).
std::string feedbackPageTemplate(const std::string& hotline);
