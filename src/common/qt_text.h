#pragma once

// The windows' edge between QString and the logic's CP949 bytes.

#include <QString>
#include <QValidator>

#include <optional>
#include <string>

namespace kv {

QString fromCp949(const std::string& cp949);

// Nothing when the text holds a character that CP949 cannot represent.
std::optional<std::string> toCp949(const QString& text);

// Length of the text in CP949 bytes, or nothing when CP949 cannot hold it.
std::optional<std::size_t> cp949Length(const QString& text);

// Refuses input that CP949 cannot hold, as an edit box of the 8-bit code page does.
class Cp949Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

}  // namespace kv
