#include "station/quit_signals.h"

#include "platform/ui/prompts.h"
#include "platform/ui/responders.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <utility>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tarvik::station {
namespace {

sigset_t quitSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, sig);
    return set;
}

}  // namespace

void QuitOnSignals::blockSignals()
{
    const sigset_t set = quitSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent)
{
    blockSignals();  // in case main() did not
    const sigset_t set = quitSignals();
    fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (::read(fd_, &info, sizeof info) == sizeof info) {
        }
        if (!std::exchange(requested_, true))
            previous_ = ui::prompts().setResponder(std::make_unique<ui::HeadlessResponder>());
        // exit(), not quit(): quit() asks the windows to close first, and an
        // open box that has no close button refuses, so the station would stay.
        QCoreApplication::exit(0);
    });
}

QuitOnSignals::~QuitOnSignals()
{
    if (previous_)
        ui::prompts().setResponder(std::move(previous_));
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace tarvik::station
