// Creates the application object and shows the start form.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Wortkiste");
    QApplication::setOrganizationName("Wortkiste");
    QMainWindow w;
    w.setWindowTitle("Wortkiste");
    w.show();
    return app.exec();
}
