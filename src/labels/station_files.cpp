#include "labels/station_files.h"

#include "platform/text/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarvik::labels {

QStringList installMissingStationFiles(const QString& programDir, const QString& resourcesDir)
{
    QStringList copied;
    const QDir source(resourcesDir);
    if (resourcesDir.isEmpty() || !source.exists())
        return copied;
    const QDir target(programDir);
    if (!target.exists() && !QDir().mkpath(programDir))
        throw Error(QStringLiteral("Не вдалося створити папку станції \"%1\"").arg(programDir));
    for (const QFileInfo& f : source.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        const QString to = target.filePath(f.fileName());
        if (QFileInfo::exists(to))
            continue;
        if (!QFile::copy(f.filePath(), to))
            throw Error(QStringLiteral("Не вдалося скопіювати \"%1\" у \"%2\"").arg(f.filePath(), to));
        // Resources may come read-only from an installed tree; the station rewrites its files.
        QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        copied << f.fileName();
    }
    return copied;
}

QStringList stationResourceDirs()
{
    QStringList dirs;
    if (QCoreApplication::instance()) {
        const QString exe = QCoreApplication::applicationDirPath();
        dirs << exe + QStringLiteral("/resources/station") << exe + QStringLiteral("/../resources/station");
    }
    dirs << QStringLiteral(TARVIK_STATION_RESOURCES);
    for (QString& d : dirs)
        d = QDir::cleanPath(d);
    return dirs;
}

QString findStationResources()
{
    for (const QString& d : stationResourceDirs())
        if (QFileInfo(d).isDir())
            return d;
    return {};
}

}  // namespace tarvik::labels
