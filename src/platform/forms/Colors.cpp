#include "platform/forms/Colors.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVariant>
#include <QWidget>

namespace forms {
namespace {

constexpr const char* kBackColor = "BackColor";
constexpr const char* kForeColor = "ForeColor";

bool isInput(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w);
}

QPalette::ColorRole backRole(const QWidget* w) {
    if (isInput(w)) return QPalette::Base;
    if (qobject_cast<const QPushButton*>(w)) return QPalette::Button;
    return QPalette::Window;
}

QPalette::ColorRole foreRole(const QWidget* w) {
    if (isInput(w)) return QPalette::Text;
    if (qobject_cast<const QPushButton*>(w)) return QPalette::ButtonText;
    return QPalette::WindowText;
}

}  // namespace

std::optional<PaletteSlot> systemColorSlot(quint32 vb) {
    if (!isSystemColor(vb)) return std::nullopt;
    using P = QPalette;
    switch (vb & 0xFFFFFF) {
        case 0:
            return PaletteSlot{P::Active, P::Button};
        case 1:
            return PaletteSlot{P::Active, P::Dark};
        case 2:
            return PaletteSlot{P::Active, P::Highlight};
        case 3:
            return PaletteSlot{P::Active, P::Mid};
        case 4:
            return PaletteSlot{P::Active, P::Window};
        case 5:
            return PaletteSlot{P::Active, P::Base};
        case 6:
            return PaletteSlot{P::Active, P::Shadow};
        case 7:
            return PaletteSlot{P::Active, P::WindowText};
        case 8:
            return PaletteSlot{P::Active, P::Text};
        case 9:
            return PaletteSlot{P::Active, P::HighlightedText};
        case 10:
            return PaletteSlot{P::Active, P::Window};
        case 11:
            return PaletteSlot{P::Inactive, P::Window};
        case 12:
            return PaletteSlot{P::Active, P::Dark};
        case 13:
            return PaletteSlot{P::Active, P::Highlight};
        case 14:
            return PaletteSlot{P::Active, P::HighlightedText};
        case 15:
            return PaletteSlot{P::Active, P::Button};
        case 16:
            return PaletteSlot{P::Active, P::Dark};
        case 17:
            return PaletteSlot{P::Disabled, P::Text};
        case 18:
            return PaletteSlot{P::Active, P::ButtonText};
        case 19:
            return PaletteSlot{P::Disabled, P::WindowText};
        case 20:
            return PaletteSlot{P::Active, P::Light};
        case 21:
            return PaletteSlot{P::Active, P::Shadow};
        case 22:
            return PaletteSlot{P::Active, P::Midlight};
        case 23:
            return PaletteSlot{P::Active, P::ToolTipText};
        case 24:
            return PaletteSlot{P::Active, P::ToolTipBase};
        default:
            return std::nullopt;
    }
}

QColor VbColor(quint32 vb) {
    if (isSystemColor(vb)) {
        const auto slot = systemColorSlot(vb);
        if (!slot) return QColor(Qt::black);
        return QApplication::palette().color(slot->group, slot->role);
    }
    return QColor(int(vb & 0xFF), int((vb >> 8) & 0xFF), int((vb >> 16) & 0xFF));
}

quint32 toVbColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

void setBackColor(QWidget* w, quint32 vb) {
    if (!w) return;
    w->setProperty(kBackColor, QVariant::fromValue(vb));
    QPalette pal = w->palette();
    const QColor c = VbColor(vb);
    pal.setColor(backRole(w), c);
    // A combo box that cannot be edited draws itself as a button.
    if (qobject_cast<QComboBox*>(w)) pal.setColor(QPalette::Button, c);
    w->setPalette(pal);
    if (backRole(w) == QPalette::Window) w->setAutoFillBackground(true);
}

void setForeColor(QWidget* w, quint32 vb) {
    if (!w) return;
    w->setProperty(kForeColor, QVariant::fromValue(vb));
    QPalette pal = w->palette();
    const QColor c = VbColor(vb);
    pal.setColor(foreRole(w), c);
    if (foreRole(w) == QPalette::WindowText) pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}

quint32 backColor(const QWidget* w) {
    const QVariant v = w->property(kBackColor);
    if (v.isValid()) return v.value<quint32>();
    return toVbColor(w->palette().color(QPalette::Active, backRole(w)));
}

quint32 foreColor(const QWidget* w) {
    const QVariant v = w->property(kForeColor);
    if (v.isValid()) return v.value<quint32>();
    return toVbColor(w->palette().color(QPalette::Active, foreRole(w)));
}

void switchInput(QWidget* w, bool on, quint32 offColor) {
    if (!w) return;
    w->setEnabled(on);
    setBackColor(w, on ? SwitchedOnBackColor : offColor);
}

}  // namespace forms
