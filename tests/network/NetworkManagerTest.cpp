// The network manager over 127.0.0.1 with raw sockets as peers: accepting, framing, closing, sending.
#include "support/EngineTest.h"
#include "support/RawPeer.h"

#include <qm/EventNetwork.h>
#include <qm/EventStep.h>
#include <qm/NetworkManager.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <regex>
#include <tuple>

namespace
{

using qmtest::countOf;
using qmtest::RawPeer;

// A length prefix (machine order, its own 4 bytes counted) for a message of `length` bytes.
std::string lengthPrefix(std::int32_t length)
{
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &length, 4);
    return bytes;
}

std::string framed(const std::string& body)
{
    return lengthPrefix(static_cast<std::int32_t>(body.size() + 4)) + body;
}

/// A network event as (label, socket index, bytes).
using Seen = std::tuple<int, int, int>;

/// Notes every network event; `react` may act on it.
class Listener : public qm::Object
{
public:
    Listener() { registerInterest(qm::EVENT_NETWORK); }
    int eventHandler(const qm::Event* event) override
    {
        const auto* network = dynamic_cast<const qm::EventNetwork*>(event);
        if (network != nullptr)
        {
            seen.push_back({network->getLabel(), network->getSocketIndex(), network->getBytes()});
            if (react)
            {
                react(*network);
            }
        }
        return network != nullptr ? 1 : 0;
    }
    long count(int label) const
    {
        return std::count_if(seen.begin(), seen.end(), [label](const Seen& s) { return std::get<0>(s) == label; });
    }
    std::vector<Seen> seen;
    std::function<void(const qm::EventNetwork&)> react;
};

class Network : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine("networking:true,\nnetwork_port:0,\n"), 0);
        qm::LogManager::getInstance().setLogLevel(1);
        ASSERT_TRUE(network.isStarted());
        ASSERT_EQ(network.serve(), 0);
        port = network.getServerPort();
        ASSERT_GT(port, 0);
        listener = new Listener;
    }
    void TearDown() override
    {
        network.setMaxSockets(1);
        network.setMaxMessageSize(qm::DEFAULT_MAX_MESSAGE_SIZE);
        network.setMaxQueuedBytes(qm::DEFAULT_MAX_QUEUED_BYTES);
        EngineTest::TearDown();
    }
    int acceptOne()
    {
        int index = -1;
        for (int i = 0; i < 2000 && (index = network.accept()) == -1; ++i)
        {
            qm::platform::waitMicroseconds(500);
        }
        return index;
    }
    std::unique_ptr<RawPeer> accepted(int index)
    {
        auto peer = std::make_unique<RawPeer>(port);
        EXPECT_EQ(acceptOne(), index);
        return peer;
    }
    /// Calls genDataEvents on `index` until it returns other than 0 or `milliseconds` pass.
    int pollData(int index, int milliseconds = 2000)
    {
        int result = 0;
        for (int waited = 0; waited < milliseconds * 2 && (result = network.genDataEvents(index)) == 0 &&
                             network.getNumConnections() > index;
             ++waited)
        {
            qm::platform::waitMicroseconds(500);
        }
        return result;
    }
    /// Receives the next message on `index`, expecting `bytes` (its prefix counted); returns its body.
    std::string receive(int index, int bytes)
    {
        std::string got;
        EXPECT_EQ(network.receive(index, got), bytes);
        return got;
    }
    static void settle() { qm::platform::sleepMilliseconds(20); }

    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    Listener* listener = nullptr;
    int port = -1;
};

TEST_F(Network, RefusesOtherEventsAndAcceptsWithoutBlocking)
{
    EXPECT_TRUE(network.isValid(qm::EVENT_NETWORK_CUSTOM));
    EXPECT_FALSE(network.isValid(qm::EVENT_STEP));
    EXPECT_EQ(countOf(log(), "NetworkManager::isValid(): Error! NetworkManager does not handle qm-step."), 1);
    const qm::EventNetwork undefined(4);
    EXPECT_EQ(undefined.getLabel(), qm::NETWORK_UNDEFINED);
    EXPECT_EQ(countOf(log(), "EventNetwork::setLabel(): Undefined type (4)."), 1);
    EXPECT_EQ(network.serve(), -1) << "already serving";
    EXPECT_EQ(network.isData(0), -1);
    EXPECT_EQ(countOf(log(), "NetworkManager::isData(): Error! Sock index 0 not connected."), 1);
    EXPECT_EQ(network.accept(), -1);
    EXPECT_TRUE(listener->seen.empty());
    EXPECT_EQ(countOf(log(), "NetworkManager::serve(): Listening on 127.0.0.1:" + std::to_string(port) + "."), 1);

    const auto first = accepted(0);
    EXPECT_EQ(listener->seen, (std::vector<Seen>{{qm::NETWORK_ACCEPT, 0, 0}}));
}

TEST_F(Network, MessagesCompleteOnlyWhenEveryAnnouncedByteHasArrived)
{
    const auto peer = accepted(0);

    peer->write(std::string("\x64\0\0", 3));
    settle();
    EXPECT_EQ(network.genDataEvents(0), 0);
    EXPECT_EQ(network.isData(0), 3);

    const std::string body(96, 'b');
    const std::string whole = lengthPrefix(100) + body;
    peer->write(whole.substr(3, 57)); // 60 of 100
    settle();
    EXPECT_EQ(network.genDataEvents(0), 0);
    EXPECT_EQ(network.isData(0), 60);
    EXPECT_EQ(listener->count(qm::NETWORK_DATA), 0);

    peer->write(whole.substr(60) + framed("") + framed("next"));
    ASSERT_EQ(pollData(0), 1);
    EXPECT_EQ(listener->seen.back(), (Seen{qm::NETWORK_DATA, 0, 100}));
    EXPECT_GE(network.isData(0), 100);
    EXPECT_EQ(network.genDataEvents(0), 1) << "an unread message is announced again";
    EXPECT_EQ(receive(0, 100), body);

    EXPECT_EQ(pollData(0), 1);
    EXPECT_EQ(listener->seen.back(), (Seen{qm::NETWORK_DATA, 0, 4}));
    EXPECT_EQ(receive(0, 4), "");
    EXPECT_EQ(receive(0, 8), "next");
    receive(0, 0);
    EXPECT_EQ(network.genDataEvents(0), 0);

    // A peer that leaves mid-message is closed without a data event for it.
    const long data = listener->count(qm::NETWORK_DATA);
    peer->write(framed("complete") + lengthPrefix(100) + std::string(40, 'x'));
    peer->close();
    ASSERT_EQ(pollData(0), 1) << "what arrived whole is still delivered";
    EXPECT_EQ(receive(0, 12), "complete");
    EXPECT_EQ(pollData(0), 0);
    EXPECT_EQ(network.getNumConnections(), 0);
    EXPECT_EQ(listener->count(qm::NETWORK_DATA), data + 1);
    EXPECT_EQ(listener->seen.back(), (Seen{qm::NETWORK_CLOSE, 0, 0}));
    EXPECT_EQ(countOf(log(), "Sock index 0 closed by its peer (44 bytes of a message unfinished)."), 1) << log();
}

class BadLength : public Network, public ::testing::WithParamInterface<std::int32_t>
{
};

TEST_P(BadLength, ClosesTheConnectionWithAnErrorLineAndNoDataEvent)
{
    network.setMaxMessageSize(1000);
    const auto peer = accepted(0);
    peer->write(lengthPrefix(GetParam()) + std::string(2000, 'x'));
    EXPECT_EQ(pollData(0), -1);
    EXPECT_EQ(network.getNumConnections(), 0);
    EXPECT_EQ(listener->count(qm::NETWORK_DATA), 0);
    EXPECT_EQ(listener->seen.back(), (Seen{qm::NETWORK_CLOSE, 0, 0}));
    EXPECT_EQ(countOf(log(), "NetworkManager::genDataEvents(): Error! Sock index 0 announced a message of " +
                                 std::to_string(GetParam()) + " bytes (allowed 4 to 1000). Closing it."),
              1)
        << log();
    EXPECT_TRUE(peer->closes());
}

INSTANTIATE_TEST_SUITE_P(BelowFourAndOverTheMaximum, BadLength, ::testing::Values(0, 3, -7, 1001, 0x7fffffff));

TEST_F(Network, ClosingMovesLaterConnectionsDownAndHandlersMayCloseAgain)
{
    network.setMaxSockets(3);
    const auto a = accepted(0), b = accepted(1), c = accepted(2);
    ASSERT_EQ(network.getNumConnections(), 3);

    EXPECT_EQ(network.close(0), 0);
    EXPECT_EQ(listener->seen.back(), (Seen{qm::NETWORK_CLOSE, 0, 0}));
    ASSERT_EQ(network.getNumConnections(), 2);
    b->write(framed("from b"));
    ASSERT_EQ(pollData(0), 1) << "b is now index 0";
    EXPECT_EQ(receive(0, 10), "from b");

    // A close handler closing its own connection again and the other one as well.
    listener->react = [this](const qm::EventNetwork& event)
    {
        if (event.getLabel() == qm::NETWORK_CLOSE && event.getSocketIndex() == 1)
        {
            EXPECT_EQ(network.close(1), 0);
            EXPECT_EQ(network.isData(1), -1) << "closed before its event";
            EXPECT_EQ(network.close(0), 0);
        }
    };
    listener->seen.clear();
    EXPECT_EQ(network.close(1), 0);
    EXPECT_EQ(network.getNumConnections(), 0);
    EXPECT_EQ(listener->seen, (std::vector<Seen>{{qm::NETWORK_CLOSE, 1, 0}, {qm::NETWORK_CLOSE, 0, 0}}));
    EXPECT_EQ(network.close(0), -1);
    EXPECT_EQ(countOf(log(), "NetworkManager::close(): sock_index (0) out of range."), 1);

    // Shutting down closes the rest from the last, one event each, and serves no more.
    listener->react = nullptr;
    const auto d = accepted(0), e = accepted(1);
    listener->seen.clear();
    network.shutDown();
    EXPECT_EQ(listener->seen, (std::vector<Seen>{{qm::NETWORK_CLOSE, 1, 0}, {qm::NETWORK_CLOSE, 0, 0}}));
    EXPECT_FALSE(network.isServer());
    EXPECT_FALSE(network.isStarted());
    EXPECT_TRUE(d->closes() && e->closes());
}

TEST_F(Network, SendsWholeMessagesToItsOwnClientAndRefusesOversizedOnes)
{
    network.setMaxSockets(2);
    ASSERT_EQ(network.connect("127.0.0.1", std::to_string(port)), 0);
    ASSERT_EQ(acceptOne(), 1);
    // More than both loopback sockets hold at once: it completes only in the reader's buffer.
    network.setMaxMessageSize(16 * 1024 * 1024);
    network.setMaxQueuedBytes(16 * 1024 * 1024);
    const std::string big(12 * 1024 * 1024, 'q');
    EXPECT_EQ(network.send(0, "hello"), 0);
    EXPECT_EQ(network.send(0, big), 0);
    EXPECT_EQ(network.send(1, "back"), 0);

    ASSERT_EQ(pollData(1), 1);
    EXPECT_EQ(receive(1, 9), "hello");
    std::string got;
    for (int i = 0; i < 20000 && network.receive(1, got) == 0; ++i)
    {
        network.flush();
        qm::platform::waitMicroseconds(100);
    }
    EXPECT_EQ(got, big);
    EXPECT_EQ(network.getQueuedBytes(0), 0);
    ASSERT_EQ(pollData(0), 1);
    EXPECT_EQ(receive(0, 8), "back");

    network.setMaxMessageSize(100);
    EXPECT_EQ(network.send(0, std::string(97, 'x')), -1);
    EXPECT_EQ(countOf(log(), "NetworkManager::send(): Error! A message of 101 bytes is over the maximum (100)."), 1);
    EXPECT_EQ(network.getNumConnections(), 2) << "refusing a message leaves the connection";
    EXPECT_EQ(network.send(5, "x"), -1);
    EXPECT_EQ(network.connect("127.0.0.1", std::to_string(port)), -1) << "at the limit of two";
}

TEST_F(Network, WritingToAPeerThatWentAwayClosesTheConnectionAndTheProgramLivesOn)
{
    const auto peer = accepted(0);
    peer->close();
    settle();
    // The first writes may still be taken by the system; the reset follows.
    int result = 0;
    for (int i = 0; i < 50 && result == 0; ++i)
    {
        result = network.send(0, std::string(1000, 'z'));
        settle();
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(network.getNumConnections(), 0);
    EXPECT_EQ(listener->seen.back(), (Seen{qm::NETWORK_CLOSE, 0, 0}));
    EXPECT_EQ(countOf(log(), "NetworkManager::send(): Sock index 0 closed by its peer ("), 1) << log();
    EXPECT_EQ(countOf(log(), "Error!"), 0) << "a peer that leaves is a normal close";
}

TEST_F(Network, AFloodOfConnectionsIsClosedInBulkAndANewcomerTakenInTheNextFrame)
{
    network.setMaxSockets(2);
    const auto frame = [this]
    {
        network.accept();
        for (int i = network.getNumConnections() - 1; i >= 0; --i)
        {
            network.genDataEvents(i);
        }
    };
    constexpr int FLOOD = 200;
    std::vector<std::unique_ptr<RawPeer>> flood;
    for (int i = 0; i < FLOOD; ++i)
    {
        flood.push_back(std::make_unique<RawPeer>(port));
    }
    settle();
    frame();
    EXPECT_EQ(network.getNumConnections(), 2);
    EXPECT_TRUE(flood.back()->closes()) << "those past the limit are closed at once";
    flood.clear();
    RawPeer newcomer(port);
    settle();
    const long accepted = listener->count(qm::NETWORK_ACCEPT);
    frame();
    EXPECT_EQ(listener->count(qm::NETWORK_ACCEPT), accepted + 1) << "the dead make way in the same frame";
    EXPECT_EQ(network.getNumConnections(), 1);
    for (int i = 0; i < 30; ++i) // the count of the turned-away comes once a second at most
    {
        frame();
        qm::platform::sleepMilliseconds(50);
    }
    const std::string text = log();
    const std::regex summary(R"(Closed (\d+) connections past the limit \(2\) since the last count\.)");
    int closed = 0;
    int lines = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), summary), end; it != end; ++it, ++lines)
    {
        closed += std::stoi((*it)[1]);
    }
    EXPECT_EQ(closed, FLOOD - 2);
    EXPECT_LE(lines, 2);
    EXPECT_LE(countOf(text, "at limit (2)"), lines) << "the detail line once per count";
}

TEST_F(Network, APeerThatNeverReadsIsClosedWhenItsQueueIsFull)
{
    const auto peer = accepted(0);
    network.setMaxQueuedBytes(1024 * 1024);
    int sent = 0;
    while (sent < 300 && network.send(0, std::string(256 * 1024, 's')) == 0)
    {
        ++sent;
    }
    EXPECT_LT(sent, 300);
    EXPECT_EQ(network.getNumConnections(), 0);
    EXPECT_EQ(listener->count(qm::NETWORK_CLOSE), 1);
    EXPECT_EQ(countOf(log(), "bytes waiting to be sent (at most 1048576). Closing it."), 1) << log();
}

using NetworkOff = qmtest::EngineTest;

TEST_F(NetworkOff, WithoutNetworkingTheManagerIsNeitherStartedNorStopped)
{
    ASSERT_EQ(startEngine(), 0);
    qm::LogManager::getInstance().setLogLevel(1);
    EXPECT_FALSE(qm::NetworkManager::getInstance().isStarted());
    EXPECT_EQ(qm::NetworkManager::getInstance().serve("0"), -1);
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(countOf(log(), "Network manager"), 0);
}

} // namespace
