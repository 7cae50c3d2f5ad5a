#include "station/options.h"

#include "platform/text/currency.h"

#include <limits>

namespace tarvik::station {

QString usageText()
{
    return QStringLiteral(
        "Usage: tarvik [--station-dir DIR] [--headless] [--quit-after N]\n"
        "       tarvik [--station-dir DIR] --check-database\n"
        "  --station-dir DIR  use DIR as the station folder (settings, labels, pictures);\n"
        "                     the database is DIR/../DATABASE/VELM.GDB\n"
        "  --headless         run without a display; message boxes go to standard error\n"
        "                     and are answered with their default button\n"
        "  --quit-after N     quit after N label runs have ended\n"
        "  --check-database   connect with the station's settings, report what was found\n"
        "                     and exit (0: the station can work with it, 1: it cannot)\n");
}

std::variant<Options, UsageError> parseOptions(const QStringList& args)
{
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](const QString& name) -> std::optional<QString> {
            const QString prefix = name + u'=';
            if (a.startsWith(prefix))
                return a.mid(prefix.size());
            if (a == name && i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (a == u"--headless") {
            o.headless = true;
        } else if (a == u"--check-database") {
            o.checkDatabase = true;
        } else if (a == u"--station-dir" || a.startsWith(u"--station-dir=")) {
            auto v = value(QStringLiteral("--station-dir"));
            if (!v || v->isEmpty())
                return UsageError{QStringLiteral("--station-dir needs a folder")};
            o.stationDir = *v;
        } else if (a == u"--quit-after" || a.startsWith(u"--quit-after=")) {
            auto v = value(QStringLiteral("--quit-after"));
            const auto n = v ? parseWholeNumber(*v) : std::nullopt;
            if (!n || *n < 1 || *n > std::numeric_limits<int>::max())
                return UsageError{QStringLiteral("--quit-after needs a whole number of at least 1")};
            o.quitAfter = int(*n);
        } else {
            return UsageError{QStringLiteral("unknown option: %1").arg(a)};
        }
    }
    return o;
}

}  // namespace tarvik::station
