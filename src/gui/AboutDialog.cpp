#include "AboutDialog.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "Icons.h"

namespace corvane::gui {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit clicked();
}

AboutDialog::AboutDialog(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FrmAbout");
    setFixedSize(416, 229);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);  // it takes the keys that close it

    const QString yellow = "color: rgb(255, 255, 128);";
    auto label = [&](const char* name, const QString& text, QRect geometry, const QString& style,
                     Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* l = new ClickLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(geometry);
        l->setStyleSheet(style);
        l->setAlignment(align);
        return l;
    };
    Label1 = label("Label1", "Version:", QRect(8, 8, 70, 16), yellow + "font-size: 8pt;",
                   Qt::AlignRight | Qt::AlignVCenter);
    Label8 = label("Label8", "3", QRect(84, 8, 120, 16), yellow + "font-size: 8pt;");
    Label7 = label("Label7", "Status: ", QRect(8, 26, 70, 16), yellow + "font-size: 8pt;",
                   Qt::AlignRight | Qt::AlignVCenter);
    Label5 = label("Label5", "Reads IBM TSO TRANSMIT files", QRect(84, 26, 200, 16),
                   yellow + "font-size: 8pt;");
    Label6 = label("Label6", "without a mainframe.", QRect(288, 26, 120, 16),
                   yellow + "font-size: 8pt;");
    Image1 = label("Image1", QString(), QRect(-6, 50, 429, 89), QString());
    Image1->setPixmap(AboutBanner(429, 89));
    Label2 = label("Label2", "Free to use. The XMIT file is only ever read, never changed.",
                   QRect(0, 146, 416, 18), "color: red;", Qt::AlignCenter);
    Label3 = label("Label3", "OK", QRect(158, 170, 100, 44),
                   "color: red; font-family: 'URW Chancery L', 'Z003', cursive; font-size: 22pt; "
                   "font-weight: bold; font-style: italic;",
                   Qt::AlignCenter);
    connect(Label3, &ClickLabel::clicked, this, &QWidget::hide);
}

void AboutDialog::ShowOver(QWidget* window) {
    if (window) {
        QRect g = window->frameGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void AboutDialog::mousePressEvent(QMouseEvent* event) {
    event->accept();
    hide();
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            event->accept();
            hide();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace corvane::gui
