#include "FindBar.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QToolButton>

#include "TextPane.h"
#include "search/TextFind.h"

namespace corvane::gui {

FindBar::FindBar(QMainWindow& window, TextPane& pane, QMenu& menu)
    : QToolBar(&window), pane_(pane) {
    setObjectName("FindBar");
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);
    addWidget(new QLabel("Find:", this));
    EdtFind = new QLineEdit(this);
    EdtFind->setObjectName("EdtFind");
    EdtFind->setMaximumWidth(260);
    EdtFind->installEventFilter(this);
    addWidget(EdtFind);
    auto button = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        addWidget(b);
        return b;
    };
    BtnFindNext = button("BtnFindNext", "Next", "Find the next match (F3)");
    BtnFindPrevious = button("BtnFindPrevious", "Previous", "Find the previous match (Shift+F3)");
    ChkMatchCase = new QCheckBox("Match case", this);
    ChkMatchCase->setObjectName("ChkMatchCase");
    addWidget(ChkMatchCase);
    LblFindStatus = new QLabel(this);
    LblFindStatus->setObjectName("LblFindStatus");
    LblFindStatus->setContentsMargins(8, 0, 8, 0);
    addWidget(LblFindStatus);
    BtnFindClose = button("BtnFindClose", "Close", "Close the find bar (Esc)");
    connect(BtnFindNext, &QToolButton::clicked, this, [this] { FindNext(false); });
    connect(BtnFindPrevious, &QToolButton::clicked, this, [this] { FindNext(true); });
    connect(BtnFindClose, &QToolButton::clicked, this, [this] {
        hide();
        pane_.setFocus();
    });
    connect(EdtFind, &QLineEdit::textChanged, LblFindStatus, &QLabel::clear);

    auto action = [&](const char* name, const QString& text, const QKeySequence& key) {
        auto* a = new QAction(text, &window);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        menu.addAction(a);
        return a;
    };
    menu.addSeparator()->setObjectName("NFind");
    MnuFind = action("MnuFind", "&Find...", QKeySequence("Ctrl+F"));
    MnuFindNext = action("MnuFindNext", "Find &Next", QKeySequence("F3"));
    MnuFindPrevious = action("MnuFindPrevious", "Find Pre&vious", QKeySequence("Shift+F3"));
    connect(MnuFind, &QAction::triggered, this, &FindBar::Open);
    connect(MnuFindNext, &QAction::triggered, this, [this] { FindNext(false); });
    connect(MnuFindPrevious, &QAction::triggered, this, [this] { FindNext(true); });

    window.addToolBar(Qt::BottomToolBarArea, this);
    hide();
}

void FindBar::Open() {
    // A selection within one line is what the user wants to find.
    const QString selected = pane_.SelectedText();
    if (!selected.isEmpty() && !selected.contains('\n')) EdtFind->setText(selected);
    show();
    EdtFind->setFocus();
    EdtFind->selectAll();
}

bool FindBar::FindNext(bool backward) {
    if (EdtFind->text().isEmpty()) {
        Open();
        return false;
    }
    const QByteArray pattern = EdtFind->text().toUtf8();
    FindOptions options;
    options.MatchCase = ChkMatchCase->isChecked();
    options.Backward = backward;
    options.HexCharacters = hex_;
    const auto [begin, end] = pane_.SelectedBytes();
    // Forward from just past the start of the current match, so that
    // overlapping matches are found too; backward from its start.
    const std::size_t from = backward ? begin : (begin == end ? begin : begin + 1);
    const auto found =
        FindText(pane_.Utf8(), std::string_view(pattern.data(), pattern.size()), from, options);
    if (!found) {
        LblFindStatus->setText("\"" + EdtFind->text() + "\" was not found.");
        return false;
    }
    pane_.SelectBytes(found->Begin, found->End);
    LblFindStatus->setText(!found->Wrapped ? QString()
                           : backward      ? "Passed the top, continued from the end."
                                           : "Passed the end, continued from the top.");
    return true;
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EdtFind && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            FindNext(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            hide();
            pane_.setFocus();
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

}  // namespace corvane::gui
