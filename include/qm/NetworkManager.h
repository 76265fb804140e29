#ifndef QM_NETWORKMANAGER_H
#define QM_NETWORKMANAGER_H

#include <qm/Manager.h>

#include <string>
#include <vector>

namespace qm
{

/// Default bound on one message, its 4-byte length prefix included: 1 MiB.
constexpr int DEFAULT_MAX_MESSAGE_SIZE = 1024 * 1024;
/// Default bound on the bytes waiting to be sent on one connection: 4 MiB.
constexpr int DEFAULT_MAX_QUEUED_BYTES = 4 * 1024 * 1024;
/// How long connect() waits for an answer, in milliseconds.
constexpr int CONNECT_TIMEOUT = 2000;

/// The engine's TCP connections: an optional listening socket and a short list of connected
/// sockets, each named by its position in the list (its socket index). Nothing blocks: the
/// game loop (when "networking" is true) accepts one connection per frame, flushes what
/// waits to be sent and raises "qm-network" events (EventNetwork) for accepted and closed
/// connections and for complete messages, within a fifth of the frame time.
///
/// A message is a 32-bit signed length in the machine's byte order (little-endian), counting
/// its own 4 bytes, followed by the body. A data event announces a complete message; it
/// stays waiting, and is announced again each pass, until receive() takes it.
///
///     NetworkManager& network = NetworkManager::getInstance();
///     network.serve("9876");                // 127.0.0.1 unless "network_address" says otherwise
///     ...                                   // in the handler of an object registered for "qm-network":
///     const auto* e = static_cast<const EventNetwork*>(event);
///     if (e->getLabel() == NETWORK_DATA)
///     {
///         std::string body;
///         network.receive(e->getSocketIndex(), body);
///         network.send(e->getSocketIndex(), "thanks");
///     }
///
/// Faults on one connection never stop the program: a length below 4 or above the maximum
/// message size, a peer that closed or reset its side, and a send queue past its bound each
/// close that connection with an error line and its close event. Closing shifts the later
/// connections down one index, so code that may close while walking the list walks it from
/// the last index to the first.
class NetworkManager : public Manager
{
public:
    static NetworkManager& getInstance();

    ~NetworkManager() override;

    /// Starts the socket library. Returns 0, or 1 with "NetworkManager::startUp(): Error!
    /// WSAStartup() code : %d" logged.
    int startUp() override;

    /// Sends what it can of every queue without waiting, closes every connection from the
    /// last to the first (one close event each) and the listening socket.
    void shutDown() override;

    /// True for "qm-network", "qm-keyboard-network", "qm-mouse-network" and
    /// "qm-custom-network"; any other name is logged and refused.
    bool isValid(std::string eventType) const override;

    /// Listens on `port` at `address` (empty: the configuration's "network_port" and
    /// "network_address", 127.0.0.1 and "9876" by default; port "0" lets the system choose).
    /// Logs the address actually bound. Returns 0, or -1 (logged) when not started, already
    /// serving or the system refuses.
    [[nodiscard]] int serve(std::string port = "", std::string address = "");

    /// Connects to `host`:`port` as a client, waiting at most CONNECT_TIMEOUT ms, and appends
    /// the connection to the list (no event is raised). Returns its socket index, or -1
    /// (logged) when not started, at the maximum number of sockets or refused.
    [[nodiscard]] int connect(std::string host, std::string port = "");

    /// Accepts the pending connections (at most 1,024 a call): each one that fits under the
    /// maximum gets a socket index and its accept event; the others are closed at once, with
    /// one line a second at most counting them. Returns the socket index of the first one
    /// accepted, -1 when none was (nothing pending, or all at the maximum), -2 when not a
    /// server or on error.
    int accept();

    /// Closes connection `sock_index`, raises its close event, then removes it from the list.
    /// A close-event handler may close any connection, this one included (nothing more
    /// happens to it). Returns 0, or -1 (logged) for an index outside the list.
    int close(int sock_index);

    /// The bytes waiting on the connection: those already read into its buffer and those in
    /// the socket. -1 (logged) for an index not connected or when the system's query fails.
    int isData(int sock_index) const;

    /// Reads what waits on the connection, up to the end of its first message, and raises a
    /// data event when that message is complete. Returns 1 when it raised one, 0 when not,
    /// -1 on error. A malformed or oversized length, a reset and a peer that closed its side
    /// before a complete message close the connection (its close event is raised).
    int genDataEvents(int sock_index);

    /// Queues `body` with its length prefix and sends what the socket takes now; the rest
    /// goes out in later network phases. Returns 0, or -1 (logged) for an index not
    /// connected, a message over the maximum size (the connection stays), or a failing or
    /// over-full connection (which is closed, with its close event).
    [[nodiscard]] int send(int sock_index, const std::string& body);

    /// Takes the first message of the connection when it is complete and puts its body (no
    /// prefix) into `body`. Returns the message's length with its prefix, 0 when no complete
    /// message waits, or -1 on error (the connection may then have been closed, as in
    /// genDataEvents).
    int receive(int sock_index, std::string& body);

    /// Sends what it can of every connection's queue without waiting (the game loop calls
    /// it once per frame). A failing connection is closed. Returns the bytes still queued.
    long long flush();

    /// True when a listening socket is set up.
    bool isServer() const { return listener != -1; }

    /// The number of connected sockets.
    int getNumConnections() const { return static_cast<int>(connections.size()); }

    /// Most connected sockets (at least 1; default 1). Connections already open stay.
    void setMaxSockets(int count);
    int getMaxSockets() const { return maxSockets; }

    /// Largest message accepted or sent, prefix included (at least 4; default 1 MiB).
    void setMaxMessageSize(int bytes);
    int getMaxMessageSize() const { return maxMessageSize; }

    /// Most bytes kept waiting to be sent on one connection (at least 1; default 4 MiB).
    void setMaxQueuedBytes(int bytes);
    int getMaxQueuedBytes() const { return maxQueuedBytes; }

    /// Bytes waiting to be sent on the connection; -1 for an index not connected.
    int getQueuedBytes(int sock_index) const;

    /// The address and port the server is bound to, as "host:port"; empty when not serving.
    std::string getServerAddress() const { return serverAddress; }

    /// The port the server is bound to; -1 when not serving.
    int getServerPort() const;

private:
    // Reads the connections' buffers (src/core/EngineHooks.h).
    friend class EngineHooks;

    NetworkManager();

    struct Connection
    {
        int handle = -1;
        long long serial = 0; // names the connection across index shifts
        std::string in;       // the first message as far as it arrived
        bool peerClosed = false;
        std::string out; // bytes waiting to be sent, from outSent on
        std::size_t outSent = 0;
        std::string peer; // the peer's address: log lines it causes count against it
    };

    bool connected(int sock_index) const;
    int indexOf(const Connection& connection) const;
    // Closes the connections whose peers have closed their end (one event each).
    void closeDeparted();
    // Reads into the buffer up to the end of the first message: 1 complete, 0 not yet,
    // -1 malformed or failing (logged, still open), -2 peer closed before completing.
    int fill(int sock_index, const char* caller);
    // Sends queued bytes; false (logged) when the connection failed.
    bool sendQueued(Connection& connection, const char* caller);
    int closeListener();

    int listener = -1;
    std::string serverAddress;
    std::vector<Connection> connections;
    long long nextSerial = 1;
    int maxSockets = 1;
    int maxMessageSize = DEFAULT_MAX_MESSAGE_SIZE;
    int maxQueuedBytes = DEFAULT_MAX_QUEUED_BYTES;
    long long refusedConnections = 0; // past the limit, since the last summary line
    long long lastRefusalSummary = 0;
};

} // namespace qm

#endif
