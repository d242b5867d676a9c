#include "platform/forms/FocusMark.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace forms {
namespace {

// The style as it was, less its own focus marks; the frame around an item
// view's current entry is kept, in the mark's dark colour (on the light
// entries of the program's lists).
class NoFaintMarks : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement pe, const QStyleOption* o, QPainter* p,
                       const QWidget* w) const override {
        if (pe == PE_FrameFocusRect) {
            // Elsewhere the ring marks the focus (a style sheet's box still
            // asks for the frame around its caption).
            if (!qobject_cast<const QAbstractItemView*>(w)) return;
            p->save();
            p->setPen(QPen(FocusMarkColour, 1));
            p->setBrush(Qt::NoBrush);
            p->drawRect(o->rect.adjusted(0, 0, -1, -1));
            p->restore();
            return;
        }
        if (pe == PE_PanelItemViewItem || pe == PE_PanelItemViewRow) {
            QProxyStyle::drawPrimitive(pe, o, p, w);
            return;
        }
        const Unfocused u(o);
        QProxyStyle::drawPrimitive(pe, o, p, w);
    }
    void drawControl(ControlElement ce, const QStyleOption* o, QPainter* p, const QWidget* w) const override {
        if (ce == CE_ItemViewItem) {
            QProxyStyle::drawControl(ce, o, p, w);
            return;
        }
        const Unfocused u(o);
        QProxyStyle::drawControl(ce, o, p, w);
    }
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* o, QPainter* p,
                            const QWidget* w) const override {
        const Unfocused u(o);
        QProxyStyle::drawComplexControl(cc, o, p, w);
    }

private:
    // The option drawn as if its control had no focus, for the length of
    // one call. Options are the caller's own objects, made to be drawn.
    class Unfocused {
    public:
        explicit Unfocused(const QStyleOption* o)
            : o_(const_cast<QStyleOption*>(o)), state_(o ? o->state : QStyle::State()) {
            if (o_) o_->state &= ~QStyle::State_HasFocus;
        }
        ~Unfocused() {
            if (o_) o_->state = state_;
        }
        Unfocused(const Unfocused&) = delete;
        Unfocused& operator=(const Unfocused&) = delete;

    private:
        QStyleOption* o_;
        QStyle::State state_;
    };
};

bool takesMark(const QWidget* w) {
    return w && !w->isWindow() && w->window()->windowType() != Qt::Popup &&
           !w->property("wkOwnFocusMark").toBool();
}

// Paints the ring over the control with the focus and over the parts of it
// that lie at its edge (a list's viewport and scroll bars), after each has
// painted itself.
class Ring : public QObject {
public:
    explicit Ring(QObject* parent) : QObject(parent) {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (grabbing_) return false;  // what the ring will cover, without it
        if (e->type() == QEvent::Resize && watched == control_) {
            // Taken once the new size is laid out (taking it here would
            // lay it out again, and again).
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!control_) return;
                    ring_ = ringOver(control_);
                    control_->update();
                },
                Qt::QueuedConnection);
            return false;
        }
        if (e->type() != QEvent::Paint || painting_ || !control_) return false;
        auto* w = static_cast<QWidget*>(watched);
        // The control's own painting first, through every other filter.
        painting_ = true;
        QCoreApplication::sendEvent(w, e);
        painting_ = false;
        if (control_ && (w == control_ || control_->isAncestorOf(w))) draw(w);
        return true;
    }

private:
    void follow(QWidget* now) {
        for (const QPointer<QWidget>& s : std::as_const(surfaces_))
            if (s) s->removeEventFilter(this);
        surfaces_.clear();
        if (control_) control_->update();
        control_ = takesMark(now) ? now : nullptr;
        if (!control_) return;
        ring_ = ringOver(control_);
        surfaces_.append(control_);
        for (QWidget* child : control_->findChildren<QWidget*>()) surfaces_.append(child);
        for (const QPointer<QWidget>& s : std::as_const(surfaces_)) s->installEventFilter(this);
        control_->update();
    }

    // The ring, coloured point by point against what it covers as the
    // window shows it: dark on light, white on dark (a default button's
    // outline, a picture's rim, a coloured strip).
    QImage ringOver(QWidget* control) {
        QWidget* window = control->window();
        grabbing_ = true;
        QImage under = window->grab(QRect(control->mapTo(window, QPoint(0, 0)), control->size())).toImage();
        grabbing_ = false;
        if (under.size() != control->size()) under = under.scaled(control->size());
        QImage ring(control->size(), QImage::Format_ARGB32_Premultiplied);
        ring.fill(Qt::transparent);
        const int inset = control->property("wkFocusMarkInset").toInt();
        const QRect outer = ring.rect().adjusted(inset, inset, -inset, -inset);
        const QRect inner = outer.adjusted(FocusMarkWidth, FocusMarkWidth, -FocusMarkWidth, -FocusMarkWidth);
        for (int y = std::max(outer.top(), 0); y <= outer.bottom(); ++y)
            for (int x = std::max(outer.left(), 0); x <= outer.right(); ++x)
                if (!inner.contains(x, y))
                    ring.setPixel(
                        x, y,
                        (luminance(under.pixel(x, y)) >= DarkBelow ? FocusMarkColour : QColor(Qt::white))
                            .rgb());
        return ring;
    }

    static double luminance(QRgb c) {
        const auto linear = [](int v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
    }

    void draw(QWidget* surface) const {
        if (control_->size() != ring_.size()) return;  // resized: a new ring is on its way
        QPainter p(surface);
        p.drawImage(-surface->mapTo(control_, QPoint(0, 0)), ring_);
    }

    // Between the two, a point is as far in contrast from the dark mark as
    // from white: 3.7:1 and more either way.
    static constexpr double DarkBelow = 0.2;

    QPointer<QWidget> control_;
    QImage ring_;
    QList<QPointer<QWidget>> surfaces_;
    bool painting_ = false;
    bool grabbing_ = false;
};

}  // namespace

void markFocus() {
    static const bool installed = [] {
        QApplication::setStyle(new NoFaintMarks);
        new Ring(qApp);
        return true;
    }();
    (void)installed;
}

void focusMarkInset(QWidget* control, int inset) {
    if (control) control->setProperty("wkFocusMarkInset", inset);
}

}  // namespace forms
