// kestrovane-web: the web host. The program starts it when the first service page is opened,
// with one end of a private channel as descriptor 3, and it shows every page window until the
// program has gone and its last window has closed. The browser engine and its OpenGL context
// live only here.

#include <QApplication>

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "qt/logo.h"
#include "webhost/web_host.h"

int main(int argc, char** argv) {
    int fd = -1;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--channel-fd") == 0)
            fd = std::atoi(argv[i + 1]);
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0) {
        std::fprintf(stderr, "kestrovane-web is started by kestrovane, not by hand\n");
        return 2;
    }
    // Not handed on to the browser engine's own processes.
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);

    // The browser engine shares OpenGL contexts with the windows; this must be said before the
    // application object exists, as must the copy-data scheme.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    kv::RegisterCopyDataScheme();
    QApplication app(argc, argv);
    // Its windows are the program's: task bars group them under the program's menu entry.
    QApplication::setApplicationName(QStringLiteral("Kestrovane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrovane"));
    QApplication::setWindowIcon(kv::KestrovaneIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    kv::WebHost host(fd, [] { QCoreApplication::quit(); });
    return app.exec();
}
