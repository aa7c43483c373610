#include "common/qt_text.h"

#include "common/cp949.h"

namespace kv {

QString fromCp949(const std::string& cp949) {
    const std::string utf8 = cp949ToUtf8(cp949);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toCp949(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return utf8ToCp949(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::optional<std::size_t> cp949Length(const QString& text) {
    auto bytes = toCp949(text);
    if (!bytes)
        return std::nullopt;
    return bytes->size();
}

QValidator::State Cp949Validator::validate(QString& input, int&) const {
    return toCp949(input) ? Acceptable : Invalid;
}

}  // namespace kv
