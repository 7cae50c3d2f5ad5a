// Fuzzes Setting_Prog.ini: any file must load or be refused with tarvik::Error
// naming its key, and values it accepts must be within their bounds. (Saving
// syncs the disk, which would hold a run to a few hundred inputs a second;
// the settings tests cover the round trip.)

#include "data/settings_files.h"
#include "labels/input_checks.h"
#include "platform/text/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace tarvik;

namespace {
QString folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/fuzz-settings-XXXXXX"));
    folder = dir.path() + u'/';
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = folder + QString::fromLatin1(data::kSettingsFileName);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    data::StartupSettings startup;
    try {
        data::LoadStartupSettings(path, startup);
        if (!data::startupSettingsProblems(startup).isEmpty())
            std::abort();  // accepted out of bounds
    } catch (const Error& e) {
        if (!e.text().startsWith(QStringLiteral("Setting_Prog.ini")))
            std::abort();  // an error that does not name the file
    }
    data::ProgSettings s;
    try {
        data::LoadSettings(path, s, data::ListLengths{3, 5, 23});
    } catch (const Error& e) {
        if (!e.text().startsWith(QStringLiteral("Setting_Prog.ini, [")))
            std::abort();  // an error that does not name its key
        return 0;
    }
    // Whatever loaded can be judged without an error escaping.
    labels::stationSettingsProblems(s, startup, 5);
    labels::stationSettingsMessage(labels::stationSettingsProblems(s, startup, 5));
    return 0;
}
