#include "platform/forms/Accessible.h"
#include "platform/forms/DescriptionWords.h"
#include "platform/forms/ItemViewAccessible.h"
#include "platform/forms/LineEditAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPointer>
#include <bit>

namespace forms {
namespace {

// A list box as Qt shows it to assistive tools (its list and its text box
// as children, the pop-up as its action), named by its name rather than
// by the entry it shows; the entry is its value. A box without a text box
// shows its entry as its text too, which is where tools read it (Qt 6.4
// offers them no other way to the entry of a closed box).
class ComboBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface && !box()->isEditable())
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || (t == QAccessible::Name && box()->accessibleName().isEmpty()))
            return box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return box()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->isEditable())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        if (child->object() == box()->view()) return 0;
        if (box()->isEditable() && child->object() == box()->lineEdit()) return 1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (!box()->isEditable()) return nullptr;
        const QLineEdit* edit = box()->lineEdit();
        return QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(x, y) ? child(1) : nullptr;
    }
    // The text box hands its focus to the list box, yet is what is typed in.
    QAccessibleInterface* focusChild() const override { return box()->isEditable() ? child(1) : nullptr; }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) return;
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // The entry as a text that is read, never typed in.
    QString text(int start, int end) const override { return entry().mid(start, end - start); }
    int characterCount() const override { return int(entry().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {  // one run: see LineEditAccessible.cpp
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
    QString entry() const { return box()->currentText(); }
};

// A box whose focus goes to an inner part: that part reports the focus, and
// lends its name when the box has none.
class FocusHandingAccessible : public QAccessibleWidget {
public:
    FocusHandingAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (widget()->focusProxy()) s.focused = false;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty() && widget()->focusProxy())
            s = widget()->focusProxy()->accessibleName();
        return s;
    }
};

// A picture that is pressed like a button (the property wkPictureButton
// set, and a slot press()).
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled()) QMetaObject::invokeMethod(widget(), "press");
    }
};

// A header that takes the focus as one control (the property
// wkColumnHeader set): a column header named after the column it is on, not
// a table of its own whose parts never hold the focus.
class ColumnHeaderAccessible : public QAccessibleWidget {
public:
    explicit ColumnHeaderAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::ColumnHeader) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

// What a container is: Qt shows a plain QFrame as a frame, which tools
// take for a window of its own, one that is not active, and they kept
// quiet about every control in it. A frame drawn as a line is a separator,
// any other a panel; a window of the dialog kind is a dialog, or a message
// where it says so (property wkMessage): tools read a message's text
// whatever its length, a dialog's texts of three words or more (Qt shows a
// plain widget window as a filler, whose texts tools never read).
QAccessibleInterface* containerAccessible(const QString& className, QWidget* w) {
    if (className == QLatin1String("QFrame")) {
        const QFrame::Shape shape = static_cast<QFrame*>(w)->frameShape();
        return new QAccessibleWidget(w, shape == QFrame::HLine || shape == QFrame::VLine
                                            ? QAccessible::Separator
                                            : QAccessible::Grouping);
    }
    if (className == QLatin1String("QWidget") && w->isWindow() && w->windowType() == Qt::Dialog)
        return new QAccessibleWidget(
            w, w->property("wkMessage").toBool() ? QAccessible::AlertMessage : QAccessible::Dialog);
    return nullptr;
}

QAccessibleInterface* factory(const QString& className, QObject* o) {
    if (!o || !o->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(o);
    if (QAccessibleInterface* container = containerAccessible(className, w)) return container;
    if (className == QLatin1String("QComboBox")) return new ComboBoxAccessible(static_cast<QComboBox*>(w));
    if (className == QLatin1String("grid::Grid")) return new FocusHandingAccessible(w, QAccessible::Client);
    if (className == QLatin1String("QDialogButtonBox"))
        return new FocusHandingAccessible(w, QAccessible::Grouping);
    if (className == QLatin1String(o->metaObject()->className()) && o->property("wkPictureButton").toBool())
        return new PictureButtonAccessible(w);
    if (className == QLatin1String("QHeaderView") && o->property("wkColumnHeader").toBool())
        return new ColumnHeaderAccessible(w);
    if (QAccessibleInterface* edit = lineEditAccessible(className, o)) return edit;
    return itemViewAccessible(className, o);
}

// The control (and its entry) the tools last heard had the focus.
struct Told {
    QPointer<QObject> control;
    int child = -1;
};
Told g_told;

void tellTools(QAccessibleEvent* event);

// Hands the event on to the tools.
void pass(QAccessibleEvent* event) {
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&tellTools);
}

// A key that changes the entry of a closed list box with the focus: Qt
// tells only that the box's value changed, which tools do not read, so
// they hear the entry the focus now acts on, as in the open list.
void tellEntry(QComboBox* box) {
    if (box->isEditable() || !box->hasFocus() || box->view()->isVisible() || box->currentIndex() < 0) return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(box->view());
    QAccessibleTableInterface* entries = list ? list->tableInterface() : nullptr;
    QAccessibleInterface* entry = entries ? entries->cellAt(box->currentIndex(), 0) : nullptr;
    if (!entry) return;
    QAccessibleEvent focus(box->view(), QAccessible::Focus);
    focus.setChild(list->indexOfChild(entry));
    g_told = {box->view(), focus.child()};
    pass(&focus);
}

// A list, table or tree told to have the focus: its current entry is
// where the keys act (Space ticks it), so it is told next, as the
// focus within the list (Qt told of it before the list, unheard).
void tellCurrentEntry(QAbstractItemView* view) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    QAccessibleInterface* entry = list ? list->focusChild() : nullptr;
    if (!entry) return;
    QAccessibleEvent focus(view, QAccessible::Focus);
    focus.setChild(list->indexOfChild(entry));
    g_told = {view, focus.child()};
    pass(&focus);
}

// A control nobody sees tells the tools nothing they must work through:
// Qt told of every change of a hidden panel's controls (enabling them as a
// database opens, naming the settings' and the test screen's labels), and
// a reader took seconds over them before it spoke. What tools keep (its
// states, its name and description) is told as it is shown, where it
// changed; its text and value are read afresh then. What is still to tell
// is kept on the control itself: by entry (-1 the control's own, a list's
// entry by its number) the states the tools last heard and the states
// changed since (bits of QAccessible::State), whether its name and its
// description changed, and the entries of a list chosen or no longer.
constexpr const char* kStatesKept = "wkStatesKept";
constexpr const char* kRenamed = "wkRenamed";
constexpr const char* kRedescribed = "wkRedescribed";
constexpr const char* kEntriesChosen = "wkEntriesChosen";
// A control whose text passes by too fast to be read (a progress in per
// cent) while a QuietProgress holds it.
constexpr const char* kPassing = "wkPassing";
static_assert(sizeof(QAccessible::State) == sizeof(quint64));

quint64 bits(QAccessible::State s) {
    return std::bit_cast<quint64>(s);
}

// Keeps the event from the tools, noting on the control what is to be told
// once it shows, where it is one of a hidden control other than its
// showing, hiding and being made or gone, and a window's activation, which
// tools follow; true where it kept it.
bool keepUntilShown(QAccessibleEvent* event) {
    auto* w = qobject_cast<QWidget*>(event->object());
    if (!w || w->isVisible()) return false;
    switch (event->type()) {
        case QAccessible::DescriptionChanged:
            // A reader speaks a new description of the control it heard
            // last had the focus, hidden since or not: news is told there.
            if (g_told.control == w) return false;
            [[fallthrough]];
        case QAccessible::NameChanged:
            // The tools meet a control first through its window: of one
            // never made they know nothing to correct.
            if (w->window()->windowHandle())
                w->setProperty(event->type() == QAccessible::NameChanged ? kRenamed : kRedescribed, true);
            return true;
        case QAccessible::StateChanged: {
            const QAccessible::State states =
                static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
            if (states.active) return false;
            QAccessibleInterface* a = event->accessibleInterface();  // the entry's, for one
            if (!a) return true;
            QVariantMap kept = w->property(kStatesKept).toMap();
            const QString at = QString::number(event->child());
            const QVariantList was = kept.value(at).toList();
            const quint64 changed = bits(states), before = was.value(1).toULongLong();
            const quint64 first = changed & ~before;  // what the tools heard of these is the state before
            kept[at] = QVariantList{was.value(0).toULongLong() | ((bits(a->state()) ^ first) & first),
                                    before | changed};
            w->setProperty(kStatesKept, kept);
            return true;
        }
        case QAccessible::Selection:
        case QAccessible::SelectionAdd:
        case QAccessible::SelectionRemove: {
            QVariantList chosen = w->property(kEntriesChosen).toList();
            if (!chosen.contains(event->child())) w->setProperty(kEntriesChosen, chosen << event->child());
            return true;
        }
        case QAccessible::ValueChanged:
        case QAccessible::TableModelChanged:
        case QAccessible::TextInserted:
        case QAccessible::TextRemoved:
        case QAccessible::TextUpdated:
        case QAccessible::TextCaretMoved:
        case QAccessible::TextSelectionChanged:
            return true;
        default:
            return false;
    }
}

// A control shown: its name and description where they changed while it
// was hidden, the states it and its entries changed, each on its own (a
// bridge tells one state an event), and the entries chosen or no longer.
void tellUnsaid(QObject* o) {
    const QVariantMap kept = o->property(kStatesKept).toMap();
    const bool renamed = o->property(kRenamed).toBool(), redescribed = o->property(kRedescribed).toBool();
    const QVariantList chosen = o->property(kEntriesChosen).toList();
    if (kept.isEmpty() && !renamed && !redescribed && chosen.isEmpty()) return;
    for (const char* p : {kStatesKept, kRenamed, kRedescribed, kEntriesChosen}) o->setProperty(p, QVariant());
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
    if (!a) return;
    if (renamed) {
        QAccessibleEvent told(o, QAccessible::NameChanged);
        pass(&told);
    }
    if (redescribed && !sendDescriptionWords(a)) {
        QAccessibleEvent told(o, QAccessible::DescriptionChanged);
        pass(&told);
    }
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        const int entry = it.key().toInt();
        QAccessibleInterface* now = entry < 0 ? a : a->child(entry);
        const QVariantList was = it.value().toList();
        const quint64 differ =
            now ? (bits(now->state()) ^ was.value(0).toULongLong()) & was.value(1).toULongLong() : 0;
        for (quint64 bit = 1; bit; bit <<= 1)
            if (differ & bit) {
                QAccessibleStateChangeEvent told(o, std::bit_cast<QAccessible::State>(bit));
                told.setChild(entry);
                pass(&told);
            }
    }
    for (const QVariant& entry : chosen)
        if (entry.toInt() >= 0 && entry.toInt() < a->childCount()) {
            QAccessibleEvent told(o, QAccessible::Selection);
            told.setChild(entry.toInt());
            pass(&told);
        }
}

// Qt tells the tools of a focus that a control does not have: one that
// loses it (cleared, or disabled with its window), one given it while
// hidden, a tree whose current entry is set by code. The tools announce each
// as if the user had gone there. They hear of the focus only where it is,
// on a shown control, and once for as long as it stays there (the focus
// cleared and given back on the way is no news); of a list's or table's
// entry once they have heard of the list (Qt tells of the entry a list
// makes current as it takes the focus before it tells of the list); of a
// pop-up menu's entries as Qt says. The caret and the selection of a text
// are news only in the box told to have the focus: one that takes the
// focus moves its caret and selects its text before Qt tells of the focus
// (tools took the box for the focus then, quietly, and never announced
// it), one that loses it clears its selection ("unselected").
void tellTools(QAccessibleEvent* event) {
    if (event->type() == QAccessible::NameChanged && event->object() &&
        event->object()->property(kPassing).toBool())
        return;
    if (keepUntilShown(event)) return;
    if (event->type() == QAccessible::TextCaretMoved || event->type() == QAccessible::TextSelectionChanged)
        if (event->object() != QApplication::focusWidget() || g_told.control != event->object()) return;
    if (event->type() == QAccessible::Focus) {
        if (auto* w = qobject_cast<QWidget*>(event->object()); w && w->window()->windowType() != Qt::Popup) {
            if (w != QApplication::focusWidget() || !w->isVisible()) return;
            if (g_told.control == w && g_told.child == event->child()) return;
            if (event->child() >= 0 && g_told.control != w) return;
        }
        g_told = {event->object(), event->child()};
    }
    // A changed description goes with its words, in the place of Qt's.
    if (event->type() == QAccessible::DescriptionChanged &&
        sendDescriptionWords(event->accessibleInterface()))
        return;
    pass(event);
    if (event->type() == QAccessible::ObjectShow) tellUnsaid(event->object());
    if (event->type() == QAccessible::Focus && event->child() < 0)
        if (auto* view = qobject_cast<QAbstractItemView*>(event->object())) tellCurrentEntry(view);
    if (event->type() == QAccessible::ValueChanged)
        if (auto* box = qobject_cast<QComboBox*>(event->object())) tellEntry(box);
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        QAccessible::installUpdateHandler(&tellTools);
        // Back from another program the focus is news again.
        QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState s) {
            if (s != Qt::ApplicationActive) g_told = {};
        });
        return true;
    }();
    (void)installed;
}

void renewForTools(QWidget* control) {
    if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(a));
    if (g_told.control == control) g_told = {};
}

QuietProgress::QuietProgress(std::initializer_list<QWidget*> controls) {
    for (QWidget* c : controls) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        if (!a) continue;
        held_.push_back({c, a->text(QAccessible::Name)});
        c->setProperty(kPassing, true);
    }
}

QuietProgress::~QuietProgress() {
    for (const Held& h : held_) {
        if (!h.control) continue;
        h.control->setProperty(kPassing, QVariant());
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(h.control);
        if (!a || a->text(QAccessible::Name) == h.name) continue;
        QAccessibleEvent told(h.control, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&told);  // kept until shown, where it is not
    }
}

void nameBox(QWidget* box, const QString& name) {
    if (!box) return;
    box->setAccessibleName(name);
    if (QWidget* inner = box->focusProxy()) inner->setAccessibleName(name);
    if (auto* list = qobject_cast<QComboBox*>(box); list && list->lineEdit())
        list->lineEdit()->setAccessibleName(name);
}

}  // namespace forms
