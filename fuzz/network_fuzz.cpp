// Feeds arbitrary byte streams to the network manager's message reader through a real
// loopback connection. Every data event must announce a message that is wholly waiting,
// within the bounds, and that receive() then hands over whole; the connection's buffer never
// holds more than one maximum-sized message; a bad stream only closes its connection.
#include "core/EngineHooks.h"
#include "platform/Socket.h"

#include <qm/EventNetwork.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/Object.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
constexpr int MAX_MESSAGE = 2048;
constexpr std::size_t CHUNK = 1500;

void fail(const char* what, int value)
{
    std::fprintf(stderr, "network_fuzz: %s (%d)\n", what, value);
    std::abort();
}

class Checker : public qm::Object
{
public:
    Checker() { registerInterest(qm::EVENT_NETWORK); }
    int eventHandler(const qm::Event* event) override
    {
        const auto* e = dynamic_cast<const qm::EventNetwork*>(event);
        if (e == nullptr || e->getLabel() != qm::NETWORK_DATA)
        {
            return 0;
        }
        qm::NetworkManager& network = qm::NetworkManager::getInstance();
        const int bytes = e->getBytes();
        if (bytes < 4 || bytes > MAX_MESSAGE)
        {
            fail("data event with a length out of bounds", bytes);
        }
        if (network.isData(e->getSocketIndex()) < bytes ||
            qm::EngineHooks::bufferedBytes(network, e->getSocketIndex()) != bytes)
        {
            fail("data event for a message not wholly waiting", bytes);
        }
        std::string body;
        const int got = network.receive(e->getSocketIndex(), body);
        if (got != bytes || body.size() != static_cast<std::size_t>(bytes - 4))
        {
            fail("receive did not hand over the announced message", got);
        }
        ++messages;
        return 1;
    }
    long long messages = 0;
};

int port = -1;
Checker* checker = nullptr;

void setUpOnce()
{
    setenv("QUILLMERE_LOG", "/dev/null", 1);
    qm::LogManager::getInstance().startUp();
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    if (network.startUp() != 0 || network.serve("0", "127.0.0.1") != 0)
    {
        fail("cannot serve on loopback", 0);
    }
    network.setMaxMessageSize(MAX_MESSAGE);
    port = network.getServerPort();
    checker = new Checker; // the world is not running: this program owns it
}

// One pass of the reader, as the game loop makes it; checks the buffer's bound.
void readerPass()
{
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    if (network.getNumConnections() == 0)
    {
        return;
    }
    while (network.getNumConnections() > 0 && network.genDataEvents(0) > 0)
    {
    }
    if (network.getNumConnections() > 0 && qm::EngineHooks::bufferedBytes(network, 0) > MAX_MESSAGE)
    {
        fail("buffer over the maximum message size", qm::EngineHooks::bufferedBytes(network, 0));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (setUpOnce(), true);
    (void)ready;
    qm::NetworkManager& network = qm::NetworkManager::getInstance();

    int error = 0;
    int peer = qm::platform::connectTcp("127.0.0.1", std::to_string(port), 2000, error);
    if (peer == -1)
    {
        fail("cannot connect", error);
    }
    for (int tries = 0; network.getNumConnections() == 0 && tries < 10000; ++tries)
    {
        network.accept();
    }
    if (network.getNumConnections() != 1)
    {
        fail("connection not accepted", network.getNumConnections());
    }

    // In chunks, read between them, as bytes trickle in from a real peer.
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t done = 0;
    for (int stalls = 0; done < size && network.getNumConnections() > 0 && stalls < 100000;)
    {
        const std::size_t chunk = size - done < CHUNK ? size - done : CHUNK;
        const long sent = qm::platform::sendBytes(peer, bytes + done, static_cast<long>(chunk), error);
        if (sent > 0)
        {
            done += static_cast<std::size_t>(sent);
        }
        else
        {
            ++stalls;
        }
        readerPass();
    }
    qm::platform::closeSocket(peer, error);
    // The peer has gone: whatever arrived whole is delivered, then the connection closes.
    for (int tries = 0; network.getNumConnections() > 0 && tries < 100000; ++tries)
    {
        readerPass();
    }
    if (network.getNumConnections() > 0)
    {
        fail("connection left open after its peer closed", qm::EngineHooks::bufferedBytes(network, 0));
    }
    return 0;
}
