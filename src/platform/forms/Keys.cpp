#include "platform/forms/Keys.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>

namespace forms {
namespace {

// Punctuation keys by their place on the keyboard (X key codes, which
// xcb and Wayland report as the native scan code), with the German layout's
// codes, as the original's German users had them.
int codeByPlace(quint32 scan) {
    switch (scan) {
        case 10:
        case 11:
        case 12:
        case 13:
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
            return 49 + int(scan - 10);
        case 19:
            return 48;
        case 20:
            return 219;  // ß ?
        case 21:
            return 221;  // ´ `
        case 34:
            return 186;  // ü
        case 35:
            return 187;  // + *
        case 47:
            return 192;  // ö
        case 48:
            return 222;  // ä
        case 49:
            return 220;  // ^ °
        case 51:
            return 191;  // # '
        case 59:
            return 188;  // , ;
        case 60:
            return 190;  // . :
        case 61:
            return 189;  // - _
        case 94:
            return 226;  // < >
        default:
            return 0;
    }
}

// The same by the character, for keys without a place (sent keys).
int codeByCharacter(int key) {
    switch (key) {
        case '1':
        case '!':
            return 49;
        case '2':
        case '"':
            return 50;
        case '3':
        case 0xA7:
            return 51;  // §
        case '4':
        case '$':
            return 52;
        case '5':
        case '%':
            return 53;
        case '6':
        case '&':
            return 54;
        case '7':
        case '/':
            return 55;
        case '8':
        case '(':
            return 56;
        case '9':
        case ')':
            return 57;
        case '0':
        case '=':
            return 48;
        case 0xDF:
        case '?':
            return 219;  // ß
        case 0xB4:
        case '`':
            return 221;  // ´
        case 0xDC:
            return 186;  // Ü
        case '+':
        case '*':
        case '~':
            return 187;
        case 0xD6:
            return 192;  // Ö
        case 0xC4:
            return 222;  // Ä
        case '^':
        case 0xB0:
            return 220;  // °
        case '#':
        case '\'':
            return 191;
        case ',':
        case ';':
            return 188;
        case '.':
        case ':':
            return 190;
        case '-':
        case '_':
            return 189;
        case '<':
        case '>':
        case '|':
            return 226;
        default:
            return 0;
    }
}

bool placesKnown() {
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("xcb") || p.startsWith(QLatin1String("wayland"));
}

}  // namespace

int vbShiftState(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? vbShiftMask : 0) | ((m & Qt::ControlModifier) ? vbCtrlMask : 0) |
           ((m & Qt::AltModifier) ? vbAltMask : 0);
}

int vbKeyCode(const QKeyEvent& e) {
    const int key = e.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // same values as the codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vbKeyF1 + (key - Qt::Key_F1);
    if (e.modifiers() & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return 96 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Asterisk:
                return 106;
            case Qt::Key_Plus:
                return 107;
            case Qt::Key_Minus:
                return 109;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                return 110;
            case Qt::Key_Slash:
                return 111;
            default:
                break;
        }
    }
    switch (key) {
        case Qt::Key_Backspace:
            return vbKeyBack;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vbKeyTab;
        case Qt::Key_Clear:
            return 12;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vbKeyReturn;
        case Qt::Key_Shift:
            return vbKeyShift;
        case Qt::Key_Control:
            return vbKeyControl;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return vbKeyMenu;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return vbKeyEscape;
        case Qt::Key_Space:
            return vbKeySpace;
        case Qt::Key_PageUp:
            return vbKeyPageUp;
        case Qt::Key_PageDown:
            return vbKeyPageDown;
        case Qt::Key_End:
            return vbKeyEnd;
        case Qt::Key_Home:
            return vbKeyHome;
        case Qt::Key_Left:
            return vbKeyLeft;
        case Qt::Key_Up:
            return vbKeyUp;
        case Qt::Key_Right:
            return vbKeyRight;
        case Qt::Key_Down:
            return vbKeyDown;
        case Qt::Key_Print:
            return 44;
        case Qt::Key_Insert:
            return vbKeyInsert;
        case Qt::Key_Delete:
            return vbKeyDelete;
        case Qt::Key_Help:
            return 47;
        case Qt::Key_Meta:
            return 91;
        case Qt::Key_Menu:
            return vbKeyApps;
        case Qt::Key_NumLock:
            return 144;
        case Qt::Key_ScrollLock:
            return 145;
        default:
            break;
    }
    if (placesKnown()) {
        if (const int byPlace = codeByPlace(e.nativeScanCode())) return byPlace;
    }
    if (key < 0x100) {
        const QChar c = QChar(key).toUpper();
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) return c.unicode();
        if (const int byChar = codeByCharacter(c.unicode())) return byChar;
    }
    return 0;
}

int vbKeyAscii(const QKeyEvent& e) {
    switch (e.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return 0;
        default:
            break;
    }
    const QString text = e.text();
    if (text.isEmpty() || text[0].isSurrogate()) return 0;
    const int c = text[0].unicode();
    return c == 127 ? 0 : c;
}

namespace {

class KeyDispatcher : public QObject {
public:
    static KeyDispatcher& instance() {
        static QPointer<KeyDispatcher> d;
        if (!d) {
            d = new KeyDispatcher(qApp);
            qApp->installEventFilter(d);
        }
        return *d;
    }

    void setControl(QWidget* w, KeyHandlers h) { set(controls_, w, std::move(h)); }
    void setForm(QWidget* w, KeyHandlers h) { set(forms_, w, std::move(h)); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || forwarding_) return false;
        auto* widget = qobject_cast<QWidget*>(receiver);
        if (!widget) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        // An ignored key travels on to the parents; only its first stop counts.
        // The focus alone cannot tell: a handler that opened a dialog or moved
        // the focus has taken it out of the first receiver by then.
        if (isOnItsWayUp(*key, widget)) return false;
        QWidget* focus = QApplication::focusWidget();
        if (focus && widget != focus && widget->isAncestorOf(focus)) return false;

        const KeyHandlers* form = nearest(forms_, widget);
        const KeyHandlers* control = nearest(controls_, widget);
        if (!form && !control) return false;
        const Dispatched mark = dispatched(*key, widget);
        last_ = mark;
        const bool swallowed = dispatch(*key, widget, form, control);
        // Keys handled meanwhile (in a dialog the handler opened) must not
        // make this one look new at the parents.
        last_ = mark;
        return swallowed;
    }

private:
    // The key event a handler ran for, and where: Qt hands an ignored key to
    // each parent in turn, and those deliveries are not keys of their own.
    struct Dispatched {
        const QEvent* event = nullptr;
        QEvent::Type type = QEvent::None;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp = 0;
        QPointer<QWidget> receiver;
    };

    static Dispatched dispatched(const QKeyEvent& e, QWidget* receiver) {
        return {&e, e.type(), e.key(), e.modifiers(), e.timestamp(), receiver};
    }

    bool isOnItsWayUp(const QKeyEvent& e, const QWidget* widget) const {
        return last_.event == &e && last_.type == e.type() && last_.key == e.key() &&
               last_.modifiers == e.modifiers() && last_.timestamp == e.timestamp() && last_.receiver &&
               widget != last_.receiver && widget->isAncestorOf(last_.receiver);
    }

    // Runs the form's and the control's handlers; true when they swallowed
    // the key.
    bool dispatch(QKeyEvent& e, QWidget* widget, const KeyHandlers* form, const KeyHandlers* control) {
        QKeyEvent* key = &e;
        const QEvent::Type type = e.type();
        const int shift = vbShiftState(key->modifiers());

        if (type == QEvent::KeyRelease) {
            if (key->isAutoRepeat()) return false;
            int code = vbKeyCode(*key);
            // A key without a code (a letter the layout has beyond A-Z) is
            // swallowed only when a handler sets a code to 0.
            const bool hadCode = code != 0;
            for (const KeyHandlers* h : {form, control}) {
                if (h && h->KeyUp) {
                    h->KeyUp(code, shift);
                    if (code == 0 && hadCode) return true;
                }
            }
            return false;
        }

        int code = vbKeyCode(*key);
        const bool hadCode = code != 0;
        for (const KeyHandlers* h : {form, control}) {
            if (h && h->KeyDown) {
                h->KeyDown(code, shift);
                if (code == 0 && hadCode) return true;
            }
        }
        const int typed = vbKeyAscii(*key);
        if (typed == 0) return false;
        int ascii = typed;
        for (const KeyHandlers* h : {form, control}) {
            if (h && h->KeyPress) {
                h->KeyPress(ascii);
                if (ascii == 0) return true;
            }
        }
        if (ascii == typed) return false;
        // Another character was asked for: the control gets that one.
        const QChar c{char16_t(ascii)};
        const int replacementKey = c.toUpper().unicode();
        QKeyEvent replacement(QEvent::KeyPress, replacementKey, key->modifiers(), QString(c));
        const QScopedValueRollback forwarding(forwarding_, true);
        QApplication::sendEvent(widget, &replacement);
        return true;
    }

    using Registry = QHash<const QWidget*, KeyHandlers>;

    using QObject::QObject;

    void set(Registry& reg, QWidget* w, KeyHandlers h) {
        if (!w) return;
        if (!reg.contains(w)) connect(w, &QObject::destroyed, this, [this, &reg, w] { reg.remove(w); });
        reg.insert(w, std::move(h));
    }

    static const KeyHandlers* nearest(const Registry& reg, const QWidget* w) {
        for (; w; w = w->parentWidget()) {
            const auto it = reg.constFind(w);
            if (it != reg.constEnd()) return &*it;
            // A message box or dialog owned by a form is a window of its own:
            // its keys (Esc, F8, Return) must not reach the form below it.
            if (w->isWindow()) break;
        }
        return nullptr;
    }

    Registry controls_, forms_;
    bool forwarding_ = false;
    Dispatched last_;
};

}  // namespace

void handleKeys(QWidget* control, KeyHandlers handlers) {
    KeyDispatcher::instance().setControl(control, std::move(handlers));
}

void previewKeys(QWidget* form, KeyHandlers handlers) {
    KeyDispatcher::instance().setForm(form, std::move(handlers));
}

}  // namespace forms
