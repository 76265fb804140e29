// Who owns objects, and deferred deletion: objects marked for deletion live until the end of
// the update, are deleted once, and destructors that mark more are handled in the same walk.
#include "support/WorldTest.h"

#include <qm/EventCollision.h>
#include <qm/EventStep.h>

#include <gtest/gtest.h>

#include <map>

namespace
{

using qm::Vector;
using qmtest::contents;
using Objects = std::vector<qm::Object*>;

// Counts its destructions by id in a shared tally and runs an optional last wish.
class Mortal : public qmtest::RecordingObject
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
    std::map<int, int>& deaths;
    std::function<void()> lastWish;
};

class Deletion : public qmtest::WorldTest
{
protected:
    Mortal* mortal(Vector where = Vector(), qm::Solidness kind = qm::HARD, Vector velocity = Vector())
    {
        Mortal* made = new Mortal(deaths);
        made->setSolidness(kind);
        made->setPosition(where);
        made->setVelocity(velocity);
        return made;
    }
    std::map<int, int> deaths;
};

TEST_F(Deletion, MarkedTwiceIsDeletedOnceAtTheEndOfTheUpdateAndHearsNoMore)
{
    Mortal* object = mortal();
    ASSERT_EQ(object->registerInterest(qm::EVENT_STEP), 0);
    const int id = object->getId();
    EXPECT_EQ(world.markForDelete(object) + world.markForDelete(object), 0);
    EXPECT_EQ(contents(world.getAllObjects(true)), Objects{object});
    world.update();
    world.update();
    EXPECT_EQ(deaths, (std::map<int, int>{{id, 1}}));
    EXPECT_TRUE(world.getAllObjects(true).isEmpty());
    const qm::EventStep step(0);
    EXPECT_EQ(qm::GameManager::getInstance().onEvent(&step), 0);
}

TEST_F(Deletion, MarkedOrDeactivatedByAHandlerStillMovesThatUpdateAndNewcomersWait)
{
    // The doomed object's collision handler marks it, deactivates the sleeper and makes a newcomer.
    Mortal* doomed = mortal(Vector(10, 5), qm::SOFT, Vector(1, 0));
    Mortal* wall = mortal(Vector(11.5f, 5));
    Mortal* chaser = mortal(Vector(11, 6.9f), qm::SOFT, Vector(0, -1)); // moves into where the doomed went
    Mortal* sleeper = mortal(Vector(5, 15), qm::SPECTRAL, Vector(1, 0));
    Mortal* newcomer = nullptr;
    doomed->onEvent = [&](const qm::Event*)
    {
        world.markForDelete(doomed);
        sleeper->setActive(false);
        newcomer = newcomer ? newcomer : mortal(Vector(5, 20), qm::SPECTRAL, Vector(1, 0));
    };
    Objects hitByChaser;
    chaser->onEvent = [&](const qm::Event* event)
    { hitByChaser.push_back(dynamic_cast<const qm::EventCollision&>(*event).getObject2()); };
    const int id = doomed->getId();
    world.update();
    EXPECT_EQ(hitByChaser, (Objects{doomed, wall}));
    EXPECT_EQ(deaths[id], 1);
    EXPECT_EQ(sleeper->getPosition(), Vector(6, 15));
    ASSERT_NE(newcomer, nullptr);
    EXPECT_EQ(newcomer->getPosition(), Vector(5, 20));
    world.update();
    EXPECT_EQ(sleeper->getPosition(), Vector(6, 15));
    EXPECT_EQ(newcomer->getPosition(), Vector(6, 20));
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
    const std::map<int, int> once{{first->getId(), 1}, {third->getId(), 1}};
    world.markForDelete(first);
    world.update();
    EXPECT_EQ(deaths, once);
    world.update();
    EXPECT_EQ(contents(world.getAllObjects(true)), Objects{second});
}

TEST_F(Deletion, MarkedObjectsLeftAtShutDownAreDeletedOnce)
{
    Mortal* marked = mortal();
    Mortal* inactive = mortal();
    inactive->setActive(false);
    world.markForDelete(marked);
    const std::map<int, int> once{{marked->getId(), 1}, {inactive->getId(), 1}};
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(deaths, once);
    world.update(); // nothing is left marked, stopped or in a new run
    ASSERT_EQ(startEngine(), 0);
    world.update();
    EXPECT_EQ(deaths, once);
}

// Objects created while the world is stopped belong to whoever made them: the world must
// neither list them nor delete them.
class UnownedObject : public qmtest::EngineTest
{
};

TEST_F(UnownedObject, StaysOutOfTheWorldListsAndIsNeverDeletedByIt)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    {
        qmtest::RecordingObject early;
        EXPECT_EQ(
            early.setActive(false) + early.setVisible(false) + early.setAltitude(4) + early.setSolidness(qm::SOFT), 0);
        early.setType("Early");
        EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    }
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
    (new qmtest::RecordingObject)->setActive(false);
    EXPECT_EQ(world.getAllObjects(true).getCount(), 1);
    qm::GameManager::getInstance().shutDown(); // deletes only the owned object
    EXPECT_EQ(world.getAllObjects(true).getCount(), 0);
}

} // namespace
