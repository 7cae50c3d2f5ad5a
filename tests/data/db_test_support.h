#pragma once
// Database files for tests: each test gets its own line folder, so no two
// tests (and no two processes) ever open the same file.

#include "data/database.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tarvik::data::testing {

struct TempLine {
    QTemporaryDir dir;
    QString programDir = dir.path() + QStringLiteral("/LINE/BIN/");
    QString dbPath = stationDatabasePath(programDir);

    TempLine()
    {
        QDir().mkpath(programDir);
    }
    ConnectParams params() const { return ConnectParams{dbPath}; }
};

// Runs the event loop until `done` holds or a generous limit passes (a hang
// guard only: nothing asserts how long it took).
template <typename F>
bool pumpUntil(F&& done, int limitMs = 30000)
{
    QDeadlineTimer limit(limitMs);
    while (!done()) {
        if (limit.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

inline qint64 scalar(Database& db, const QString& sql, const QVariantList& params = {})
{
    PreparedStatement s(db, sql);
    return s.select(params).at(0).at(0).toLongLong();
}

}  // namespace tarvik::data::testing
