// The yardstick of the start-up benchmark: the least a Qt Widgets program does to show a
// main window. With KESTROVANE_EXIT_WHEN_SHOWN set it ends once the window has been drawn, as
// the program does when measured that way; otherwise it runs until ended.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("케스트로바네")));
    window.resize(281, 435);
    window.show();
    if (qEnvironmentVariableIsSet("KESTROVANE_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [] { std::_Exit(0); });
    return app.exec();
}
