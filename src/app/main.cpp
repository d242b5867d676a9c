// Creates the application object and shows the start form.
#include <QApplication>
#include <QScreen>

#include "startup/FrmBenutzer.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Wortkiste");
    QApplication::setOrganizationName("Wortkiste");

    // The command line as one text, the way the start form reads it: a file
    // path with blanks arrives quoted or in pieces and is put together again.
    QStringList args = QApplication::arguments();
    args.removeFirst();

    auto* start = new startup::FrmBenutzer;
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->CommandLine = args.join(' ');
    start->Form_Load();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        start->move(screen->geometry().center() - start->rect().center());
    start->show();
    return app.exec();
}
