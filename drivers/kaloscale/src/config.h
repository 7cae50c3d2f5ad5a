#pragma once
// The driver's own settings file "KaloScale.ini" in the station folder:
//
//   [Ports]      COM1=/dev/ttyS0 ... (a port name the station passes, any case, to a device path;
//                default "COMn" -> /dev/ttyS<n-1>; "COM0" has no default device)
//   [Line]       Baud, DataBits (5-8), Parity (None|Even|Odd|Space|Mark), StopBits (1|1.5|2),
//                FlowControl (None|Hardware|Software); defaults per protocol: 9600 8 None 1 for
//                SICS and CAS, 9600 7 Even 1 for Toledo8217; flow control None
//   [Driver]     Protocol (SICS|CAS|Toledo8217|Simulator, default SICS), Unit (the unit the scale
//                is set to: frames in another are refused; default kg), Decimal (Point|Comma: the
//                decimal mark of a CAS scale, default Point), PollInterval (ms, default 200),
//                StaleAfter (ms after the last good frame when a reading counts as gone, default
//                five poll intervals), ReopenInterval (ms between attempts to open a missing device, default 1000)
//   [Output]     Unit = kg (three places, default) | g (one place, for the scale type "2,5 кг")
//   [Simulator]  Script (a file relative to the station folder, one reading text per line), Raw
//                (1: the script's lines go to the station as written, unchecked; default 0)
//
// Sections and keys are matched without regard to case; blanks around values are ignored; lines
// starting with ";" or "#" are comments. A value the driver cannot use, a key it does not know in
// one of its sections, a line that is no setting, and a script it cannot read are noted in
// `problems`; the driver then opens nothing and reports "Error", rather than guess at a scale's
// settings. Sections of other programs are left alone.

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
    char decimal = '.';
    std::chrono::milliseconds pollInterval{200};
    std::chrono::milliseconds staleAfter{1000};
    std::chrono::milliseconds reopenInterval{1000};
    OutputUnit output = OutputUnit::Kilograms;
    QString script;      // absolute path, empty: random simulation
    bool rawScript = false;
    QStringList problems;  // bad values met ("[Line] Baud=fast is not a valid value")

    FrameFormat frameFormat() const { return {scaleUnit, decimal, output}; }
    // "COM1 (/dev/ttyUSB0)", how the driver's messages name the line.
    QString lineName() const;
};

// The simulator's script is read whole; a longer one is refused.
inline constexpr qint64 MaxScriptSize = 16 << 20;

// Reads `iniPath` (a missing file gives every default) for the port `port`; `stationDir` resolves
// the simulator's script.
DriverConfig loadConfig(const QString& iniPath, const QString& stationDir, const QString& port);
// The same over the file's bytes.
DriverConfig parseConfig(const QByteArray& ini, const QString& stationDir, const QString& port);

// The station folder: $TARVIK_STATION_DIR, else the executable's directory.
QString stationDirectory();

}  // namespace tarvik::kaloscale
