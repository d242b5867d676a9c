#include "platform/forms/FocusKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyleHints>
#include <algorithm>

#include "platform/forms/FocusMark.h"

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

// The group's Tab stop stays on its chosen button, as Qt keeps it on an
// exclusive group's button that last had the focus: Tab into the group
// comes straight to the choice, once.
class TabStopOnChoice : public QObject {
public:
    TabStopOnChoice(QObject* parent, std::span<QRadioButton* const> group)
        : QObject(parent), group_(group.begin(), group.end()) {
        for (QRadioButton* b : group_)
            connect(b, &QAbstractButton::toggled, this, [this](bool on) {
                if (on) follow();
            });
    }

    void follow() const {
        // The choice counts while its window is locked too (a database is
        // loaded with the main window disabled).
        const auto chosen = std::find_if(group_.begin(), group_.end(), [](const QRadioButton* b) {
            return b->isChecked() && b->isEnabledTo(b->window());
        });
        if (chosen == group_.end()) return;  // none: Qt's own rule
        for (QRadioButton* b : group_)
            b->setFocusPolicy(Qt::FocusPolicy(b == *chosen ? b->focusPolicy() | Qt::TabFocus
                                                           : b->focusPolicy() & ~Qt::TabFocus));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        const auto it = std::find(group_.begin(), group_.end(), watched);
        if (e->type() != QEvent::FocusIn || it == group_.end()) return false;
        // Qt gives the Tab stop to the button the focus comes to; it goes
        // back to the choice.
        watched->event(e);
        follow();
        return true;
    }

private:
    QList<QRadioButton*> group_;
};

class ArrowsChoose : public QObject {
public:
    ArrowsChoose(QObject* parent, std::span<QRadioButton* const> group)
        : QObject(parent), group_(group.begin(), group.end()) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
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
    QList<QRadioButton*> group_;
};

// Whether Tab, going forward from `focus`, stops at `w`, by Qt's rule: the
// control or the one it hands its focus to takes Tab focus, and a part that
// hands its focus to the control it belongs to is passed over.
bool tabStopsAt(const QWidget* w, const QWidget* window, const QWidget* focus) {
    const QWidget* proxy = w->focusProxy();
    while (proxy && proxy->focusProxy()) proxy = proxy->focusProxy();
    const QWidget* taker = proxy ? proxy : w;
    const Qt::FocusPolicy needed =
        QGuiApplication::styleHints()->tabFocusBehavior() == Qt::TabFocusAllControls ? Qt::TabFocus
                                                                                     : Qt::StrongFocus;
    const bool takesTab = taker->isEnabled() && (taker->focusPolicy() & needed) == needed;
    const bool part = proxy && proxy->isAncestorOf(w);
    return takesTab && !part && w != focus && taker != focus && w->isVisibleTo(window) && w->isEnabled();
}

void keepTabStopOnChoice(std::span<QRadioButton* const> group) {
    auto* stop = new TabStopOnChoice(group.front(), group);
    for (QRadioButton* b : group) b->installEventFilter(stop);
    stop->follow();
}

}  // namespace

void enterPresses(QAbstractButton* button) {
    if (button) button->installEventFilter(new EnterPresses(button));
}

void tabLeaves(QPlainTextEdit* box) {
    if (!box) return;
    box->setTabChangesFocus(true);
    box->installEventFilter(new TabLeaves(box));
}

void tabStopOnChoice(std::span<QRadioButton* const> group) {
    if (!group.empty()) keepTabStopOnChoice(group);
}

void arrowsChoose(std::span<QRadioButton* const> group) {
    if (group.empty()) return;
    for (QRadioButton* b : group) b->installEventFilter(new ArrowsChoose(b, group));
    keepTabStopOnChoice(group);
}

QWidget* previousTabStop(QWidget* window) {
    QWidget* focus = window->focusWidget();
    if (!focus) return nullptr;
    // The last stop of one round forward is the one before the focus.
    QWidget* previous = nullptr;
    for (QWidget* w = focus->nextInFocusChain(); w && w != focus; w = w->nextInFocusChain())
        if (w->window() == window && tabStopsAt(w, window, focus)) previous = w;
    return previous;
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
    markFocus();
}

}  // namespace forms
