#pragma once
// The driver's own settings file "KaloScale.ini" in the station folder:
//
//   [Ports]      COM1=/dev/ttyS0 ... (a port name the station passes, any case, to a device path;
//                default "COMn" -> /dev/ttyS<n-1>; "COM0" has no default device)
//   [Line]       Baud, DataBits (5-8), Parity (None|Even|Odd|Space|Mark), StopBits (1|1.5|2),
//                FlowControl (None|Hardware|Software); defaults per protocol: 9600 8 None 1 for
//                SICS and CAS, 9600 7 Even 1 for Toledo8217; flow control None
//   [Driver]     Protocol (SICS|CAS|Toledo8217|Simulator, default SICS), Unit (the scale's unit
//                where its frames carry none, default kg), PollInterval (ms, default 200),
//                StaleAfter (ms after the last good frame when a reading counts as gone, default
//                five poll intervals), ReopenInterval (ms between attempts to open a missing device, default 1000)
//   [Output]     Unit = kg (three places, default) | g (one place, for the scale type "2,5 кг")
//   [Simulator]  Script (a file relative to the station folder, one reading text per line)
//
// Sections and keys are matched without regard to case; blanks around values are ignored; lines
// starting with ";" or "#" are comments. A value the driver cannot use is noted in `problems`; the
// driver then opens nothing and reports "Error", rather than guess at a scale's settings.

#include "frames.h"
#include "mass.h"

#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <chrono>

namespace tarvik::kaloscale {

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

struct DriverConfig {
    QString port;        // as the station passed it
    QString device;      // empty: none configured
    Protocol protocol = Protocol::Sics;
    LineSettings line;
    std::string scaleUnit = "kg";
    std::chrono::milliseconds pollInterval{200};
    std::chrono::milliseconds staleAfter{1000};
    std::chrono::milliseconds reopenInterval{1000};
    OutputUnit output = OutputUnit::Kilograms;
    QString script;      // absolute path, empty: random simulation
    QStringList problems;  // bad values met ("[Line] Baud=fast is not a valid value")
};

// Reads `iniPath` (a missing file gives every default) for the port `port`; `stationDir` resolves
// the simulator's script.
DriverConfig loadConfig(const QString& iniPath, const QString& stationDir, const QString& port);

// The station folder: $TARVIK_STATION_DIR, else the executable's directory.
QString stationDirectory();

}  // namespace tarvik::kaloscale
