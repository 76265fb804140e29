// Deferred deletion: objects marked for deletion live until the end of the update, are
// deleted once, and destructors that mark more objects are handled in the same walk.
#include "support/WorldTest.h"

#include <qm/EventCollision.h>
#include <qm/GameManager.h>
#include <qm/Object.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{

using qm::Vector;
using qmtest::occurrences;

// Counts its destructions by id in a shared tally and runs an optional last wish.
class Mortal : public qm::Object
{
public:
    explicit Mortal(std::map<int, int>& tally) : deaths(tally) {}
    ~Mortal() override
    {
        ++deaths[getId()];
        if (lastWish)
        {
            lastWish();
        }
    }
    int eventHandler(const qm::Event* event) override
    {
        if (onEvent)
        {
            onEvent(event);
        }
        return 1;
    }

    std::map<int, int>& deaths;
    std::function<void()> lastWish;
    std::function<void(const qm::Event*)> onEvent;
};

class Deletion : public qmtest::WorldTest
{
protected:
    Mortal* mortal() { return new Mortal(deaths); }
    bool inWorld(qm::Object* object) { return occurrences(world.getAllObjects(true), object) == 1; }

    std::map<int, int> deaths;
};

TEST_F(Deletion, MarkedTwiceIsDeletedOnceAtTheEndOfTheUpdate)
{
    Mortal* object = mortal();
    const int id = object->getId();
    EXPECT_EQ(world.markForDelete(object), 0);
    EXPECT_EQ(world.markForDelete(object), 0);
    EXPECT_TRUE(inWorld(object));
    EXPECT_EQ(deaths[id], 0);
    world.update();
    EXPECT_EQ(deaths[id], 1);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    world.update();
    EXPECT_EQ(deaths[id], 1);
}

TEST_F(Deletion, ObjectMarkedByItsOwnHandlerStillMovesAndCollidesThatUpdate)
{
    Mortal* doomed = mortal();
    doomed->setSolidness(qm::SOFT);
    doomed->setPosition(Vector(10, 5));
    doomed->setVelocity(Vector(1, 0));
    doomed->onEvent = [&](const qm::Event*) { world.markForDelete(doomed); };
    Mortal* wall = mortal();
    wall->setPosition(Vector(11.5f, 5));
    Mortal* chaser = mortal(); // moves after the doomed one, into where it went
    chaser->setSolidness(qm::SOFT);
    chaser->setPosition(Vector(11, 6.9f));
    chaser->setVelocity(Vector(0, -1));
    std::vector<qm::Object*> hitByChaser;
    chaser->onEvent = [&](const qm::Event* event)
    {
        if (const auto* collision = dynamic_cast<const qm::EventCollision*>(event))
        {
            hitByChaser.push_back(collision->getObject2());
        }
    };
    const int id = doomed->getId();

    world.update();
    EXPECT_EQ(hitByChaser, (std::vector<qm::Object*>{doomed, wall}));
    EXPECT_EQ(deaths[id], 1);
    EXPECT_EQ(qmtest::contents(world.getAllObjects(true)), (std::vector<qm::Object*>{wall, chaser}));
}

TEST_F(Deletion, DestructorMarkingOthersDeletesThemInTheSameWalk)
{
    Mortal* first = mortal();
    Mortal* second = mortal();
    Mortal* third = mortal();
    first->lastWish = [&]
    {
        world.markForDelete(first); // itself again: no effect
        world.markForDelete(third);
    };
    third->lastWish = [&] { world.markForDelete(first); }; // already deleted: not again
    const int firstId = first->getId();
    const int thirdId = third->getId();
    world.markForDelete(first);
    world.update();
    EXPECT_EQ(deaths[firstId], 1);
    EXPECT_EQ(deaths[thirdId], 1);
    EXPECT_EQ(qmtest::contents(world.getAllObjects(true)), std::vector<qm::Object*>{second});
    world.update();
    EXPECT_EQ(deaths[firstId], 1);
}

TEST_F(Deletion, DeactivatedDuringTheUpdateStillMovesAndNewcomersWaitForTheNext)
{
    // The first object's collision handler deactivates a later object and creates another.
    Mortal* trigger = mortal();
    trigger->setSolidness(qm::SOFT);
    trigger->setPosition(Vector(10, 5));
    trigger->setVelocity(Vector(1, 0));
    qm::Object* wall = new qm::Object; // something to run into
    wall->setPosition(Vector(11.5f, 5));
    Mortal* sleeper = mortal();
    sleeper->setSolidness(qm::SPECTRAL);
    sleeper->setPosition(Vector(5, 15));
    sleeper->setVelocity(Vector(1, 0));
    qm::Object* newcomer = nullptr;
    trigger->onEvent = [&](const qm::Event*)
    {
        sleeper->setActive(false);
        newcomer = new qm::Object;
        newcomer->setSolidness(qm::SPECTRAL);
        newcomer->setPosition(Vector(5, 20));
        newcomer->setVelocity(Vector(1, 0));
    };

    world.update();
    ASSERT_NE(newcomer, nullptr);
    EXPECT_EQ(sleeper->getPosition(), Vector(6, 15));
    EXPECT_EQ(newcomer->getPosition(), Vector(5, 20));

    trigger->onEvent = nullptr;
    world.update();
    EXPECT_EQ(sleeper->getPosition(), Vector(6, 15));
    EXPECT_EQ(newcomer->getPosition(), Vector(6, 20));
}

TEST_F(Deletion, MarkedObjectsLeftAtShutDownAreDeletedOnce)
{
    Mortal* marked = mortal();
    Mortal* inactive = mortal();
    inactive->setActive(false);
    world.markForDelete(marked);
    const int markedId = marked->getId();
    const int inactiveId = inactive->getId();
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(deaths[markedId], 1);
    EXPECT_EQ(deaths[inactiveId], 1);
    // Nothing is left marked, stopped or in a new run.
    world.update();
    ASSERT_EQ(startEngine(), 0);
    world.update();
    EXPECT_EQ(deaths[markedId], 1);
}

} // namespace
