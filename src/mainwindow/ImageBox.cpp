#include "mainwindow/ImageBox.h"

#include <QMouseEvent>
#include <QPixmap>

namespace mainwindow {

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

int vbShift(Qt::KeyboardModifiers m) {
    int r = 0;
    if (m & Qt::ShiftModifier) r |= 1;
    if (m & Qt::ControlModifier) r |= 2;
    if (m & Qt::AltModifier) r |= 4;
    return r;
}

void ImageBox::mousePressEvent(QMouseEvent* e) {
    pressedInside_ = true;
    emit mouseDown(vbButton(e->button()), vbShift(e->modifiers()), twips(int(e->position().x())),
                   twips(int(e->position().y())));
}

void ImageBox::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(vbButton(e->buttons()), vbShift(e->modifiers()), twips(int(e->position().x())),
                   twips(int(e->position().y())));
}

void ImageBox::mouseReleaseEvent(QMouseEvent* e) {
    const bool inside = rect().contains(e->position().toPoint());
    emit mouseUp(vbButton(e->button()), vbShift(e->modifiers()), twips(int(e->position().x())),
                 twips(int(e->position().y())));
    if (pressedInside_ && inside && e->button() == Qt::LeftButton) emit clicked();
    pressedInside_ = false;
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent* e) {
    emit dblClicked();
    QLabel::mouseDoubleClickEvent(e);
}

}  // namespace mainwindow
