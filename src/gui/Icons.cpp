#include "Icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace corvane::gui {

namespace {
void Card(QPainter& p, const QColor& color) {
    p.setPen(QPen(color.darker(160), 2));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(4, 4, 40, 40), 8, 8);
}

void Glyph(QPainter& p, const QString& text, int size, const QColor& color = Qt::white) {
    QFont f("DejaVu Sans", size, QFont::Bold);
    p.setFont(f);
    p.setPen(color);
    p.drawText(QRectF(4, 4, 40, 40), Qt::AlignCenter, text);
}
}  // namespace

QIcon MakeIcon(IconKind kind) {
    QPixmap pix(48, 48);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
        case IconKind::Open: {
            p.setPen(QPen(QColor(150, 110, 0), 2));
            p.setBrush(QColor(250, 200, 60));
            QPainterPath folder;
            folder.moveTo(4, 12);
            folder.lineTo(18, 12);
            folder.lineTo(22, 16);
            folder.lineTo(44, 16);
            folder.lineTo(44, 40);
            folder.lineTo(4, 40);
            folder.closeSubpath();
            p.drawPath(folder);
            break;
        }
        case IconKind::Extract:
            Card(p, QColor(40, 150, 70));
            p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(24, 10, 24, 32);
            p.drawLine(14, 23, 24, 33);
            p.drawLine(34, 23, 24, 33);
            p.drawLine(12, 38, 36, 38);
            break;
        case IconKind::View:
            Card(p, QColor(40, 100, 190));
            p.setPen(QPen(Qt::white, 4));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(21, 21), 9, 9);
            p.drawLine(28, 28, 37, 37);
            break;
        case IconKind::Jobwick:
            Card(p, QColor(110, 110, 120));
            Glyph(p, "JCL", 10);
            break;
        case IconKind::Options:
            Card(p, QColor(120, 80, 160));
            p.setPen(QPen(Qt::white, 3));
            for (int k = 0; k < 3; ++k) {
                int y = 14 + 10 * k;
                p.drawLine(12, y, 36, y);
                p.setBrush(Qt::white);
                p.drawEllipse(QPointF(16 + 8 * ((k * 2) % 3), y), 3, 3);
            }
            break;
        case IconKind::Help:
            Card(p, QColor(0, 140, 160));
            Glyph(p, "?", 22);
            break;
        case IconKind::About:
            Card(p, QColor(30, 30, 30));
            Glyph(p, "i", 22, QColor(255, 255, 128));
            break;
        case IconKind::Exit:
        case IconKind::Close:
            Card(p, QColor(190, 50, 40));
            p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(16, 16, 32, 32);
            p.drawLine(32, 16, 16, 32);
            break;
        case IconKind::Save:
            Card(p, QColor(50, 70, 140));
            p.setBrush(Qt::white);
            p.setPen(Qt::NoPen);
            p.drawRect(14, 8, 20, 12);
            p.drawRect(12, 28, 24, 12);
            break;
        case IconKind::Copy:
            p.setPen(QPen(QColor(60, 60, 60), 2));
            p.setBrush(Qt::white);
            p.drawRect(8, 6, 24, 28);
            p.drawRect(16, 14, 24, 28);
            break;
        case IconKind::Print:
            p.setPen(QPen(QColor(60, 60, 60), 2));
            p.setBrush(Qt::white);
            p.drawRect(14, 6, 20, 14);
            p.setBrush(QColor(160, 160, 170));
            p.drawRoundedRect(6, 18, 36, 16, 3, 3);
            p.setBrush(Qt::white);
            p.drawRect(14, 30, 20, 12);
            break;
        case IconKind::Select:
            Card(p, QColor(90, 130, 90));
            p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(13, 25, 21, 33);
            p.drawLine(21, 33, 36, 15);
            break;
    }
    return QIcon(pix);
}

QPixmap AboutBanner(int width, int height) {
    QPixmap pix(width, height);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, QColor(10, 30, 80));
    g.setColorAt(1, QColor(0, 110, 150));
    p.fillRect(pix.rect(), g);
    p.setPen(QColor(255, 255, 255, 40));
    for (int x = 0; x < width; x += 12) p.drawLine(x, 0, x - height, height);
    QFont f("DejaVu Sans", 30, QFont::Bold);
    p.setFont(f);
    p.setPen(QColor(255, 255, 128));
    p.drawText(pix.rect().adjusted(0, 0, 0, -18), Qt::AlignCenter, "CORVANE");
    QFont s("DejaVu Sans Mono", 10);
    p.setFont(s);
    p.setPen(Qt::white);
    p.drawText(pix.rect().adjusted(0, 0, 0, -8), Qt::AlignHCenter | Qt::AlignBottom,
               "INMR01 . INMR02 . INMR03 . COPYR1 . COPYR2 . INMR06");
    return pix;
}

QPixmap OptionsPicture() {
    return MakeIcon(IconKind::Options).pixmap(32, 32);
}

}  // namespace corvane::gui
