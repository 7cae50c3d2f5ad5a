#pragma once
// The command line of tarvik.

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace tarvik::station {

struct Options {
    std::optional<QString> stationDir;  // ProgramDir becomes this + "/"
    bool headless = false;              // offscreen, boxes answered with their defaults
    std::optional<int> quitAfter;       // quit after so many label runs
    bool checkDatabase = false;         // report on the database connection and exit
};

struct UsageError {
    QString message;
};

// Arguments without the program name.
std::variant<Options, UsageError> parseOptions(const QStringList& args);
QString usageText();

}  // namespace tarvik::station
