#pragma once
// The workstation's regional forms, fixed in one place: decimal comma and
// the short date form of a Ukrainian desktop.

#include <QDate>
#include <QString>
#include <optional>

namespace tarvik::text {

inline constexpr char16_t kDecimalSeparator = u',';
inline constexpr const char* kShortDateFormat = "dd.MM.yyyy";

QString shortDate(const QDate& d);                // 08.12.2010
std::optional<QDate> parseShortDate(const QString& s);

}  // namespace tarvik::text
