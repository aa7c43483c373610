#include "qt/qt_process_launcher.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace kv {

bool QtProcessLauncher::start(const std::string& program, const std::string& argument) {
    // File names are bytes in the file system's encoding; the argument is plain text.
    const QString path = QFile::decodeName(QByteArray::fromStdString(program));
    return QProcess::startDetached(path, QStringList{QString::fromStdString(argument)});
}

}  // namespace kv
