#include "platform/forms/SendKeys.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include "platform/Error.h"

namespace forms {
namespace {

[[noreturn]] void invalid() {
    throw wk::Error(5, QStringLiteral("Invalid procedure call or argument"));
}

struct NamedKey {
    int key;
    QString text;
};

const QHash<QString, NamedKey>& namedKeys() {
    static const QHash<QString, NamedKey> keys = [] {
        QHash<QString, NamedKey> k;
        k.insert("BACKSPACE", {Qt::Key_Backspace, QStringLiteral("\b")});
        k.insert("BS", {Qt::Key_Backspace, QStringLiteral("\b")});
        k.insert("BKSP", {Qt::Key_Backspace, QStringLiteral("\b")});
        k.insert("BREAK", {Qt::Key_Pause, {}});
        k.insert("CAPSLOCK", {Qt::Key_CapsLock, {}});
        k.insert("DELETE", {Qt::Key_Delete, {}});
        k.insert("DEL", {Qt::Key_Delete, {}});
        k.insert("DOWN", {Qt::Key_Down, {}});
        k.insert("END", {Qt::Key_End, {}});
        k.insert("ENTER", {Qt::Key_Return, QStringLiteral("\r")});
        k.insert("ESC", {Qt::Key_Escape, QStringLiteral("\x1b")});
        k.insert("HELP", {Qt::Key_Help, {}});
        k.insert("HOME", {Qt::Key_Home, {}});
        k.insert("INSERT", {Qt::Key_Insert, {}});
        k.insert("INS", {Qt::Key_Insert, {}});
        k.insert("LEFT", {Qt::Key_Left, {}});
        k.insert("NUMLOCK", {Qt::Key_NumLock, {}});
        k.insert("PGDN", {Qt::Key_PageDown, {}});
        k.insert("PGUP", {Qt::Key_PageUp, {}});
        k.insert("PRTSC", {Qt::Key_Print, {}});
        k.insert("RIGHT", {Qt::Key_Right, {}});
        k.insert("SCROLLLOCK", {Qt::Key_ScrollLock, {}});
        k.insert("TAB", {Qt::Key_Tab, QStringLiteral("\t")});
        k.insert("UP", {Qt::Key_Up, {}});
        k.insert("ADD", {Qt::Key_Plus, QStringLiteral("+")});
        k.insert("SUBTRACT", {Qt::Key_Minus, QStringLiteral("-")});
        k.insert("MULTIPLY", {Qt::Key_Asterisk, QStringLiteral("*")});
        k.insert("DIVIDE", {Qt::Key_Slash, QStringLiteral("/")});
        for (int i = 1; i <= 16; ++i) k.insert(QStringLiteral("F%1").arg(i), {Qt::Key_F1 + i - 1, {}});
        return k;
    }();
    return keys;
}

KeyStroke charStroke(QChar c, Qt::KeyboardModifiers mods) {
    KeyStroke s;
    s.modifiers = mods;
    const QChar up = c.toUpper();
    if (up >= QLatin1Char('A') && up <= QLatin1Char('Z'))
        s.key = Qt::Key_A + (up.unicode() - 'A');
    else
        s.key = up.unicode();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier)))
        s.text = (mods & Qt::ShiftModifier) ? QString(up) : QString(c);
    return s;
}

KeyStroke withModifiers(NamedKey k, Qt::KeyboardModifiers mods) {
    KeyStroke s{k.key, mods, k.text};
    if (mods & (Qt::ControlModifier | Qt::AltModifier)) s.text.clear();
    return s;
}

}  // namespace

std::vector<KeyStroke> parseSendKeys(const QString& keys) {
    std::vector<KeyStroke> out;
    Qt::KeyboardModifiers pending = Qt::NoModifier;  // for the next key only
    Qt::KeyboardModifiers group = Qt::NoModifier;    // for a "( ... )" group
    bool inGroup = false;

    auto push = [&](KeyStroke s) {
        out.push_back(std::move(s));
        pending = Qt::NoModifier;
    };

    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QChar c = keys[i];
        const Qt::KeyboardModifiers mods = pending | group;
        switch (c.unicode()) {
            case '+':
                pending |= Qt::ShiftModifier;
                continue;
            case '^':
                pending |= Qt::ControlModifier;
                continue;
            case '%':
                pending |= Qt::AltModifier;
                continue;
            case '~':
                push(withModifiers({Qt::Key_Return, QStringLiteral("\r")}, mods));
                continue;
            case '(':
                if (inGroup) invalid();
                inGroup = true;
                group = pending;
                pending = Qt::NoModifier;
                continue;
            case ')':
                if (!inGroup) invalid();
                inGroup = false;
                group = Qt::NoModifier;
                continue;
            case '}':
                invalid();
            case '{':
                break;
            default:
                push(charStroke(c, mods));
                continue;
        }

        // "{...}": a key name or a literal character, with an optional count.
        // "{}}" is a literal close brace, so the search starts one further.
        const qsizetype close = keys.indexOf(QLatin1Char('}'), i + 2);
        if (close < 0) invalid();
        QString inner = keys.mid(i + 1, close - i - 1);
        i = close;
        int count = 1;
        const qsizetype blank = inner.lastIndexOf(QLatin1Char(' '));
        if (blank > 0) {
            bool ok = false;
            count = inner.mid(blank + 1).toInt(&ok);
            if (!ok || count < 0) invalid();
            inner.truncate(blank);
        }
        KeyStroke stroke;
        if (inner.size() == 1) {
            stroke = charStroke(inner[0], mods);
        } else {
            const auto it = namedKeys().constFind(inner.toUpper());
            if (it == namedKeys().constEnd()) invalid();
            stroke = withModifiers(*it, mods);
        }
        for (int n = 0; n < count; ++n) out.push_back(stroke);
        pending = Qt::NoModifier;
    }
    if (inGroup) invalid();
    return out;
}

namespace {

// Each stroke travels as its own posted event and goes to whichever control
// has the focus when it arrives, so "{TAB}abc" types into the next control.
class StrokeEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const int t = QEvent::registerEventType();
        return static_cast<QEvent::Type>(t);
    }
    explicit StrokeEvent(KeyStroke s) : QEvent(type()), stroke(std::move(s)) {}
    KeyStroke stroke;
};

class KeyPump : public QObject {
public:
    using QObject::QObject;
    bool event(QEvent* e) override {
        if (e->type() != StrokeEvent::type()) return QObject::event(e);
        const KeyStroke& s = static_cast<StrokeEvent*>(e)->stroke;
        QPointer<QWidget> target = QApplication::focusWidget();
        if (!target) target = QApplication::activeWindow();
        if (!target) return true;
        QKeyEvent press(QEvent::KeyPress, s.key, s.modifiers, s.text);
        QApplication::sendEvent(target, &press);
        if (!target) return true;
        QKeyEvent release(QEvent::KeyRelease, s.key, s.modifiers, s.text);
        QApplication::sendEvent(target, &release);
        return true;
    }
};

}  // namespace

void postKeyStrokes(const std::vector<KeyStroke>& strokes) {
    if (!qApp) return;
    static QPointer<KeyPump> pump;
    if (!pump) pump = new KeyPump(qApp);
    for (const KeyStroke& s : strokes) QCoreApplication::postEvent(pump, new StrokeEvent(s));
}

}  // namespace forms
