#ifndef QM_CELLSTREAM_H
#define QM_CELLSTREAM_H

#include <qm/AnsiWriter.h>
#include <qm/CellGrid.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qm
{

/// Default bound on the bytes waiting to be sent to one stream client: 1 MiB.
constexpr std::size_t DEFAULT_CELL_QUEUE_BYTES = 1u << 20;

/// Serves the game's grid of cells as ANSI text (256 colours, UTF-8) on a TCP port, so that
/// any terminal shows the game live (`nc 127.0.0.1 9877`, `telnet`), and a browser through
/// a WebSocket bridge. A newcomer gets the whole screen, then the changes of each frame.
/// Read only: what a client sends is read and dropped.
///
/// Nothing blocks and the game's frame time never depends on a client: once per frame
/// (GameManager's network phase, with "networking" and "cell_stream" on) serve() accepts
/// newcomers, drops their input and queues the frame's changes for each client, sending what
/// its socket takes. A client past the limit is refused, and one that stops reading is
/// dropped once its queue passes its bound; each with a log line.
///
///     CellStream& stream = CellStream::getInstance();
///     stream.start("127.0.0.1", "9877", 8);       // GameManager::startUp does this
///     stream.serve(display.getCellGrid());        // every frame
class CellStream
{
public:
    static CellStream& getInstance();
    CellStream(const CellStream&) = delete;
    CellStream& operator=(const CellStream&) = delete;
    ~CellStream();

    /// Listens on `port` ("0": the system chooses) at `address` for at most `maxClients`
    /// clients at once. Returns 0, or -1 (logged) when already serving or the system refuses.
    int start(const std::string& address, const std::string& port, int maxClients);

    /// Closes every client (showing their cursor again) and the listening socket.
    void stop();

    bool isServing() const { return listener != -1; }
    /// The port listened on; -1 when not serving.
    int getPort() const;
    int getClientCount() const { return static_cast<int>(clients.size()); }

    /// One frame of serving `grid` (see the class comment).
    void serve(const CellGrid& grid);

    /// Bound on one client's waiting bytes (at least 1).
    void setMaxQueuedBytes(std::size_t bytes) { maxQueuedBytes = bytes > 0 ? bytes : 1; }

    /// Bytes sent to clients since start.
    long long getBytesSent() const { return bytesSent; }

private:
    CellStream() = default;

    struct Client
    {
        int handle = -1;
        std::string out;      // bytes waiting, from sent on
        std::size_t sent = 0; // bytes of out already sent
        bool fresh = true;    // has not had the whole screen yet
    };

    void acceptNewcomers();
    // Reads and drops what the client sent; false when it closed or failed (logged).
    bool drain(Client& client);
    // Sends what the socket takes now; false when it failed (logged).
    bool flush(Client& client);
    void drop(std::size_t index, const char* why);

    int listener = -1;
    int maxClients = 0;
    std::size_t maxQueuedBytes = DEFAULT_CELL_QUEUE_BYTES;
    std::vector<Client> clients;
    AnsiWriter writer{COLORS_256};
    CellGrid streamed; // what every client that is not fresh shows (once its queue is sent)
    bool anyStreamed = false;
    std::string changes;
    std::string whole;
    long long bytesSent = 0;
};

} // namespace qm

#endif
