// Opens and cancels the import/export wizard over a window, on a real
// display under a window manager, and checks each time that the wizard's
// accessible object places it where it is drawn. Prints one line per
// opening; the exit code is the number of openings placed wrongly (2 when
// the window manager never framed the window).
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "exchange/frmImport.h"
#include "support/Waiting.h"

namespace {

class NoDatabase : public exchange::ImportHost {
public:
    dao::RecordsetPtr GridRecordset() override { return {}; }
    dao::RecordsetPtr OptionsRecord() override { return {}; }
    void UpdateWindow(const QString&) override {}
    void FillVG1() override {}
};

using wktest::waitFor;

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int openings = argc > 1 ? std::atoi(argv[1]) : 15;
    QWidget main;
    main.resize(574, 409);
    main.move(461, 283);
    // Framed: the window manager is at work. One that starts after the
    // window was shown may leave it alone; shown again, it is managed.
    bool framed = false;
    for (int tries = 0; tries < 15 && !framed; ++tries) {
        main.hide();
        main.show();
        framed = waitFor([&] { return main.frameGeometry().size() != main.size(); }, 2000);
    }
    if (!framed) {
        std::printf("no window manager framed the window\n");
        return 2;
    }
    NoDatabase host;
    int wrong = 0;
    for (int i = 0; i < openings; ++i) {
        exchange::frmImport wizard(host, &main);
        bool placed = false;
        QRect told;
        QTimer::singleShot(0, &wizard, [&] {
            // Once on screen, the accessible place must come to be the drawn one.
            placed = waitFor(
                [&] {
                    if (!wizard.windowHandle() || !wizard.windowHandle()->isExposed()) return false;
                    told = QAccessible::queryAccessibleInterface(&wizard)->rect();
                    return told.topLeft() == wizard.pos();
                },
                10000);
            wizard.cmdCancel->click();
        });
        wizard.exec();
        std::printf("opening %d: drawn at %d,%d, accessible at %d,%d\n", i + 1, wizard.pos().x(),
                    wizard.pos().y(), told.x(), told.y());
        if (!placed) ++wrong;
    }
    std::fflush(stdout);
    return wrong;
}
