// The host's TCP sockets, for the network manager. This header and its source in this folder
// are the only engine code that includes socket headers. Handles are plain ints (-1 for
// none); every failing call returns -1 and puts the system's error code in `error`, whose
// text errorText gives.
#ifndef QM_PLATFORM_SOCKET_H
#define QM_PLATFORM_SOCKET_H

#include <string>

namespace qm::platform
{

/// Starts the socket library. Returns 0, or -1 with `error` set. POSIX systems need no
/// start-up; other systems start their socket library here.
int startSockets(int& error);

/// A non-blocking listening TCP socket bound to `address` (numeric IPv4 or IPv6, or a host
/// name) and `port` (a number as text; "0" lets the system choose). `bound` receives the
/// address and port actually bound as "host:port". Returns the handle or -1.
int listenTcp(const std::string& address, const std::string& port, std::string& bound, int& error);

/// Connects to `host`:`port`, waiting at most `timeoutMilliseconds`. The returned socket is
/// non-blocking. Returns the handle or -1 (a timeout gives the system's time-out code).
int connectTcp(const std::string& host, const std::string& port, int timeoutMilliseconds, int& error);

/// Accepts one pending connection without blocking. Returns the new non-blocking handle, or
/// -1: with nothing pending `error` is a would-block code (see isWouldBlock).
int acceptTcp(int listener, int& error);

/// The number of bytes that can be read without blocking (0 also after the peer closed).
int bytesWaiting(int socket, int& error);

/// Copies up to `size` waiting bytes into `buffer` without removing them from the socket.
/// Returns the count (0 when the peer closed) or -1 (would-block when nothing waits).
long peekBytes(int socket, char* buffer, long size, int& error);

/// Reads up to `size` waiting bytes without blocking. Returns the count, 0 when the peer
/// closed its side, or -1 (would-block when nothing waits).
long receiveBytes(int socket, char* buffer, long size, int& error);

/// Writes up to `size` bytes without blocking and without the broken-pipe signal a closed
/// peer would raise. Returns the count written (possibly fewer than `size`) or -1.
long sendBytes(int socket, const char* buffer, long size, int& error);

/// Closes a handle. Returns 0 or -1.
int closeSocket(int socket, int& error);

/// True when `error` says the call would have blocked.
bool isWouldBlock(int error);

/// True when `error` says the peer closed or reset its end (a broken pipe, a reset): a
/// normal end of a connection rather than a fault.
bool isPeerGone(int error);

/// The address of the peer of a connected socket, without its port ("127.0.0.1"), or "?".
std::string peerAddress(int socket);

/// The system's text for an error code, cut at its first carriage return or line feed.
std::string errorText(int error);

/// The local port a socket is bound to, or -1.
int localPort(int socket);

} // namespace qm::platform

#endif
