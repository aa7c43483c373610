#include "platform/qt/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace kv {

void* ResolveModuleSymbol(const QString& name, const char* symbol) {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {dir, QDir(dir).filePath(QStringLiteral("../lib/kestrovane"))}) {
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
