// POSIX implementation of the TCP sockets.
#include "platform/Platform.h"
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qm::platform
{

namespace
{
bool makeNonBlocking(int socket)
{
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags != -1 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) != -1;
}

// Name resolution reports its own codes; map them to errno values so that one errorText
// serves every failure.
int resolve(const std::string& host, const std::string& port, bool passive, addrinfo*& found)
{
    addrinfo hints{};
    hints.ai_family = 0; // IPv4 or IPv6, whichever the name gives
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    const int result = getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &found);
    if (result == 0)
    {
        return 0;
    }
    found = nullptr;
    return result == EAI_SYSTEM ? errno : EADDRNOTAVAIL;
}

std::string describe(const sockaddr* address)
{
    char host[INET6_ADDRSTRLEN] = "?";
    int port = 0;
    if (address->sa_family == AF_INET)
    {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        port = ntohs(in->sin_port);
    }
    else if (address->sa_family == AF_INET6)
    {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
        port = ntohs(in6->sin6_port);
    }
    return std::string(host) + ":" + std::to_string(port);
}
} // namespace

int startSockets(int& error)
{
    error = 0;
    return 0;
}

int listenTcp(const std::string& address, const std::string& port, std::string& bound, int& error)
{
    addrinfo* found = nullptr;
    error = resolve(address, port, true, found);
    if (error != 0)
    {
        return -1;
    }
    int handle = -1;
    for (addrinfo* candidate = found; candidate != nullptr; candidate = candidate->ai_next)
    {
        handle = socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
        if (handle == -1)
        {
            error = errno;
            continue;
        }
        // A restarted server may bind its port again while old connections linger.
        const int yes = 1;
        setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (bind(handle, candidate->ai_addr, candidate->ai_addrlen) == 0 && listen(handle, SOMAXCONN) == 0 &&
            makeNonBlocking(handle))
        {
            break;
        }
        error = errno;
        close(handle);
        handle = -1;
    }
    freeaddrinfo(found);
    if (handle == -1)
    {
        return -1;
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    getsockname(handle, reinterpret_cast<sockaddr*>(&local), &length);
    bound = describe(reinterpret_cast<const sockaddr*>(&local));
    error = 0;
    return handle;
}

int connectTcp(const std::string& host, const std::string& port, int timeoutMilliseconds, int& error)
{
    addrinfo* found = nullptr;
    error = resolve(host, port, false, found);
    if (error != 0)
    {
        return -1;
    }
    int handle = -1;
    for (addrinfo* candidate = found; candidate != nullptr; candidate = candidate->ai_next)
    {
        handle = socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
        if (handle == -1)
        {
            error = errno;
            continue;
        }
        // Non-blocking from the start, so that an unanswered connect waits only as long as asked.
        if (!makeNonBlocking(handle))
        {
            error = errno;
            close(handle);
            handle = -1;
            continue;
        }
        int result = connect(handle, candidate->ai_addr, candidate->ai_addrlen);
        if (result == -1 && errno == EINPROGRESS)
        {
            // In short slices, so that a stop request ends the wait (see sleepMilliseconds).
            pollfd waiting{handle, POLLOUT, 0};
            result = 0;
            for (int left = timeoutMilliseconds; left > 0 && result == 0 && !stopRequested(); left -= 50)
            {
                result = poll(&waiting, 1, left < 50 ? left : 50);
                if (result == -1 && errno == EINTR)
                {
                    result = 0;
                }
            }
            if (result == 0)
            {
                errno = ETIMEDOUT;
                result = -1;
            }
            else if (result > 0)
            {
                int status = 0;
                socklen_t length = sizeof status;
                getsockopt(handle, SOL_SOCKET, SO_ERROR, &status, &length);
                errno = status;
                result = status == 0 ? 0 : -1;
            }
        }
        if (result == 0)
        {
            break;
        }
        error = errno;
        close(handle);
        handle = -1;
    }
    freeaddrinfo(found);
    if (handle != -1)
    {
        // Messages are small and frequent: send each at once rather than wait to fill a packet.
        const int yes = 1;
        setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        error = 0;
    }
    return handle;
}

int acceptTcp(int listener, int& error)
{
    const int handle = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (handle == -1)
    {
        error = errno;
        return -1;
    }
    const int yes = 1;
    setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    error = 0;
    return handle;
}

int bytesWaiting(int socket, int& error)
{
    int count = 0;
    if (ioctl(socket, FIONREAD, &count) == -1)
    {
        error = errno;
        return -1;
    }
    return count;
}

long peekBytes(int socket, char* buffer, long size, int& error)
{
    const ssize_t count = recv(socket, buffer, static_cast<size_t>(size), MSG_PEEK | MSG_DONTWAIT);
    if (count == -1)
    {
        error = errno;
    }
    return count;
}

long receiveBytes(int socket, char* buffer, long size, int& error)
{
    ssize_t count;
    do
    {
        count = recv(socket, buffer, static_cast<size_t>(size), MSG_DONTWAIT);
    } while (count == -1 && errno == EINTR);
    if (count == -1)
    {
        error = errno;
    }
    return count;
}

long sendBytes(int socket, const char* buffer, long size, int& error)
{
    ssize_t count;
    do
    {
        count = send(socket, buffer, static_cast<size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (count == -1 && errno == EINTR);
    if (count == -1)
    {
        error = errno;
    }
    return count;
}

int closeSocket(int socket, int& error)
{
    if (close(socket) == -1)
    {
        error = errno;
        return -1;
    }
    return 0;
}

bool isWouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

bool isPeerGone(int error)
{
    return error == EPIPE || error == ECONNRESET || error == ECONNABORTED || error == ENOTCONN;
}

std::string peerAddress(int socket)
{
    sockaddr_storage remote{};
    socklen_t length = sizeof remote;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&remote), &length) == -1)
    {
        return "?";
    }
    const std::string described = describe(reinterpret_cast<const sockaddr*>(&remote));
    return described.substr(0, described.rfind(':'));
}

std::string errorText(int error)
{
    std::string text = std::strerror(error);
    const auto end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

int localPort(int socket)
{
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) == -1)
    {
        return -1;
    }
    if (local.ss_family == AF_INET)
    {
        return ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    }
    if (local.ss_family == AF_INET6)
    {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port);
    }
    return -1;
}

} // namespace qm::platform
