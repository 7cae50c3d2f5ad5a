#pragma once
// A temporary line folder for one test: LINE/BIN/ is the station folder,
// LINE/DATABASE/ lies beside it, so no two tests share a database.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarvik::testing {

class StationFolder {
public:
    StationFolder()
    {
        QDir(tmp_.path()).mkpath(QStringLiteral("LINE/BIN"));
        QDir(tmp_.path()).mkpath(QStringLiteral("LINE/DATABASE"));
        qputenv("TARVIK_STATION_DIR", QFile::encodeName(programDir()));
    }

    // With its trailing "/".
    QString programDir() const { return tmp_.path() + QStringLiteral("/LINE/BIN/"); }
    QString databaseDir() const { return tmp_.path() + QStringLiteral("/LINE/DATABASE/"); }
    QString path(const QString& name) const { return programDir() + name; }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error("cannot write " + name.toStdString());
        f.write(bytes);
    }

    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    // A simulated scale that gives these readings, one per poll, then "Error"; as written, so that
    // tests can hand the station readings no real scale's frame would give.
    void scriptScale(const QStringList& readings) const
    {
        write(QStringLiteral("KaloScale.ini"),
              "[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\nRaw=1\r\n");
        write(QStringLiteral("readings.txt"), (readings.join(u'\n') + u'\n').toUtf8());
    }

private:
    QTemporaryDir tmp_;
};

}  // namespace tarvik::testing
