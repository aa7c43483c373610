// Compiled with the core's settings by the test core_rejects_qt, which passes only when this
// fails to build: the logic must not reach Qt.
#include <QtCore/QString>

int probe() {
    return QString().size();
}
