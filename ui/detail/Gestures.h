#pragma once
// Internal: one touch sequence's gesture recognisers (from the first touch down to the last touch up),
// shared by the window's touch engine and the recognisers. It decides which recognisers may recognise
// together and cancels the hit views' touches when a recogniser that cancels them recognises.

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class GestureRecognizer;
}

namespace ui::detail {

struct GestureSession : std::enable_shared_from_this<GestureSession> {
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers;  // hit view first, then ancestors
  std::function<void()> cancelViewTouches;                      // set by the window

  // Whether `r` may leave Possible now: no other recogniser of the sequence has recognised, unless the
  // two may recognise together.
  bool mayRecognize(GestureRecognizer& r) const;
  // `r` recognised: the others still possible fail (unless simultaneous), and the hit views' touches
  // are cancelled when `r` cancels them.
  void recognized(GestureRecognizer& r);

  static bool simultaneous(GestureRecognizer& a, GestureRecognizer& b);
};

}  // namespace ui::detail
