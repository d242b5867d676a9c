// Text boxes as assistive tools see them: as Qt's own interface, except
// that the text's attributes span the whole text. Qt 6.4 gives every
// offset an empty run of its own, and a screen reader that reads a line
// run by run dropped its last letter: "Kurs" was heard as "Kur", a typed
// "house" as "hous".
#include "platform/forms/LineEditAccessible.h"

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QValidator>

namespace forms {
namespace {

class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // A password is heard as stars, or not at all.
    QString text(QAccessible::Text t) const override {
        QString s;
        if (t == QAccessible::Value) {
            if (edit()->echoMode() == QLineEdit::Normal)
                s = edit()->text();
            else if (edit()->echoMode() != QLineEdit::NoEcho)
                s = QString(edit()->text().size(), QLatin1Char('*'));
        }
        if (s.isEmpty()) s = QAccessibleWidget::text(t);
        if (s.isEmpty() && t == QAccessible::Description) s = edit()->placeholderText();
        return s;
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        QString typed = text;
        int at = 0;
        if (edit()->validator() && edit()->validator()->validate(typed, at) != QValidator::Acceptable) return;
        edit()->setText(typed);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.readOnly = edit()->isReadOnly();
        s.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
        s.selectableText = true;
        return s;
    }

    // The text interface.
    QString text(int start, int end) const override {
        return readable() ? edit()->text().mid(start, end - start) : QString();
    }
    int characterCount() const override { return int(edit()->text().size()); }
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override {
        if (!readable()) return none(start, end);
        return QAccessibleTextInterface::textBeforeOffset(at(offset), type, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override {
        if (!readable()) return none(start, end);
        return QAccessibleTextInterface::textAfterOffset(at(offset), type, start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override {
        if (!readable()) return none(start, end);
        return QAccessibleTextInterface::textAtOffset(at(offset), type, start, end);
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !edit()->hasSelectedText()) return;
        *start = edit()->selectionStart();
        *end = edit()->selectionEnd();
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) edit()->deselect();
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0) edit()->setSelection(start, end - start);
    }
    // Where a letter stands, from the box's text margins and font (the box
    // scrolls a long text, which this does not follow).
    QRect characterRect(int offset) const override {
        const QRect area = edit()->contentsRect().marginsRemoved(edit()->textMargins());
        const QFontMetrics metrics = edit()->fontMetrics();
        const QString shown = edit()->displayText();
        const int x = metrics.horizontalAdvance(shown.left(offset));
        const int width = offset < shown.size() ? metrics.horizontalAdvance(shown.at(offset)) : 0;
        const QRect r(area.left() + x, area.top() + (area.height() - metrics.height()) / 2, width,
                      metrics.height());
        return QRect(edit()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override {
        edit()->setCursorPosition(end);
        edit()->setCursorPosition(start);
    }

    // The editable text interface.
    void deleteText(int start, int end) override {
        edit()->setText(edit()->text().remove(start, end - start));
    }
    void insertText(int offset, const QString& text) override {
        edit()->setText(edit()->text().insert(offset, text));
    }
    void replaceText(int start, int end, const QString& text) override {
        edit()->setText(edit()->text().replace(start, end - start, text));
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
    bool readable() const { return edit()->echoMode() == QLineEdit::Normal; }
    int at(int offset) const { return offset == -2 ? cursorPosition() : offset; }
    static QString none(int* start, int* end) {
        *start = *end = -1;
        return {};
    }
};

}  // namespace

QAccessibleInterface* lineEditAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String("QLineEdit")) return nullptr;
    return new LineEditAccessible(static_cast<QLineEdit*>(object));
}

}  // namespace forms
