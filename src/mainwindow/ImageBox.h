#pragma once
// A picture control as the forms used them: shows a pixmap (or nothing, as a
// transparent hot area), reports mouse events with the pointer position in
// twips, and can copy the picture of a hidden holder image. A picture that
// is clicked is made a button for the keyboard and assistive tools.

#include <QLabel>
#include <functional>

namespace mainwindow {

class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(const QString& name, QWidget* parent);

    // Takes the picture shown by another image (the _Lo/_Hi/_Down holders).
    void setPictureFrom(const ImageBox* holder);
    QString pictureKey() const { return key_; }
    void setPicture(const QString& resource);

    // Assistive tools see a button with a press action. With tabStop, Tab
    // reaches it too (a click leaves the focus where it was), Space and
    // Enter press it, and the menu key and Shift+F10 right-click it;
    // without, the focus never rests on it.
    void makeButton(bool tabStop = true);
    bool isButton() const { return button_; }
    // What a left click does: down, up, click.
    void press();
    // Whether a press does anything now (a locked bar button does not):
    // assistive tools hear the button disabled while it does not.
    void setAvailability(std::function<bool()> available);
    bool isAvailable() const { return !available_ || available_(); }
    // Asks the availability again: a button that does nothing now looks
    // disabled and takes no focus (a click still tells its hint).
    void refreshAvailability();
    bool looksLocked() const { return locked_; }

signals:
    // Button as the original numbered them (1 left, 2 right, 4 middle),
    // shift 1/2/4 for Shift/Ctrl/Alt, x and y in twips.
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);
    void clicked();
    void dblClicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QString key_;
    std::function<bool()> available_;
    bool button_ = false;
    bool tabStop_ = false;
    bool locked_ = false;
    bool pressedInside_ = false;
};

// Twips <-> logical pixels at the fixed 15 twips per pixel.
constexpr int TwipsPerPixel = 15;
inline int px(double twips) {
    return int(twips / TwipsPerPixel + (twips >= 0 ? 0.5 : -0.5));
}
inline double twips(int pixels) {
    return double(pixels) * TwipsPerPixel;
}

// Mouse buttons in the original's numbering; the shift state is
// forms::vbShiftState.
int vbButton(Qt::MouseButtons b);

}  // namespace mainwindow
