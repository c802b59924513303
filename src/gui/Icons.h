#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvane::gui {

enum class IconKind {
    Open,
    Extract,
    View,
    Jobwick,
    Options,
    Help,
    About,
    Exit,
    Save,
    Copy,
    Print,
    Close,
    Select
};

// The program's own pictures, drawn at run time.
QIcon MakeIcon(IconKind kind);
QPixmap AboutBanner(int width, int height);
QPixmap OptionsPicture();

}  // namespace corvane::gui
