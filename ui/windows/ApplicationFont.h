#pragma once

namespace corvan::ui {

// The windows are laid out in fixed pixels for a small sans serif face. This makes a
// face with the metrics of the classic desktop fonts every control's default, so that
// every caption fits its box.
void useLayoutFont();

}  // namespace corvan::ui
