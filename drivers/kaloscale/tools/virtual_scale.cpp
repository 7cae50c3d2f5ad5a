// tarvik-virtual-scale: a scale on a pseudo-terminal, for the driver's tests and for commissioning.
//
//   tarvik-virtual-scale --protocol SICS|CAS|Toledo8217 [--script FILE] [--link PATH] [--interval MS]
//
// Prints the device path (the --link path when given) as the first line on standard output, then
// speaks the protocol on it until stopped: answers polls (SICS, Toledo8217) or sends a frame every
// --interval milliseconds (CAS, default 100).
//
// The script has one step per line, "<kilograms> <S|D> <milliseconds>" ("1.234 S 500": a stable
// 1.234 kg for half a second; D: moving; "OL" for kilograms: overloaded); blank lines and lines
// starting with "#" are skipped; the last step holds. Without a script, lines typed on standard
// input drive it: a number puts that many kilograms on (stable), "on" a random load that settles,
// "off" takes it off, "d" makes it move, "s" steady, "ol" overloads, "q" quits.
//
// --link PATH keeps a stable path to the device (a new pty gets a new number): a symlink replaced
// at start and removed at exit.

#include "../src/frames.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace tarvik::kaloscale;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

struct Step {
    ScaleState state;
    int ms = 0;
};

std::optional<ScaleState> parseLoad(const QString& kilograms, const QString& status)
{
    ScaleState s;
    if (kilograms.compare(u"OL", Qt::CaseInsensitive) == 0) {
        s.overload = true;
    } else {
        const auto mass = parseMass(kilograms.toStdString(), "kg");
        if (!mass)
            return std::nullopt;
        s.weight = *mass;
    }
    if (status == u"S")
        s.stable = true;
    else if (status == u"D")
        s.stable = false;
    else
        return std::nullopt;
    return s;
}

std::optional<std::vector<Step>> readScript(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    std::vector<Step> steps;
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        bool ok = parts.size() == 3;
        const int ms = ok ? parts[2].toInt(&ok) : 0;
        const auto state = ok ? parseLoad(parts[0], parts[1]) : std::nullopt;
        if (!state || ms < 0) {
            error = QStringLiteral("%1:%2: expected \"<kilograms> <S|D> <milliseconds>\"").arg(path).arg(number);
            return std::nullopt;
        }
        steps.push_back({*state, ms});
    }
    return steps;
}

class VirtualScale : public QObject {
public:
    VirtualScale(Protocol protocol, int master) : protocol_(protocol), master_(master), notifier_(master, QSocketNotifier::Read)
    {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] { readCommands(); });
    }

    void setState(const ScaleState& s) { state_ = s; }
    const ScaleState& state() const { return state_; }

    void send(const QByteArray& bytes)
    {
        // Nobody reading the other end: the frame is lost, as on a real line.
        if (!bytes.isEmpty())
            [[maybe_unused]] const auto n = ::write(master_, bytes.constData(), static_cast<size_t>(bytes.size()));
    }

private:
    void readCommands()
    {
        char buffer[512];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0)
            return;  // EIO while no one has the device open; EAGAIN
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\r' || c == '\n') {
                if (!line_.empty())
                    answer(line_);
                line_.clear();
            } else if (line_.size() < 64) {
                line_.push_back(c);
            }
        }
    }

    void answer(const std::string& command)
    {
        if (protocol_ == Protocol::Sics)
            send(sicsReply(state_, command));
        else if (protocol_ == Protocol::Toledo8217)
            send(toledoReply(state_, command));
    }

    Protocol protocol_;
    int master_;
    QSocketNotifier notifier_;
    std::string line_;
    ScaleState state_;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-virtual-scale"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("A scale on a pseudo-terminal."));
    options.addHelpOption();
    options.addOption({QStringLiteral("protocol"), QStringLiteral("SICS, CAS or Toledo8217."), QStringLiteral("name")});
    options.addOption({QStringLiteral("script"), QStringLiteral("Steps \"<kg> <S|D> <ms>\", one a line."), QStringLiteral("file")});
    options.addOption({QStringLiteral("link"), QStringLiteral("A stable symlink to the device."), QStringLiteral("path")});
    options.addOption({QStringLiteral("interval"), QStringLiteral("CAS: milliseconds between frames (100)."), QStringLiteral("ms"), QStringLiteral("100")});
    options.process(app);

    QTextStream err(stderr);
    const auto protocol = protocolFromName(options.value(QStringLiteral("protocol")));
    if (!protocol || *protocol == Protocol::Simulator) {
        err << "tarvik-virtual-scale: --protocol must be SICS, CAS or Toledo8217\n";
        return 2;
    }
    bool intervalOk = false;
    const int interval = options.value(QStringLiteral("interval")).toInt(&intervalOk);
    if (!intervalOk || interval < 1) {
        err << "tarvik-virtual-scale: --interval must be a positive number of milliseconds\n";
        return 2;
    }
    std::vector<Step> steps;
    if (options.isSet(QStringLiteral("script"))) {
        QString error;
        auto script = readScript(options.value(QStringLiteral("script")), error);
        if (!script) {
            err << "tarvik-virtual-scale: " << error << '\n';
            return 2;
        }
        steps = std::move(*script);
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        err << "tarvik-virtual-scale: no pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    // Holding the device open ourselves keeps the pty alive between the driver's opens (no hang-up
    // on our side when it closes) and lets us make it raw: no echo of the polls back to the driver.
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || ::tcgetattr(slave, &tio) != 0) {
        err << "tarvik-virtual-scale: cannot open " << device << '\n';
        return 1;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    const QString link = options.value(QStringLiteral("link"));
    if (!link.isEmpty()) {
        const QByteArray l = QFile::encodeName(link);
        ::unlink(l.constData());
        if (::symlink(::ptsname(master), l.constData()) != 0) {
            err << "tarvik-virtual-scale: cannot link " << link << ": " << std::strerror(errno) << '\n';
            return 1;
        }
    }

    if (::pipe(signalPipe) != 0)
        return 1;
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGHUP, onSignal);
    QSocketNotifier stopper(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    VirtualScale scale(*protocol, master);

    // Continuous sending.
    QTimer sender;
    if (*protocol == Protocol::Cas) {
        QObject::connect(&sender, &QTimer::timeout, &scale, [&scale] { scale.send(casFrame(scale.state())); });
        sender.start(interval);
    }

    // The script's steps, one after another; the last holds.
    QTimer stepper;
    stepper.setSingleShot(true);
    std::size_t next = 0;
    auto advance = [&] {
        if (next >= steps.size())
            return;
        scale.setState(steps[next].state);
        stepper.start(steps[next].ms);
        ++next;
    };
    QObject::connect(&stepper, &QTimer::timeout, &scale, advance);

    // The keyboard.
    std::unique_ptr<QSocketNotifier> keyboard;
    QTimer settle;
    settle.setSingleShot(true);
    QObject::connect(&settle, &QTimer::timeout, &scale, [&scale] {
        ScaleState s = scale.state();
        s.stable = true;
        scale.setState(s);
    });
    if (!steps.empty()) {
        advance();
    } else {
        if (::isatty(0))
            err << "Type a weight in kg, or: on, off, d (moving), s (steady), ol (overload), q (quit).\n";
        err.flush();
        keyboard = std::make_unique<QSocketNotifier>(0, QSocketNotifier::Read);
        QObject::connect(keyboard.get(), &QSocketNotifier::activated, &scale, [&] {
            char buffer[256];
            const ssize_t n = ::read(0, buffer, sizeof buffer - 1);
            if (n <= 0) {
                keyboard->setEnabled(false);  // no keyboard: hold what is on the scale
                return;
            }
            const QStringList lines = QString::fromLocal8Bit(buffer, n).split(u'\n', Qt::SkipEmptyParts);
            for (const QString& raw : lines) {
                const QString cmd = raw.trimmed().toLower();
                ScaleState s = scale.state();
                if (cmd == u"q") {
                    app.quit();
                } else if (cmd == u"on") {
                    s = {Mass{(150 + QRandomGenerator::global()->bounded(2250)) * 1'000'000'000LL}, false, false};
                    settle.start(1500);
                } else if (cmd == u"off") {
                    s = {};
                } else if (cmd == u"d") {
                    s.stable = false;
                } else if (cmd == u"s") {
                    s.stable = true;
                } else if (cmd == u"ol") {
                    s.overload = !s.overload;
                } else if (const auto mass = parseMass(cmd.toStdString(), "kg")) {
                    s = {*mass, true, false};
                } else if (!cmd.isEmpty()) {
                    err << "?\n";
                    err.flush();
                }
                scale.setState(s);
            }
        });
    }

    QTextStream out(stdout);
    out << (link.isEmpty() ? device : link) << '\n';
    out.flush();

    const int rc = app.exec();
    if (!link.isEmpty())
        ::unlink(QFile::encodeName(link).constData());
    ::close(slave);
    ::close(master);
    return rc;
}
