#include "core/EngineHooks.h"
#include "platform/Platform.h"
#include "platform/Socket.h"

#include <qm/Config.h>
#include <qm/EventNetwork.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace qm
{

namespace
{
constexpr int PREFIX = 4;

// "\t%d - %s": the code and the system's text, the second line of every socket error.
void logErrorText(int error)
{
    LogManager::getInstance().writeLog("\t%d - %s", error, platform::errorText(error).c_str());
}

// Most connections taken from the system's queue in one accept(): a flood is closed in bulk,
// and one call still takes a bounded time.
constexpr int MAX_ACCEPTS_PER_CALL = 1024;
constexpr std::int64_t SUMMARY_MICROSECONDS = 1000000;
// Most bytes read from a socket in one call.
constexpr std::size_t READ_SLICE = 64 * 1024;

// Log lines written while one of these lives are caused by the peer it names (see
// LogManager::beginPeer): a peer that misbehaves gets a bounded share of the log.
class PeerLines
{
public:
    explicit PeerLines(const std::string& peer) { LogManager::getInstance().beginPeer(peer); }
    ~PeerLines() { LogManager::getInstance().endPeer(); }
    PeerLines(const PeerLines&) = delete;
    PeerLines& operator=(const PeerLines&) = delete;
};

int readLength(const std::string& bytes)
{
    std::int32_t length = 0;
    std::memcpy(&length, bytes.data(), PREFIX);
    return length;
}
} // namespace

NetworkManager::NetworkManager()
{
    setType("NetworkManager");
}

NetworkManager::~NetworkManager()
{
    // Only when the program ends without shutDown: release the handles without events.
    int ignored = 0;
    for (const Connection& connection : connections)
    {
        platform::closeSocket(connection.handle, ignored);
    }
    if (listener != -1)
    {
        platform::closeSocket(listener, ignored);
    }
}

NetworkManager& NetworkManager::getInstance()
{
    static NetworkManager instance;
    return instance;
}

int NetworkManager::startUp()
{
    int error = 0;
    if (platform::startSockets(error) != 0)
    {
        LogManager::getInstance().writeLog("NetworkManager::startUp(): Error! WSAStartup() code : %d", error);
        return 1;
    }
    Manager::startUp();
    LogManager::getInstance().writeLog(5, "NetworkManager::startUp(): successfully started.");
    return 0;
}

void NetworkManager::shutDown()
{
    flush();
    // From the last: the indices of the connections still to close do not move.
    while (!connections.empty())
    {
        close(getNumConnections() - 1);
    }
    closeListener();
    Manager::shutDown();
    LogManager::getInstance().writeLog(5, "NetworkManager::shutDown(): successfully stopped.");
}

bool NetworkManager::isValid(std::string eventType) const
{
    if (eventType == EVENT_NETWORK || eventType == EVENT_NETWORK_KEYBOARD || eventType == EVENT_NETWORK_MOUSE ||
        eventType == EVENT_NETWORK_CUSTOM)
    {
        return true;
    }
    LogManager::getInstance().writeLog("NetworkManager::isValid(): Error! NetworkManager does not handle %s.",
                                       eventType.c_str());
    return false;
}

int NetworkManager::serve(std::string port, std::string address)
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("NetworkManager::serve(): Error! NetworkManager not started!");
        return -1;
    }
    if (listener != -1)
    {
        log.writeLog("NetworkManager::serve(): Error! Already serving on %s.", serverAddress.c_str());
        return -1;
    }
    const Config& config = Config::getInstance();
    if (port.empty())
    {
        port = config.getNetworkPort();
    }
    if (address.empty())
    {
        address = config.getNetworkAddress();
    }
    int error = 0;
    std::string bound;
    const int handle = platform::listenTcp(address, port, bound, error);
    if (handle == -1)
    {
        log.writeLog("NetworkManager::serve(): Error! Cannot listen on %s port %s:", address.c_str(), port.c_str());
        logErrorText(error);
        return -1;
    }
    listener = handle;
    serverAddress = bound;
    log.writeLog("NetworkManager::serve(): Listening on %s.", serverAddress.c_str());
    return 0;
}

int NetworkManager::connect(std::string host, std::string port)
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("NetworkManager::connect(): Error! NetworkManager not started!");
        return -1;
    }
    if (getNumConnections() >= maxSockets)
    {
        log.writeLog("NetworkManager::connect(): Error! At limit (%d) of sockets.", maxSockets);
        return -1;
    }
    if (port.empty())
    {
        port = Config::getInstance().getNetworkPort();
    }
    int error = 0;
    const int handle = platform::connectTcp(host, port, CONNECT_TIMEOUT, error);
    if (handle == -1)
    {
        log.writeLog("NetworkManager::connect(): Error! Cannot connect to %s port %s:", host.c_str(), port.c_str());
        logErrorText(error);
        return -1;
    }
    Connection connection;
    connection.handle = handle;
    connection.serial = nextSerial++;
    connection.peer = platform::peerAddress(handle);
    connections.push_back(std::move(connection));
    log.writeLog(1, "NetworkManager::connect(): Connected to %s port %s.", host.c_str(), port.c_str());
    return getNumConnections() - 1;
}

int NetworkManager::accept()
{
    LogManager& log = LogManager::getInstance();
    if (listener == -1)
    {
        log.writeLog("NetworkManager::accept(): Error! Not setup as server.");
        return -2;
    }
    // Every pending connection is taken at once: those that fit get a place (and their event),
    // the rest are closed straight away, so that a flood of connections cannot keep a newcomer
    // waiting behind it in the system's queue.
    int first = -1;
    int result = -1;
    bool reaped = false;
    for (int taken = 0; taken < MAX_ACCEPTS_PER_CALL; ++taken)
    {
        int error = 0;
        const int handle = platform::acceptTcp(listener, error);
        if (handle == -1)
        {
            if (platform::isWouldBlock(error))
            {
                if (taken == 0)
                {
                    log.writeLog(15, "NetworkManager::accept(): No new connection. Not blocking.");
                }
                break;
            }
            log.writeLog("NetworkManager::accept(): Error! accept() returned:");
            logErrorText(error);
            result = -2;
            break;
        }
        if (getNumConnections() >= maxSockets && !reaped)
        {
            // Places held by peers that have gone are given up first, so that a newcomer
            // after a flood is not turned away by connections that are already dead.
            reaped = true;
            closeDeparted();
        }
        if (getNumConnections() >= maxSockets)
        {
            if (refusedConnections == 0)
            {
                log.writeLog(1, "NetworkManager::accept(): Warning! accept() connection, but at limit (%d).",
                             maxSockets);
                log.writeLog(1, "\tUse NM.setMaxSockets() to change.");
            }
            ++refusedConnections;
            platform::closeSocket(handle, error);
            continue;
        }
        Connection connection;
        connection.handle = handle;
        connection.serial = nextSerial++;
        connection.peer = platform::peerAddress(handle);
        const std::string peer = connection.peer;
        connections.push_back(std::move(connection));
        const int index = getNumConnections() - 1;
        const PeerLines lines(peer);
        log.writeLog(1, "NetworkManager::accept(): New connection.");
        EventNetwork event(NETWORK_ACCEPT);
        event.setSocketIndex(index);
        onEvent(&event);
        if (first == -1)
        {
            first = index;
        }
    }
    // One line a second at most says how many were turned away.
    const std::int64_t now = platform::monotonicMicroseconds();
    if (refusedConnections > 0 && now - lastRefusalSummary >= SUMMARY_MICROSECONDS)
    {
        log.writeLog("NetworkManager::accept(): Warning! Closed %lld connections past the limit (%d) since the last "
                     "count.",
                     refusedConnections, maxSockets);
        refusedConnections = 0;
        lastRefusalSummary = now;
    }
    return first != -1 ? first : result;
}

void NetworkManager::closeDeparted()
{
    for (int i = getNumConnections() - 1; i >= 0; --i)
    {
        if (!connected(i))
        {
            continue;
        }
        Connection& connection = connections[static_cast<std::size_t>(i)];
        char next = 0;
        int error = 0;
        const long peeked = platform::peekBytes(connection.handle, &next, 1, error);
        if (peeked == 0 || (peeked < 0 && platform::isPeerGone(error)))
        {
            const PeerLines lines(connection.peer);
            LogManager::getInstance().writeLog("NetworkManager::accept(): Sock index %d closed by its peer.", i);
            close(i);
        }
    }
}

int NetworkManager::close(int sock_index)
{
    LogManager& log = LogManager::getInstance();
    if (sock_index < 0 || sock_index >= getNumConnections())
    {
        log.writeLog("NetworkManager::close(): sock_index (%d) out of range.", sock_index);
        return -1;
    }
    Connection& connection = connections[static_cast<std::size_t>(sock_index)];
    if (connection.handle == -1)
    {
        // Closed already, and its close event is being delivered: a handler closed it again.
        return 0;
    }
    const PeerLines lines(connection.peer);
    int error = 0;
    if (platform::closeSocket(connection.handle, error) != 0)
    {
        log.writeLog("NetworkManager::close(): Error! close() returned:");
        logErrorText(error);
    }
    // The handle goes before the event, so that handlers see the connection as closed, and
    // the entry is found by its serial afterwards, since handlers may close others too.
    connection.handle = -1;
    const long long serial = connection.serial;
    EventNetwork event(NETWORK_CLOSE);
    event.setSocketIndex(sock_index);
    onEvent(&event);
    for (auto it = connections.begin(); it != connections.end(); ++it)
    {
        if (it->serial == serial)
        {
            connections.erase(it);
            break;
        }
    }
    return 0;
}

int NetworkManager::indexOf(const Connection& connection) const
{
    return static_cast<int>(&connection - connections.data());
}

bool NetworkManager::connected(int sock_index) const
{
    return sock_index >= 0 && sock_index < getNumConnections() &&
           connections[static_cast<std::size_t>(sock_index)].handle > 0;
}

int NetworkManager::isData(int sock_index) const
{
    LogManager& log = LogManager::getInstance();
    if (!connected(sock_index))
    {
        log.writeLog("NetworkManager::isData(): Error! Sock index %d not connected.", sock_index);
        return -1;
    }
    const Connection& connection = connections[static_cast<std::size_t>(sock_index)];
    int error = 0;
    const int waiting = platform::bytesWaiting(connection.handle, error);
    if (waiting < 0)
    {
        log.writeLog("NetworkManager::isData(): Error! ioctl()/ioctlsocket() returned:");
        logErrorText(error);
        return -1;
    }
    return static_cast<int>(connection.in.size()) + waiting;
}

int NetworkManager::fill(int sock_index, const char* caller)
{
    LogManager& log = LogManager::getInstance();
    Connection& connection = connections[static_cast<std::size_t>(sock_index)];
    std::string& in = connection.in;
    // Only the first message is read: the rest stays in the socket, so that one connection
    // holds at most one maximum-sized message here, whatever its peer sends.
    for (;;)
    {
        std::size_t wanted = 0;
        if (in.size() < PREFIX)
        {
            wanted = PREFIX - in.size();
        }
        else
        {
            const int length = readLength(in);
            if (length < PREFIX || length > maxMessageSize)
            {
                log.writeLog("NetworkManager::%s(): Error! Sock index %d announced a message of %d bytes (allowed %d "
                             "to %d). Closing it.",
                             caller, sock_index, length, PREFIX, maxMessageSize);
                return -1;
            }
            if (in.size() == static_cast<std::size_t>(length))
            {
                return 1;
            }
            wanted = static_cast<std::size_t>(length) - in.size();
        }
        if (connection.peerClosed)
        {
            return -2;
        }
        // The buffer grows by what arrives, a slice at a time, not by what the peer announced.
        wanted = std::min(wanted, READ_SLICE);
        const std::size_t had = in.size();
        try
        {
            in.resize(had + wanted);
        }
        catch (const std::bad_alloc&)
        {
            log.writeLog("NetworkManager::%s(): Error! No memory to read sock index %d. Closing it.", caller,
                         sock_index);
            return -1;
        }
        int error = 0;
        const long got = platform::receiveBytes(connection.handle, &in[had], static_cast<long>(wanted), error);
        in.resize(had + static_cast<std::size_t>(got > 0 ? got : 0));
        if (got == 0)
        {
            connection.peerClosed = true;
            return -2;
        }
        if (got < 0)
        {
            if (platform::isWouldBlock(error))
            {
                return 0;
            }
            if (platform::isPeerGone(error))
            {
                connection.peerClosed = true;
                return -2;
            }
            log.writeLog("NetworkManager::%s(): Error! recv() returned:", caller);
            logErrorText(error);
            return -1;
        }
    }
}

int NetworkManager::genDataEvents(int sock_index)
{
    if (!connected(sock_index))
    {
        return 0;
    }
    const PeerLines lines(connections[static_cast<std::size_t>(sock_index)].peer);
    const int status = fill(sock_index, "genDataEvents");
    if (status == 1)
    {
        const int length = readLength(connections[static_cast<std::size_t>(sock_index)].in);
        LogManager::getInstance().writeLog(15, "NetworkManager::genDataEvents(): have full message (%d bytes).",
                                           length);
        EventNetwork event(NETWORK_DATA);
        event.setSocketIndex(sock_index);
        event.setBytes(length);
        onEvent(&event);
        return 1;
    }
    if (status == 0)
    {
        return 0;
    }
    if (status == -2)
    {
        // A closed peer sends nothing more: a partial message can never complete, and the
        // connection would hold its place in the list for good.
        const std::size_t partial = connections[static_cast<std::size_t>(sock_index)].in.size();
        if (partial == 0)
        {
            LogManager::getInstance().writeLog("NetworkManager::genDataEvents(): Sock index %d closed by its peer.",
                                               sock_index);
        }
        else
        {
            LogManager::getInstance().writeLog(
                "NetworkManager::genDataEvents(): Sock index %d closed by its peer (%d bytes of a message unfinished).",
                sock_index, static_cast<int>(partial));
        }
        close(sock_index);
        return 0;
    }
    close(sock_index);
    return -1;
}

int NetworkManager::receive(int sock_index, std::string& body)
{
    LogManager& log = LogManager::getInstance();
    if (!connected(sock_index))
    {
        log.writeLog("NetworkManager::receive(): Error! Sock index %d not connected.", sock_index);
        return -1;
    }
    const PeerLines lines(connections[static_cast<std::size_t>(sock_index)].peer);
    const int status = fill(sock_index, "receive");
    if (status == 1)
    {
        std::string& in = connections[static_cast<std::size_t>(sock_index)].in;
        const int length = readLength(in);
        body.assign(in, PREFIX, std::string::npos);
        in.clear();
        return length;
    }
    if (status == 0)
    {
        return 0;
    }
    if (status == -2)
    {
        log.writeLog("NetworkManager::receive(): Sock index %d closed by its peer.", sock_index);
    }
    close(sock_index);
    return -1;
}

bool NetworkManager::sendQueued(Connection& connection, const char* caller)
{
    while (connection.outSent < connection.out.size())
    {
        int error = 0;
        const long sent = platform::sendBytes(connection.handle, connection.out.data() + connection.outSent,
                                              static_cast<long>(connection.out.size() - connection.outSent), error);
        if (sent < 0)
        {
            if (platform::isWouldBlock(error))
            {
                break;
            }
            if (platform::isPeerGone(error))
            {
                // The peer left: a normal end of the connection, not a fault.
                LogManager::getInstance().writeLog("NetworkManager::%s(): Sock index %d closed by its peer (%s).",
                                                   caller, indexOf(connection), platform::errorText(error).c_str());
                return false;
            }
            LogManager::getInstance().writeLog("NetworkManager::%s(): Error! send() returned:", caller);
            logErrorText(error);
            return false;
        }
        connection.outSent += static_cast<std::size_t>(sent);
    }
    if (connection.outSent == connection.out.size())
    {
        connection.out.clear();
        connection.outSent = 0;
    }
    else if (connection.outSent > connection.out.size() / 2)
    {
        // Drop what went out once it is most of the queue: each byte moves at most once more.
        connection.out.erase(0, connection.outSent);
        connection.outSent = 0;
    }
    return true;
}

int NetworkManager::send(int sock_index, const std::string& body)
{
    LogManager& log = LogManager::getInstance();
    if (!connected(sock_index))
    {
        log.writeLog("NetworkManager::send(): Error! Sock index %d not connected.", sock_index);
        return -1;
    }
    if (body.size() > static_cast<std::size_t>(maxMessageSize - PREFIX))
    {
        log.writeLog("NetworkManager::send(): Error! A message of %llu bytes is over the maximum (%d).",
                     static_cast<unsigned long long>(body.size()) + PREFIX, maxMessageSize);
        return -1;
    }
    Connection& connection = connections[static_cast<std::size_t>(sock_index)];
    const PeerLines lines(connection.peer);
    const std::size_t queued = connection.out.size() - connection.outSent;
    if (queued + body.size() + PREFIX > static_cast<std::size_t>(maxQueuedBytes))
    {
        log.writeLog("NetworkManager::send(): Error! Sock index %d has %llu bytes waiting to be sent (at most %d). "
                     "Closing it.",
                     sock_index, static_cast<unsigned long long>(queued), maxQueuedBytes);
        close(sock_index);
        return -1;
    }
    const std::int32_t length = static_cast<std::int32_t>(body.size() + PREFIX);
    char prefix[PREFIX];
    std::memcpy(prefix, &length, PREFIX);
    try
    {
        connection.out.reserve(connection.out.size() + PREFIX + body.size());
    }
    catch (const std::bad_alloc&)
    {
        log.writeLog("NetworkManager::send(): Error! No memory to queue %llu bytes for sock index %d.",
                     static_cast<unsigned long long>(body.size() + PREFIX), sock_index);
        return -1;
    }
    connection.out.append(prefix, PREFIX);
    connection.out.append(body);
    if (!sendQueued(connection, "send"))
    {
        close(sock_index);
        return -1;
    }
    return 0;
}

long long NetworkManager::flush()
{
    long long waiting = 0;
    for (int i = getNumConnections() - 1; i >= 0; --i)
    {
        if (i >= getNumConnections())
        {
            continue; // a close handler closed several
        }
        Connection& connection = connections[static_cast<std::size_t>(i)];
        if (connection.handle <= 0 || connection.out.empty())
        {
            continue;
        }
        const PeerLines lines(connection.peer);
        if (!sendQueued(connection, "flush"))
        {
            close(i);
            continue;
        }
        waiting += static_cast<long long>(connection.out.size() - connection.outSent);
    }
    return waiting;
}

void NetworkManager::setMaxSockets(int count)
{
    maxSockets = count < 1 ? 1 : count;
}

void NetworkManager::setMaxMessageSize(int bytes)
{
    maxMessageSize = bytes < PREFIX ? PREFIX : bytes;
}

void NetworkManager::setMaxQueuedBytes(int bytes)
{
    maxQueuedBytes = bytes < 1 ? 1 : bytes;
}

int NetworkManager::getQueuedBytes(int sock_index) const
{
    if (!connected(sock_index))
    {
        return -1;
    }
    const Connection& connection = connections[static_cast<std::size_t>(sock_index)];
    return static_cast<int>(connection.out.size() - connection.outSent);
}

int EngineHooks::bufferedBytes(const NetworkManager& network, int sock_index)
{
    if (!network.connected(sock_index))
    {
        return -1;
    }
    return static_cast<int>(network.connections[static_cast<std::size_t>(sock_index)].in.size());
}

int NetworkManager::getServerPort() const
{
    return listener == -1 ? -1 : platform::localPort(listener);
}

int NetworkManager::closeListener()
{
    if (listener == -1)
    {
        return 0;
    }
    int error = 0;
    const int result = platform::closeSocket(listener, error);
    if (result != 0)
    {
        LogManager::getInstance().writeLog("NetworkManager::shutDown(): Error! close() returned:");
        logErrorText(error);
    }
    listener = -1;
    serverAddress.clear();
    return result;
}

} // namespace qm
