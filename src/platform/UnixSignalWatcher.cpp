#include "platform/UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t writeSocket = -1;

}

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent)
    , m_signals(signalNumbers)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_sockets) != 0)
        return;
    writeSocket = m_sockets[0];
    struct sigaction action{};
    action.sa_handler = &UnixSignalWatcher::handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : m_signals) {
        if (::sigaction(number, &action, nullptr) != 0)
            return;
    }
    m_notifier = new QSocketNotifier(m_sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::drain);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    for (int number : m_signals)
        std::signal(number, SIG_DFL);
    writeSocket = -1;
    for (int socket : m_sockets) {
        if (socket >= 0)
            ::close(socket);
    }
}

void UnixSignalWatcher::handler(int signalNumber)
{
    const int savedErrno = errno;
    const char number = static_cast<char>(signalNumber);
    if (writeSocket >= 0)
        [[maybe_unused]] const ssize_t written = ::write(writeSocket, &number, 1);
    errno = savedErrno;
}

void UnixSignalWatcher::drain()
{
    char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(m_sockets[1], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(numbers[i]);
    }
}
