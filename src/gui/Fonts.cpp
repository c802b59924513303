#include "Fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace corvane::gui {

namespace {
// Card images keep their columns only where every letter is one width.
bool KeepsColumns(const QFont& font) {
    const QFontMetrics m(font);
    return m.horizontalAdvance(QString(10, 'i')) == m.horizontalAdvance(QString(10, 'M'));
}
}  // namespace

QFont FixedWidthFont() {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    if (KeepsColumns(fixed)) return fixed;
    for (const QString& family : QFontDatabase::families()) {
        QFont other = fixed;
        other.setFamily(family);
        if (KeepsColumns(other)) return other;
    }
    return fixed;
}

}  // namespace corvane::gui
