// tarvik-products: adds products from a tab-separated file to a station's
// catalogue (see data/product_import.h for the file's form).

#include "data/product_import.h"
#include "data/station_store.h"
#include "platform/text/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QString stationDir;
    bool ifEmpty = false;
    QString file;
    bool bad = false;
    for (qsizetype i = 0; i < args.size() && !bad; ++i) {
        if (args[i] == u"--station-dir" && i + 1 < args.size())
            stationDir = args[++i];
        else if (args[i] == u"--if-empty")
            ifEmpty = true;
        else if (file.isEmpty() && !args[i].startsWith(u'-'))
            file = args[i];
        else
            bad = true;
    }
    if (bad || stationDir.isEmpty() || file.isEmpty()) {
        err << "Usage: tarvik-products --station-dir DIR [--if-empty] FILE.tsv\n"
               "  adds the products of FILE.tsv to the station's catalogue; with --if-empty\n"
               "  only when the catalogue holds no product yet\n";
        return 2;
    }
    try {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw tarvik::Error(QStringLiteral("Не вдалося відкрити %1: %2").arg(file, f.errorString()));
        const QString text = QString::fromUtf8(f.readAll());
        const QString programDir = QDir(stationDir).absolutePath() + u'/';
        auto db = tarvik::data::Database::openOrCreate(tarvik::data::stationConnectParams(programDir));
        if (ifEmpty && tarvik::data::StationStore(*db).highestProductId()) {
            err << "tarvik-products: the catalogue already holds products; nothing added\n";
            return 0;
        }
        const int n = tarvik::data::importProducts(*db, text);
        err << "tarvik-products: " << n << " products added\n";
        return 0;
    } catch (const std::exception& e) {
        err << "tarvik-products: " << tarvik::errorText(e) << "\n";
        return 1;
    }
}
