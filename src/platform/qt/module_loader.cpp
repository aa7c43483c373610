#include "platform/qt/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace kv {

void* ResolveModuleSymbol(const QString& name, const char* symbol) {
    const QString dir = QCoreApplication::applicationDirPath();
    QStringList folders{dir, QDir(dir).filePath(QStringLiteral("../lib/kestrovane"))};
    // Tests and relocated installs name the folder themselves.
    if (const QString chosen = qEnvironmentVariable("KESTROVANE_MODULE_DIR"); !chosen.isEmpty())
        folders = QStringList{chosen};
    for (const QString& folder : folders) {
        QLibrary library(QDir(folder).filePath(QStringLiteral("lib") + name));
        library.setLoadHints(QLibrary::PreventUnloadHint);
        if (library.load()) {
            if (void* address = reinterpret_cast<void*>(library.resolve(symbol)))
                return address;
        }
    }
    return nullptr;
}

}  // namespace kv
