// Deferred deletion at the end of the update, and objects the world does not own.
#include "support/WorldTest.h"

#include <qm/EventCollision.h>
#include <qm/EventStep.h>

#include <gtest/gtest.h>

namespace
{

using qm::Vector;
using qmtest::contents;
using Objects = std::vector<qm::Object*>;

// Notes its deletion in a shared list and runs an optional last wish.
class Mortal : public qmtest::RecordingObject
{
public:
    explicit Mortal(Objects& tally) : deaths(tally) {}
    ~Mortal() override
    {
        deaths.push_back(this);
        if (lastWish)
        {
            lastWish();
        }
    }
    Objects& deaths;
    std::function<void()> lastWish;
};

class Deletion : public qmtest::WorldTest
{
protected:
    Mortal* mortal(Vector where = Vector(), Vector velocity = Vector())
    {
        Mortal* made = new Mortal(deaths);
        made->setSolidness(qm::SOFT);
        made->setPosition(where);
        made->setVelocity(velocity);
        return made;
    }
    Objects deaths; // addresses only: never read through
};

TEST_F(Deletion, MarkedTwiceIsDeletedOnceAtTheEndOfTheUpdateAndHearsNoMore)
{
    Mortal* object = mortal();
    ASSERT_EQ(object->registerInterest(qm::EVENT_STEP), 0);
    EXPECT_EQ(world.markForDelete(object) + world.markForDelete(object), 0);
    EXPECT_EQ(contents(world.getAllObjects(true)), Objects{object});
    world.update();
    world.update();
    EXPECT_EQ(deaths, Objects{object});
    EXPECT_TRUE(world.getAllObjects(true).isEmpty());
    const qm::EventStep step(0);
    EXPECT_EQ(qm::GameManager::getInstance().onEvent(&step), 0);
}

TEST_F(Deletion, ObjectMarkedByItsOwnHandlerStillMovesAndCollidesThatUpdate)
{
    Mortal* doomed = mortal(Vector(10, 5), Vector(1, 0));
    doomed->onEvent = [&](const qm::Event*) { world.markForDelete(doomed); };
    Mortal* wall = mortal(Vector(11.5f, 5));
    Mortal* chaser = mortal(Vector(11, 6.9f), Vector(0, -1)); // moves into where the doomed went
    Objects hitByChaser;
    chaser->onEvent = [&](const qm::Event* event)
    { hitByChaser.push_back(dynamic_cast<const qm::EventCollision&>(*event).getObject2()); };
    world.update();
    EXPECT_EQ(hitByChaser, (Objects{doomed, wall}));
    EXPECT_EQ(deaths, Objects{doomed});
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
    world.markForDelete(first);
    world.update();
    world.update();
    EXPECT_EQ(deaths, (Objects{first, third}));
    EXPECT_EQ(contents(world.getAllObjects(true)), Objects{second});
}

TEST_F(Deletion, MarkedObjectsLeftAtShutDownAreDeletedOnce)
{
    Mortal* marked = mortal();
    Mortal* inactive = mortal();
    inactive->setActive(false);
    world.markForDelete(marked);
    qm::GameManager::getInstance().shutDown();
    world.update(); // nothing is left marked, stopped or in a new run
    ASSERT_EQ(startEngine(), 0);
    world.update();
    EXPECT_EQ(deaths, (Objects{marked, inactive}));
}

TEST_F(Deletion, ObjectMadeWhileTheWorldIsStoppedIsNeitherListedNorDeletedByIt)
{
    qm::GameManager::getInstance().shutDown();
    {
        qmtest::RecordingObject early; // its maker owns it
        EXPECT_EQ(
            early.setActive(false) + early.setVisible(false) + early.setAltitude(4) + early.setSolidness(qm::SOFT), 0);
        early.setType("Early");
        EXPECT_TRUE(world.getAllObjects(true).isEmpty());
    }
    ASSERT_EQ(startEngine(), 0);
    EXPECT_TRUE(world.getAllObjects(true).isEmpty());
}

} // namespace
