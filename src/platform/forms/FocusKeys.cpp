#include "platform/forms/FocusKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

namespace forms {
namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) ||
            (k->modifiers() & ~Qt::KeypadModifier))
            return false;
        static_cast<QAbstractButton*>(watched)->click();
        return true;
    }
};

class TabLeaves : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        const bool tab = k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab;
        if (!tab || !(k->modifiers() & Qt::ControlModifier)) return false;
        // Ctrl+Tab goes where Tab goes.
        const bool back = k->key() == Qt::Key_Backtab || (k->modifiers() & Qt::ShiftModifier);
        QKeyEvent plain(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab,
                        back ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::sendEvent(watched, &plain);
        return true;
    }
};

class ArrowsChoose : public QObject {
public:
    ArrowsChoose(QObject* parent, std::span<QRadioButton* const> group)
        : QObject(parent), group_(group.begin(), group.end()) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) toTheChoice(static_cast<QRadioButton*>(watched), e);
        if (e->type() != QEvent::KeyPress) return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        const int key = k->key();
        if ((key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_Left && key != Qt::Key_Right) ||
            (k->modifiers() & ~Qt::KeypadModifier))
            return false;
        // Qt's own move first (the filter is not asked again for it), then
        // the choice where it went.
        watched->event(e);
        auto* now = qobject_cast<QRadioButton*>(QApplication::focusWidget());
        if (now && now != watched && group_.contains(now) && !now->isChecked()) now->click();
        return true;
    }

private:
    // Tab stops once in the group, at the button that last had the focus
    // there; that may be one not chosen, where an arrow key can lead nowhere.
    // Tab goes on to the chosen one.
    void toTheChoice(QRadioButton* button, QEvent* e) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
        if ((why != Qt::TabFocusReason && why != Qt::BacktabFocusReason) || button->isChecked()) return;
        for (QRadioButton* b : std::as_const(group_))
            if (b != button && b->isChecked() && b->isEnabled() && b->isVisible()) {
                QTimer::singleShot(0, b, [b, why] {
                    if (QApplication::focusWidget() != b) b->setFocus(why);
                });
                return;
            }
    }

    QList<QRadioButton*> group_;
};

}  // namespace

void enterPresses(QAbstractButton* button) {
    if (button) button->installEventFilter(new EnterPresses(button));
}

void tabLeaves(QPlainTextEdit* box) {
    if (!box) return;
    box->setTabChangesFocus(true);
    box->installEventFilter(new TabLeaves(box));
}

void arrowsChoose(std::span<QRadioButton* const> group) {
    if (group.empty()) return;
    for (QRadioButton* b : group) b->installEventFilter(new ArrowsChoose(b, group));
}

void focusSeenFromTheStart() {
    class FocusSeen : public QObject {
    public:
        using QObject::QObject;

    protected:
        bool eventFilter(QObject* watched, QEvent* e) override {
            if (e->type() == QEvent::Show && watched->isWidgetType()) {
                auto* w = static_cast<QWidget*>(watched);
                if (w->isWindow()) w->setAttribute(Qt::WA_KeyboardFocusChange);
            }
            return false;
        }
    };
    static const bool installed = [] {
        qApp->installEventFilter(new FocusSeen(qApp));
        return true;
    }();
    (void)installed;
}

}  // namespace forms
