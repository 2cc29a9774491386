#pragma once
// Text layout settings shared by labels, controls, drawing and text measuring.

namespace ui {

enum class TextAlignment { Left, Center, Right };

// How text that does not fit is broken into lines or shortened.
enum class LineBreakMode { WordWrap, CharacterWrap, Clip, TruncateHead, TruncateTail, TruncateMiddle };

}  // namespace ui
