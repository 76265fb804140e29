// The interest table and event delivery shared by every manager.
#include "support/EngineTest.h"

#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Manager.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using qmtest::RecordingObject;

namespace
{

// A manager that accepts every event type, so that the base class's table can be probed.
class OpenManager : public qm::Manager
{
public:
    OpenManager() { setType("OpenManager"); }
    bool isValid(std::string) const override { return true; }
};

class NamedEvent : public qm::Event
{
public:
    explicit NamedEvent(const std::string& type) { setType(type); }
};

TEST(ManagerInterest, UndefinedAndInvalidEventsReachNobody)
{
    OpenManager manager;
    RecordingObject object;
    ASSERT_EQ(manager.registerInterest(&object, qm::EVENT_UNDEFINED), 0);
    const qm::Event undefined;
    EXPECT_EQ(manager.onEvent(&undefined), 0);

    qm::GameManager& game = qm::GameManager::getInstance();
    ASSERT_EQ(game.registerInterest(&object, qm::EVENT_STEP), 0);
    const qm::EventKeyboard keyboard;
    EXPECT_EQ(game.onEvent(&keyboard), 0);
    EXPECT_TRUE(object.received.empty());
    EXPECT_EQ(game.unregisterInterest(&object, qm::EVENT_STEP), 0);
}

TEST(ManagerInterest, RefusesTypesTheManagerDoesNotHandle)
{
    RecordingObject object;
    EXPECT_EQ(qm::GameManager::getInstance().registerInterest(&object, qm::EVENT_KEYBOARD), -1);
    EXPECT_EQ(qm::GameManager::getInstance().registerInterest(&object, "my-event"), -1);
}

TEST(ManagerInterest, DuplicateRegistrationDeliversTwiceUntilUnregisteredOnce)
{
    OpenManager manager;
    RecordingObject object;
    ASSERT_EQ(manager.registerInterest(&object, "tick"), 0);
    ASSERT_EQ(manager.registerInterest(&object, "tick"), 0);
    const NamedEvent tick("tick");
    EXPECT_EQ(manager.onEvent(&tick), 2);
    EXPECT_EQ(manager.unregisterInterest(&object, "tick"), 0);
    EXPECT_EQ(manager.onEvent(&tick), 1);
    EXPECT_EQ(object.received.size(), 3u);
}

TEST(ManagerInterest, RemovingTheLastObjectOfATypeKeepsLaterTypesDeliverable)
{
    OpenManager manager;
    RecordingObject a, b, c;
    ASSERT_EQ(manager.registerInterest(&a, "first"), 0);
    ASSERT_EQ(manager.registerInterest(&b, "second"), 0);
    ASSERT_EQ(manager.registerInterest(&c, "third"), 0);
    ASSERT_EQ(manager.unregisterInterest(&a, "first"), 0);

    const NamedEvent first("first"), second("second"), third("third");
    EXPECT_EQ(manager.onEvent(&first), 0);
    EXPECT_EQ(manager.onEvent(&second), 1);
    EXPECT_EQ(manager.onEvent(&third), 1);
    EXPECT_EQ(manager.unregisterInterest(&a, "first"), -1);
    EXPECT_EQ(b.received, std::vector<std::string>{"second"});
    EXPECT_EQ(c.received, std::vector<std::string>{"third"});
}

TEST(ManagerInterest, UnregisteringUnknownTypeOrObjectFails)
{
    OpenManager manager;
    RecordingObject a, b;
    EXPECT_EQ(manager.unregisterInterest(&a, "never"), -1);
    ASSERT_EQ(manager.registerInterest(&a, "known"), 0);
    EXPECT_EQ(manager.unregisterInterest(&b, "known"), -1);
    const NamedEvent known("known");
    EXPECT_EQ(manager.onEvent(&known), 1);
}

TEST(ManagerInterest, TableHoldsAHundredTypes)
{
    OpenManager manager;
    RecordingObject object;
    for (int i = 0; i < qm::MAX_EVENT_TYPES; ++i)
    {
        ASSERT_EQ(manager.registerInterest(&object, "type-" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(manager.registerInterest(&object, "one-too-many"), -1);
    // Types already in the table still take registrations and deliver.
    EXPECT_EQ(manager.registerInterest(&object, "type-99"), 0);
    const NamedEvent last("type-99"), first("type-0");
    EXPECT_EQ(manager.onEvent(&last), 2);
    EXPECT_EQ(manager.onEvent(&first), 1);
    // Freeing a slot makes room for a new type.
    ASSERT_EQ(manager.unregisterInterest(&object, "type-0"), 0);
    EXPECT_EQ(manager.registerInterest(&object, "one-too-many"), 0);
}

TEST(ManagerInterest, NullObjectIsRefusedWithoutTakingASlot)
{
    OpenManager manager;
    EXPECT_EQ(manager.registerInterest(nullptr, "ghost"), -1);
    RecordingObject object;
    ASSERT_EQ(manager.registerInterest(&object, "ghost"), 0);
    const NamedEvent ghost("ghost");
    EXPECT_EQ(manager.onEvent(&ghost), 1);
}

TEST(ManagerDelivery, InactiveObjectsAreSkippedButStayRegistered)
{
    OpenManager manager;
    RecordingObject object;
    ASSERT_EQ(manager.registerInterest(&object, "tick"), 0);
    object.setActive(false);
    const NamedEvent tick("tick");
    EXPECT_EQ(manager.onEvent(&tick), 0);
    object.setActive(true);
    EXPECT_EQ(manager.onEvent(&tick), 1);
}

TEST(ManagerDelivery, WalksACopySoChangesTakeEffectAtTheNextEvent)
{
    OpenManager manager;
    RecordingObject first, second, latecomer;
    first.onEvent = [&](const qm::Event*)
    {
        manager.unregisterInterest(&second, "tick");
        manager.registerInterest(&latecomer, "tick");
    };
    ASSERT_EQ(manager.registerInterest(&first, "tick"), 0);
    ASSERT_EQ(manager.registerInterest(&second, "tick"), 0);

    const NamedEvent tick("tick");
    EXPECT_EQ(manager.onEvent(&tick), 2);
    EXPECT_EQ(second.received.size(), 1u);
    EXPECT_TRUE(latecomer.received.empty());

    first.onEvent = nullptr;
    EXPECT_EQ(manager.onEvent(&tick), 2);
    EXPECT_EQ(second.received.size(), 1u);
    EXPECT_EQ(latecomer.received.size(), 1u);
}

TEST(ManagerDelivery, DeliversInRegistrationOrder)
{
    OpenManager manager;
    std::vector<int> order;
    RecordingObject a, b, c;
    a.onEvent = [&](const qm::Event*) { order.push_back(1); };
    b.onEvent = [&](const qm::Event*) { order.push_back(2); };
    c.onEvent = [&](const qm::Event*) { order.push_back(3); };
    manager.registerInterest(&b, "tick");
    manager.registerInterest(&c, "tick");
    manager.registerInterest(&a, "tick");
    const NamedEvent tick("tick");
    manager.onEvent(&tick);
    EXPECT_EQ(order, (std::vector<int>{2, 3, 1}));
}

class ManagerLifecycle : public qmtest::EngineTest
{
};

TEST_F(ManagerLifecycle, SecondStartUpWarnsAtLevelOneAndSucceeds)
{
    ASSERT_EQ(startEngine(), 0);
    qm::LogManager::getInstance().setLogLevel(1);
    OpenManager manager;
    EXPECT_EQ(manager.startUp(), 0);
    EXPECT_EQ(manager.startUp(), 0);
    EXPECT_TRUE(manager.isStarted());
    manager.shutDown();
    manager.shutDown();
    EXPECT_FALSE(manager.isStarted());
    const std::string text = log();
    EXPECT_EQ(qmtest::countOf(text, "Manager::startUp(): Warning! OpenManager already started."), 1);
    EXPECT_EQ(qmtest::countOf(text, "Manager::shutDown(): Warning! OpenManager not started."), 1);
}

TEST_F(ManagerLifecycle, WarningsAreSilentAtTheDefaultLevel)
{
    ASSERT_EQ(startEngine(), 0);
    OpenManager manager;
    manager.startUp();
    manager.startUp();
    EXPECT_EQ(log().find("already started"), std::string::npos);
}

} // namespace
