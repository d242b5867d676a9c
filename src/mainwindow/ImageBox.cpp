#include "mainwindow/ImageBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include "platform/forms/Keys.h"

namespace mainwindow {

namespace {

constexpr qreal LockedOpacity = 0.45;

class ImageButtonAccessible : public QAccessibleWidget {
public:
    explicit ImageButtonAccessible(ImageBox* b) : QAccessibleWidget(b, QAccessible::Button) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (!static_cast<ImageBox*>(widget())->isAvailable()) s.disabled = true;
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled()) static_cast<ImageBox*>(widget())->press();
    }
};

QAccessibleInterface* imageButtonFactory(const QString&, QObject* o) {
    auto* b = qobject_cast<ImageBox*>(o);
    return b && b->isButton() ? new ImageButtonAccessible(b) : nullptr;
}

}  // namespace

ImageBox::ImageBox(const QString& name, QWidget* parent) : QLabel(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setScaledContents(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageBox::setPicture(const QString& resource) {
    key_ = resource;
    if (resource.isEmpty())
        clear();
    else
        setPixmap(QPixmap(resource));
}

void ImageBox::makeButton(bool tabStop) {
    static const bool factory = [] {
        QAccessible::installFactory(imageButtonFactory);
        return true;
    }();
    (void)factory;
    button_ = true;
    tabStop_ = tabStop;
    refreshAvailability();
}

void ImageBox::setAvailability(std::function<bool()> available) {
    available_ = std::move(available);
    refreshAvailability();
}

void ImageBox::refreshAvailability() {
    const bool locked = button_ && !isAvailable();
    if (button_) setFocusPolicy(tabStop_ && !locked ? Qt::TabFocus : Qt::NoFocus);
    if (locked == locked_) return;
    locked_ = locked;
    update();
}

void ImageBox::press() {
    emit mouseDown(1, 0, 0, 0);
    emit mouseUp(1, 0, 0, 0);
    emit clicked();
}

void ImageBox::keyPressEvent(QKeyEvent* e) {
    const int k = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (button_ && mods == Qt::NoModifier &&
        (k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter)) {
        press();
        return;
    }
    // The menu key and Shift+F10 are the keyboard's right click (on the
    // Solve button it opens the clue).
    if (button_ &&
        ((k == Qt::Key_Menu && mods == Qt::NoModifier) || (k == Qt::Key_F10 && mods == Qt::ShiftModifier))) {
        const double x = twips(width() / 2), y = twips(height() / 2);
        emit mouseDown(2, 0, x, y);
        emit mouseUp(2, 0, x, y);
        return;
    }
    QLabel::keyPressEvent(e);
}

// The window system's own menu-key event: the key itself was the right click.
void ImageBox::contextMenuEvent(QContextMenuEvent* e) {
    if (button_ && e->reason() == QContextMenuEvent::Keyboard)
        e->accept();
    else
        QLabel::contextMenuEvent(e);
}

void ImageBox::paintEvent(QPaintEvent* e) {
    if (locked_ && !pixmap().isNull()) {
        // Locked: greyed and faded into the bar, as a disabled control.
        QPainter p(this);
        QStyleOption o;
        o.initFrom(this);
        p.setOpacity(LockedOpacity);
        p.drawPixmap(contentsRect(), style()->generatedIconPixmap(QIcon::Disabled, pixmap(), &o));
    } else {
        QLabel::paintEvent(e);
    }
}

void ImageBox::setPictureFrom(const ImageBox* holder) {
    if (holder) setPicture(holder->key_);
}

int vbButton(Qt::MouseButtons b) {
    int r = 0;
    if (b & Qt::LeftButton) r |= 1;
    if (b & Qt::RightButton) r |= 2;
    if (b & Qt::MiddleButton) r |= 4;
    return r;
}

void ImageBox::mousePressEvent(QMouseEvent* e) {
    pressedInside_ = true;
    emit mouseDown(vbButton(e->button()), forms::vbShiftState(e->modifiers()), twips(int(e->position().x())),
                   twips(int(e->position().y())));
}

void ImageBox::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(vbButton(e->buttons()), forms::vbShiftState(e->modifiers()), twips(int(e->position().x())),
                   twips(int(e->position().y())));
}

void ImageBox::mouseReleaseEvent(QMouseEvent* e) {
    const bool inside = rect().contains(e->position().toPoint());
    emit mouseUp(vbButton(e->button()), forms::vbShiftState(e->modifiers()), twips(int(e->position().x())),
                 twips(int(e->position().y())));
    if (pressedInside_ && inside && e->button() == Qt::LeftButton) emit clicked();
    pressedInside_ = false;
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent* e) {
    emit dblClicked();
    QLabel::mouseDoubleClickEvent(e);
}

}  // namespace mainwindow
