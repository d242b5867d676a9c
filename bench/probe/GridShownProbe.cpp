// A Qt generic plugin for timing the built program from its start to the
// vocabulary grid on screen: it starts as the preselected user as soon as
// the start form shows, and when the main window's grid first paints it
// prints the time since WK_PROBE_T0 (CLOCK_MONOTONIC, ns, set by whoever
// started the program) and the process's CPU time, then quits.
// Loaded with QT_PLUGIN_PATH=<build>/plugins QT_QPA_GENERIC_PLUGINS=wkgridprobe.
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QPushButton>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {

double nowMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double sinceT0() {
    return nowMs(CLOCK_MONOTONIC) - qEnvironmentVariable("WK_PROBE_T0").toDouble() / 1e6;
}

bool inside(const QObject* o, const char* name) {
    for (; o; o = o->parent())
        if (o->objectName() == QLatin1String(name)) return true;
    return false;
}

class Probe : public QObject {
public:
    Probe() { qApp->installEventFilter(this); }

    bool eventFilter(QObject* o, QEvent* e) override {
        if (done_ || !o->isWidgetType()) return QObject::eventFilter(o, e);
        auto* w = static_cast<QWidget*>(o);
        if (e->type() == QEvent::Show && w->objectName() == QLatin1String("FrmBenutzer") && !started_) {
            if (auto* ok = w->findChild<QPushButton*>("cmdOK"); ok && ok->isEnabled()) {
                started_ = true;
                std::fprintf(stderr, "probe: start form shown wall_ms=%.1f cpu_ms=%.1f\n", sinceT0(),
                             nowMs(CLOCK_PROCESS_CPUTIME_ID));
                QMetaObject::invokeMethod(ok, &QAbstractButton::click, Qt::QueuedConnection);
            }
        }
        if (e->type() == QEvent::Paint && inside(w, "vg1") && inside(w, "frmMain")) {
            done_ = true;
            std::fprintf(stderr, "probe: grid shown wall_ms=%.1f cpu_ms=%.1f\n", sinceT0(),
                         nowMs(CLOCK_PROCESS_CPUTIME_ID));
            std::fflush(stderr);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(o, e);
    }

private:
    bool started_ = false;
    bool done_ = false;
};

class ProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "GridShownProbe.json")
public:
    QObject* create(const QString&, const QString&) override { return new Probe; }
};

}  // namespace

#include "GridShownProbe.moc"
