#pragma once
// A started main window for the bar, hint, layout, title-bar and key tests:
// a real USER.MDB and a real vocabulary database in the test's own folder,
// and a pointer position the test sets.

#include <memory>

#include "mainwindow/RoadFixture.h"
#include "platform/forms/Colors.h"
#include "platform/grid/Grid.h"

namespace barstest {

class BarsTest : public roadtest::Road {
protected:
    std::unique_ptr<startup::FrmBenutzer> start;
    QPoint cursor{500, 400};
    QString path;

    // Starts as user 1; with a database of `items` items unless items < 0.
    mainwindow::frmMain& startMain(int items = 1) {
        makeUsers({{1, "Ben"}});
        QString commandLine;
        if (items >= 0) {
            path = makeVokDB("kurs.wkd");
            for (int i = 0; i < items; ++i) addItem(path, QStringLiteral("frage%1").arg(i), 0);
            commandLine = path;
        }
        start = std::make_unique<startup::FrmBenutzer>();
        startAs(*start, 1, commandLine);
        auto& m = mainwindow::MainForm();
        m.cursorPosition = [this] { return cursor; };
        return m;
    }

    static QString pictureOf(const mainwindow::frmMain& m, const mainwindow::ImageBox* b, const char* state) {
        return m.barHolders.at(b->objectName() + "_" + state)->pictureKey();
    }
};

}  // namespace barstest
