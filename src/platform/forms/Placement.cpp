#include "platform/forms/Placement.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace forms {
namespace {

class PlacementKeeper : public QObject {
public:
    explicit PlacementKeeper(QWidget* w) : QObject(w), widget_(w) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == widget_ && e->type() == QEvent::Show) {
            // The native window exists from the first show on; it may be
            // made anew, so it is watched again at every show.
            if (window_) window_->removeEventFilter(this);
            window_ = widget_->windowHandle();
            if (window_) window_->installEventFilter(this);
            pending_ = true;
        } else if (o == window_ && e->type() == QEvent::Expose && pending_ && window_->isExposed()) {
            // By now the window manager's word on the place has arrived.
            pending_ = false;
            if (window_->position() != widget_->pos()) window_->setPosition(widget_->pos());
        }
        return false;
    }

private:
    QWidget* widget_;
    QPointer<QWindow> window_;
    bool pending_ = false;
};

}  // namespace

void keepPlacement(QWidget* window) {
    if (window) new PlacementKeeper(window);
}

}  // namespace forms
