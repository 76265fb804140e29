// Serving the world to watchers and watching it, in one headless engine: what the server
// sends a watcher from its first step on, and how a watcher's copies take the records, the
// hostile ones included.
#include "DeadPlayer.h"
#include "GameStart.h"
#include "WatchMessage.h"
#include "Watcher.h"
#include "WorldServer.h"
#include "loadResources.h"
#include "support/EngineTest.h"
#include "support/RawPeer.h"

#include <qm/InputManager.h>
#include <qm/NetworkManager.h>
#include <qm/ObjectListIterator.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

using qmtest::countOf;
using qmtest::RawPeer;

class Watching : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine("networking:true,\nnetwork_port:0,\n"), 0);
        std::filesystem::current_path(QM_RUN_DIR);
        loadResources();
    }
    void TearDown() override
    {
        qm::NetworkManager::getInstance().setMaxSockets(1);
        EngineTest::TearDown();
    }
    // Accepts every watcher waiting, as the loop's network phase does once per frame.
    void acceptAll(int expected)
    {
        for (int i = 0; i < 4000 && network.getNumConnections() < expected; ++i)
        {
            network.accept();
            qm::platform::waitMicroseconds(250);
        }
        ASSERT_EQ(network.getNumConnections(), expected);
    }
    // Serves a step and lets its bytes arrive.
    void serve(WorldServer* server, int step)
    {
        server->serve(step);
        network.flush();
        qm::platform::sleepMilliseconds(20);
    }

    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    qm::WorldManager& world = qm::WorldManager::getInstance();
};

TEST_F(Watching, AWatcherHearsEverythingFirstThenChangesDeletionsAndSteps)
{
    auto* server = new WorldServer;
    auto* fish = new qm::Object;
    fish->setSprite("player");
    auto* label = new qm::ViewObject;
    label->setViewString("Points");
    RawPeer first(network.getServerPort());
    acceptAll(1);

    serve(server, 0);
    EXPECT_EQ(first.records(),
              (std::vector<std::string>{WatchMessage::object(fish->getId(), fish->serialize("ALL")),
                                        WatchMessage::view(label->getId(), label->serialize("ALL")), "S0"}));
    fish->setPosition(qm::Vector(7, 3));
    serve(server, 1);
    EXPECT_EQ(first.records(),
              (std::vector<std::string>{WatchMessage::object(fish->getId(), "pos-x:7,pos-y:3,"), "S1"}))
        << "only what changed";

    // A newcomer mid-game gets the whole world; the first watcher only the change.
    RawPeer second(network.getServerPort());
    acceptAll(2);
    label->setValue(5);
    const int fishId = fish->getId();
    world.markForDelete(fish);
    world.update();
    serve(server, 2);
    const std::string valueChange = WatchMessage::view(label->getId(), "view_value:5,");
    EXPECT_EQ(first.records(), (std::vector<std::string>{valueChange, WatchMessage::deletion(fishId), "S2"}));
    EXPECT_EQ(second.records(),
              (std::vector<std::string>{WatchMessage::view(label->getId(), label->serialize("ALL")), "S2"}));

    // A watcher that leaves changes nothing for the one that stays.
    first.close();
    qm::platform::sleepMilliseconds(20);
    for (int i = 0; i < 10 && network.getNumConnections() == 2; ++i)
    {
        network.genDataEvents(0);
    }
    EXPECT_EQ(network.getNumConnections(), 1);
    label->setValue(6);
    serve(server, 3);
    EXPECT_EQ(second.records(), (std::vector<std::string>{WatchMessage::view(label->getId(), "view_value:6,"), "S3"}));
    EXPECT_EQ(network.getMaxSockets(), WorldServer::MAX_WATCHERS);

    // The pause key serves the world at once, before the pause stops the loop: watchers see the paused frame.
    label->setValue(7);
    ASSERT_EQ(qm::InputManager::getInstance().queueKeyboard(qmtest::keyEvent(qm::F10, qm::KEY_PRESS)), 0);
    qm::InputManager::getInstance().getInput();
    qm::platform::sleepMilliseconds(20);
    const std::string step = "S" + std::to_string(qm::GameManager::getInstance().getStepCount());
    EXPECT_EQ(second.records(), (std::vector<std::string>{WatchMessage::view(label->getId(), "view_value:7,"), step}));
}

TEST_F(Watching, TheEndOfAGameSparesTheServer)
{
    new WorldServer;
    auto* start = new GameStart;
    start->startGame();
    world.markForDelete(new DeadPlayer(qm::Vector(10, 10)));
    world.update(); // the dead fish goes, and with it the game's objects
    EXPECT_EQ(world.objectsOfType("Player").getCount(), 0);
    EXPECT_EQ(world.objectsOfType("WorldServer").getCount(), 1) << "watchers see every game";
}

class WatcherRecords : public Watching
{
protected:
    void SetUp() override
    {
        Watching::SetUp();
        watcher = new Watcher("127.0.0.1", "1"); // nobody there: records are applied by hand
    }
    Watcher* watcher = nullptr;
};

TEST_F(WatcherRecords, HostileRecordsAreRefusedAndTheirLogLinesBounded)
{
    qm::LogManager::getInstance().setLogLevel(0);
    // Malformed records (see WatchMessageTest) are refused like "nonsense" below.
    const char* const hostile[] = {
        "D77",                        // deletion of an unknown object
        "O5|id:6,",                   // the text names another id
        "O5|id:2147483647,",          // the same, trying to overflow the id counter
        "O5|event_count:1000000000,", // more interests than an object can hold
        "O5|event_count:101,",        // one more than MAX_OBJ_EVENTS
    };
    for (const char* record : hostile)
    {
        EXPECT_EQ(watcher->apply(record), -1) << record;
    }
    EXPECT_EQ(watcher->getCopyCount(), 0);
    for (int i = 0; i < 30; ++i)
    {
        ASSERT_EQ(watcher->apply("nonsense"), -1);
    }
    EXPECT_EQ(countOf(log(), "Watcher::apply(): Warning!"), 20) << "a hostile game cannot fill the disk";
}

TEST_F(WatcherRecords, CopiesStopAtTheirMaximum)
{
    for (int id = 1000; id < 1000 + Watcher::MAX_COPIES; ++id)
    {
        ASSERT_EQ(watcher->apply("O" + std::to_string(id) + "|"), 0);
    }
    EXPECT_TRUE(watcher->hasCopy(1000)) << "a copy takes its record's id when its text names none";
    EXPECT_EQ(watcher->apply("O99999|"), -1);
    EXPECT_EQ(watcher->getCopyCount(), Watcher::MAX_COPIES);
    EXPECT_EQ(countOf(log(), "Watcher::apply(): Warning! too many objects; record ignored: 'O99999|'"), 1);
    EXPECT_EQ(watcher->apply("O1000|pos-x:1,pos-y:2,"), 0) << "known objects still update";
    EXPECT_EQ(watcher->apply("S41"), 0);
    EXPECT_EQ(watcher->getStep(), 41);
}

TEST_F(WatcherRecords, CopiesNeverCollideYetWriteTheGamesSolidness)
{
    // Hard, moving and all on one spot: in the game they would collide with one another.
    constexpr int COPIES = 300;
    for (int id = 1; id <= COPIES; ++id)
    {
        ASSERT_EQ(watcher->apply("O" + std::to_string(id) +
                                 "|solidness:0,box-corner-x:0,box-corner-y:0,box-horizontal:3,box-vertical:2,"
                                 "pos-x:10,pos-y:10,x_direction:1,y_direction:0,speed:1, solid ness:0,"
                                 "sprite_name:player,"),
                  0);
    }
    ASSERT_EQ(watcher->apply("V9999|solidness:0,view_string:Points,"), 0);
    auto* probe = new qmtest::RecordingObject; // a HARD object of the watcher's own on that spot
    probe->setPosition(qm::Vector(10, 10));
    probe->setVelocity(qm::Vector(0.5f, 0));
    world.update();
    EXPECT_EQ(world.getSceneGraph().solidObjects().getCount(), 1) << "only the probe is solid";
    EXPECT_TRUE(probe->received.empty()) << "nothing collided with the probe";
    // Nor are they all drawn: under the eight on top, a copy would not show (headless, a copy
    // that tries to draw fails; one left out succeeds at once).
    const qm::ObjectList stack = world.objectsOfType("Mirror");
    int drawn = 0;
    for (qm::ObjectListIterator it(&stack); !it.isDone(); it.next())
    {
        drawn += it.currentObject()->draw() != 0 ? 1 : 0;
        EXPECT_EQ(it.currentObject()->getPosition(), qm::Vector(10, 10)) << "only the game moves a copy";
    }
    EXPECT_EQ(drawn, 8);
    for (const char* type : {"Mirror", "MirrorView"})
    {
        const qm::ObjectList copies = world.objectsOfType(type);
        ASSERT_GE(copies.getCount(), 1) << type;
        for (qm::ObjectListIterator it(&copies); !it.isDone(); it.next())
        {
            EXPECT_EQ(countOf(it.currentObject()->serialize("ALL"), ",solidness:0,"), 1) << "the game's solidness";
        }
    }
}

TEST_F(WatcherRecords, CopiesTextsStayWithinTheirBudget)
{
    watcher->setTextBudget(64 * 1024);
    const std::string big(16 * 1024, 'x');
    int refused = 0;
    for (int id = 1; id <= 8; ++id)
    {
        const std::string texts =
            id % 2 == 0 ? "view_string:" + big + "," : "type:" + big + ",event_count:1,event_name[0]:" + big + ",";
        refused += watcher->apply((id % 2 == 0 ? "V" : "O") + std::to_string(id) + "|" + texts) == -1 ? 1 : 0;
        EXPECT_LE(watcher->getTextBytes(), watcher->getTextBudget()) << id;
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(watcher->getCopyCount(), 8 - refused) << "a refused copy goes";
    EXPECT_EQ(countOf(log(), "Warning! copies' texts past their budget; record ignored: '"), refused);
    EXPECT_EQ(watcher->apply("O1|pos-x:1,pos-y:1,"), 0) << "copies within the budget still update";
    EXPECT_EQ(watcher->apply("D1"), 0);
    EXPECT_LT(watcher->getTextBytes(), 40 * 1024) << "a deletion gives its texts back";
}

} // namespace
