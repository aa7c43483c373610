#include "qt/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace kv {

QStringList ModuleFolders() {
    // Tests and relocated installs name the folder themselves.
    if (const QString chosen = qEnvironmentVariable("KESTROVANE_MODULE_DIR"); !chosen.isEmpty())
        return QStringList{chosen};
    const QString dir = QCoreApplication::applicationDirPath();
    return QStringList{dir, QDir(dir).filePath(QStringLiteral("../lib/kestrovane"))};
}

void* ResolveModuleSymbol(const QString& name, const char* symbol) {
    for (const QString& folder : ModuleFolders()) {
        QLibrary library(QDir(folder).filePath(QStringLiteral("lib") + name));
        library.setLoadHints(QLibrary::PreventUnloadHint);
        if (library.load()) {
            if (void* address = reinterpret_cast<void*>(library.resolve(symbol)))
                return address;
        }
    }
    return nullptr;
}

QString FindHelperProgram(const QString& name) {
    for (const QString& folder : ModuleFolders()) {
        const QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile() && file.isExecutable())
            return QDir::cleanPath(file.absoluteFilePath());
    }
    return {};
}

}  // namespace kv
