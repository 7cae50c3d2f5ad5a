#pragma once
// The shared check-digit routine of the barcode component.

#include <QString>

namespace tarvik::barcode {

// The text with its modulo-10 check digit appended (weights 3, 1, 3, ... from
// the right). A character that is not a digit raises tarvik::ConvertError
// "'x' is not a valid integer value"; an empty text gives "0".
QString CheckSumModulo10(const QString& text);

}  // namespace tarvik::barcode
