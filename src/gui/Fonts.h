#pragma once

#include <QFont>

namespace corvane::gui {

// The desktop's fixed-width font, or, where the desktop maps it to one
// whose letters differ in width, the first family whose letters are one
// width. Characters it lacks (the control pictures, for one) are drawn
// from other fonts as the system finds them.
QFont FixedWidthFont();

}  // namespace corvane::gui
