#include "station/quit_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvik::station {
namespace {

// The write end of the self-pipe; a signal handler may only write to it.
int signalFd[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalFd[0], &c, 1);
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFd) != 0)
        return;
    notifier_ = new QSocketNotifier(signalFd[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] {
        char c;
        [[maybe_unused]] auto n = ::read(signalFd[1], &c, 1);
        QCoreApplication::quit();
    });
    install();
}

void QuitOnSignals::install()
{
    if (!notifier_)
        return;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

QuitOnSignals::~QuitOnSignals()
{
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    ::close(signalFd[0]);
    ::close(signalFd[1]);
    signalFd[0] = signalFd[1] = -1;
}

}  // namespace tarvik::station
