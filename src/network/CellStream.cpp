#include "platform/Socket.h"

#include <qm/CellStream.h>
#include <qm/LogManager.h>

namespace qm
{

namespace
{
// Newcomers accepted in one frame; more wait for the next.
constexpr int MOST_ACCEPTS_PER_FRAME = 16;
// Bytes read (and dropped) from one client in one frame.
constexpr long MOST_READ_PER_FRAME = 64 * 1024;
// What a client sees first, and last: no cursor over the picture, then the cursor back.
const char* const HIDE_CURSOR = "\x1b[?25l";
const char* const GOODBYE = "\x1b[0m\x1b[?25h\r\n";
const char* const TOO_MANY = "Quillmere: too many watchers already, try again later.\r\n";
} // namespace

CellStream& CellStream::getInstance()
{
    static CellStream instance;
    return instance;
}

CellStream::~CellStream()
{
    stop();
}

int CellStream::start(const std::string& address, const std::string& port, int most)
{
    LogManager& log = LogManager::getInstance();
    if (listener != -1)
    {
        log.writeLog("CellStream::start(): Error! Already serving.");
        return -1;
    }
    int error = 0;
    std::string bound;
    listener = platform::listenTcp(address, port, bound, error);
    if (listener == -1)
    {
        log.writeLog("CellStream::start(): Error! Cannot listen on %s:%s: %s", address.c_str(), port.c_str(),
                     platform::errorText(error).c_str());
        return -1;
    }
    maxClients = most > 0 ? most : 1;
    anyStreamed = false;
    bytesSent = 0;
    log.writeLog("CellStream::start(): serving the cells on %s for at most %d clients (nc %s).", bound.c_str(),
                 maxClients, bound.c_str());
    return 0;
}

int CellStream::getPort() const
{
    return listener == -1 ? -1 : platform::localPort(listener);
}

void CellStream::stop()
{
    int error = 0;
    for (Client& client : clients)
    {
        platform::sendBytes(client.handle, GOODBYE, static_cast<long>(std::char_traits<char>::length(GOODBYE)), error);
        platform::closeSocket(client.handle, error);
    }
    clients.clear();
    if (listener != -1)
    {
        platform::closeSocket(listener, error);
        listener = -1;
        LogManager::getInstance().writeLog(1, "CellStream::stop(): stopped serving the cells.");
    }
}

void CellStream::acceptNewcomers()
{
    int error = 0;
    for (int i = 0; i < MOST_ACCEPTS_PER_FRAME; ++i)
    {
        const int handle = platform::acceptTcp(listener, error);
        if (handle == -1)
        {
            if (!platform::isWouldBlock(error))
            {
                LogManager::getInstance().writeLog("CellStream::serve(): Error! accept: %s",
                                                   platform::errorText(error).c_str());
            }
            return;
        }
        if (getClientCount() >= maxClients)
        {
            LogManager::getInstance().writeLog("CellStream::serve(): %d clients already; a newcomer is refused.",
                                               maxClients);
            platform::sendBytes(handle, TOO_MANY, static_cast<long>(std::char_traits<char>::length(TOO_MANY)), error);
            platform::closeSocket(handle, error);
            continue;
        }
        Client client;
        client.handle = handle;
        clients.push_back(client);
        LogManager::getInstance().writeLog(1, "CellStream::serve(): client %d joined (%d watching).", handle,
                                           getClientCount());
    }
}

bool CellStream::drain(Client& client)
{
    char buffer[4096];
    long total = 0;
    int error = 0;
    while (total < MOST_READ_PER_FRAME)
    {
        const long count = platform::receiveBytes(client.handle, buffer, sizeof buffer, error);
        if (count > 0)
        {
            total += count;
            continue;
        }
        if (count == 0)
        {
            return false; // the client closed its side
        }
        return platform::isWouldBlock(error);
    }
    return true;
}

bool CellStream::flush(Client& client)
{
    int error = 0;
    while (client.sent < client.out.size())
    {
        const long count = platform::sendBytes(client.handle, client.out.data() + client.sent,
                                               static_cast<long>(client.out.size() - client.sent), error);
        if (count < 0)
        {
            return platform::isWouldBlock(error);
        }
        if (count == 0)
        {
            break;
        }
        client.sent += static_cast<std::size_t>(count);
        bytesSent += count;
    }
    if (client.sent == client.out.size())
    {
        client.out.clear();
        client.sent = 0;
    }
    else if (client.sent > client.out.size() / 2)
    {
        client.out.erase(0, client.sent);
        client.sent = 0;
    }
    return true;
}

void CellStream::drop(std::size_t index, const char* why)
{
    int error = 0;
    LogManager::getInstance().writeLog("CellStream::serve(): client %d dropped: %s.", clients[index].handle, why);
    platform::closeSocket(clients[index].handle, error);
    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
}

void CellStream::serve(const CellGrid& grid)
{
    if (listener == -1)
    {
        return;
    }
    acceptNewcomers();
    if (clients.empty())
    {
        anyStreamed = false; // the next newcomer starts from the whole screen anyway
        return;
    }
    // One set of changes for every client: they all show `streamed` once their queues are sent.
    changes.clear();
    if (anyStreamed)
    {
        writer.write(grid, &streamed, changes);
    }
    bool anyFresh = false;
    for (const Client& client : clients)
    {
        anyFresh = anyFresh || client.fresh;
    }
    if (anyFresh)
    {
        whole = HIDE_CURSOR;
        writer.write(grid, nullptr, whole);
    }
    if (!anyStreamed || !changes.empty())
    {
        streamed = grid;
        anyStreamed = true;
    }
    for (std::size_t i = clients.size(); i-- > 0;)
    {
        Client& client = clients[i];
        if (!drain(client))
        {
            drop(i, "it closed the connection");
            continue;
        }
        const std::string& next = client.fresh ? whole : changes;
        client.fresh = false;
        if (client.out.size() - client.sent + next.size() > maxQueuedBytes)
        {
            drop(i, "it stopped reading (its queue is full)");
            continue;
        }
        client.out += next;
        if (!flush(client))
        {
            drop(i, "sending failed");
        }
    }
}

} // namespace qm
