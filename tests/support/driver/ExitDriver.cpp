// A Qt generic plugin that stands in for the user of the built program in
// process tests: it answers every message box with its default button,
// starts as the preselected user and, once the main window has shown, closes
// it, which takes the program's own exit path (or, with WK_DRIVER_QUIT set,
// quits the application). What it does goes to stderr.
// Loaded with QT_PLUGIN_PATH=<build>/plugins QT_QPA_GENERIC_PLUGINS=wkexitdriver.
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void say(const QString& what) {
    std::fprintf(stderr, "driver: %s\n", qPrintable(what));
    std::fflush(stderr);
}

class Driver : public QObject {
public:
    Driver() {
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
        timer_.start(100);
        qApp->installEventFilter(this);
    }

    // Like a bare X server without a window manager: no window becomes
    // active, so message boxes come up without a parent window.
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::WindowActivate && QApplication::activeWindow())
            QApplication::setActiveWindow(nullptr);
        return QObject::eventFilter(o, e);
    }

private:
    // From the event loop, not from the timer: what the click opens runs its
    // own loop, and the timer must go on firing there.
    static void press(QAbstractButton* b) {
        QMetaObject::invokeMethod(b, &QAbstractButton::click, Qt::QueuedConnection);
    }

    void tick() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                QAbstractButton* b = box->defaultButton();
                if (!b && !box->buttons().isEmpty()) b = box->buttons().first();
                say("message " + box->text().simplified());
                if (b) press(b);
                return;
            }
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (w->objectName() == QLatin1String("FrmBenutzer")) {
                if (auto* ok = w->findChild<QPushButton*>("cmdOK"); ok && ok->isEnabled()) {
                    say("start");
                    press(ok);
                }
                return;
            }
            if (w->objectName() == QLatin1String("frmMain") && ++mainTicks_ == 5) {
                // Or the application is told to quit, as a desktop session
                // ending would: the program's exit path does not run then.
                if (qEnvironmentVariableIsSet("WK_DRIVER_QUIT")) {
                    say("quit");
                    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
                } else {
                    say("close main window");
                    QMetaObject::invokeMethod(w, &QWidget::close, Qt::QueuedConnection);
                }
                return;
            }
        }
        if (++idle_ % 50 == 0) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    say(QStringLiteral("waiting: %1 %2").arg(w->metaObject()->className(), w->objectName()));
        }
    }

    QTimer timer_;
    int mainTicks_ = 0;
    int idle_ = 0;
};

class DriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ExitDriver.json")
public:
    QObject* create(const QString&, const QString&) override { return new Driver; }
};

}  // namespace

#include "ExitDriver.moc"
