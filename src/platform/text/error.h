#pragma once
// The station's error object: a message text that rises to the error display.

#include <QString>
#include <stdexcept>

namespace tarvik {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};

// Text that could not be read as a number ("'%s' is not a valid ... value").
class ConvertError : public Error {
public:
    using Error::Error;
};

// The text of any escaping failure, as the error display shows it.
QString errorText(const std::exception& e);

}  // namespace tarvik
