// The scene graph's spatial index finds exactly what walking the solid list finds, in the same
// order, through every kind of change; a whole world run gives the same events either way.
#include "core/EngineHooks.h"
#include "support/WorldTest.h"
#include "world/SpatialGrid.h"

#include <qm/Animation.h>
#include <qm/EventCollision.h>
#include <qm/Frame.h>
#include <qm/SceneGraph.h>
#include <qm/Sprite.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

namespace
{

using qm::Box;
using qm::Vector;
using qmtest::contents;

constexpr float INF = std::numeric_limits<float>::infinity();
const float NOT_A_NUMBER = std::nanf("");

class SpatialIndex : public qmtest::WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        // The world outlives each test: start from the index as the engine sets it up.
        graph.setSpatialIndex(true);
        ASSERT_EQ(graph.setBucketSize(qm::SpatialGrid::DEFAULT_BUCKET_SIZE), 0);
        sprite.setWidth(7);
        sprite.setHeight(3);
        sprite.addFrame(qm::Frame(7, 3, std::string(21, '#')));
        animation.setSprite(&sprite);
    }

    // A coordinate: mostly in or near the world, sometimes far out, rarely not finite.
    float coordinate(float extent)
    {
        const int kind = pick(100);
        const float odd[] = {INF, -INF, NOT_A_NUMBER, 3e38f, -3e38f, 0.0f};
        return kind < 80 ? uniform(-6, extent + 6) : kind < 94 ? uniform(-5000, 5000) : odd[pick(6)];
    }

    Box randomBox()
    {
        const int kind = pick(100);
        const Vector corner(uniform(-3, 1), uniform(-3, 1));
        const float odd[] = {INF, -INF, NOT_A_NUMBER};
        return kind < 70   ? Box(corner, uniform(0.5f, 5), uniform(0.5f, 3))
               : kind < 80 ? Box(corner, 0, 0)                                  // a point
               : kind < 88 ? Box(corner, uniform(100, 1e6f), uniform(50, 1e6f)) // spans many buckets
               : kind < 95 ? Box(corner, uniform(-3, 0), uniform(-2, 2))        // negative extents
                           : Box(corner, odd[pick(3)], uniform(0, 3));
    }

    Box randomBoundary()
    {
        const Box boundaries[] = {Box(Vector(0, 0), 80, 24),     Box(Vector(0, 0), 200, 200),
                                  Box(Vector(-50, 10), 30, 300), Box(),
                                  Box(Vector(0, 0), 1e7f, 3),    Box(Vector(0, 0), INF, 24)};
        return boundaries[pick(6)];
    }

    qm::Solidness randomSolidness() { return static_cast<qm::Solidness>(pick(3)); }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }

    // The index's answer and the linear walk's for `object` moved to `where`; counts the
    // searches the grid itself answered (the rest fall back to walking the list).
    void compare(const qm::Object* object, const Vector& where)
    {
        const auto expected = contents(qm::EngineHooks::collisionsLinear(graph, object, where));
        const auto actual = contents(world.getCollisions(object, where));
        std::vector<qm::Object*> direct;
        answeredByGrid += qm::EngineHooks::spatialGrid(graph)->search(qm::getWorldBox(object, where), object, direct);
        ++searches;
        if (actual != expected && mismatches++ == 0)
        {
            const Box box = object->getBox();
            ADD_FAILURE() << "getCollisions differs (" << actual.size() << " found, " << expected.size()
                          << " expected) at (" << where.getX() << ", " << where.getY() << "), box corner ("
                          << box.getCorner().getX() << ", " << box.getCorner().getY() << ") " << box.getHorizontal()
                          << " x " << box.getVertical();
        }
    }

    qm::SceneGraph& graph = world.getSceneGraph();
    std::mt19937 random{20261207};
    qm::Sprite sprite{1};
    qm::Animation animation;
    int searches = 0;
    int answeredByGrid = 0;
    int mismatches = 0;
};

TEST_F(SpatialIndex, FindsWhatTheLinearSearchFindsInItsOrderThroughEveryKindOfChange)
{
    world.setBoundary(Box(Vector(0, 0), 120, 60));
    std::vector<qm::Object*> objects;
    auto make = [&]
    {
        qm::Object* object = new qm::Object;
        object->setBox(randomBox());
        object->setPosition(Vector(coordinate(120), coordinate(60)));
        object->setSolidness(randomSolidness());
        objects.push_back(object);
    };
    for (int i = 0; i < 1200; ++i)
    {
        make();
    }
    for (int round = 0; round < 200; ++round)
    {
        for (int change = 0; change < 24; ++change)
        {
            qm::Object* object = objects[static_cast<std::size_t>(pick(static_cast<int>(objects.size())))];
            const Box boundary = world.getBoundary();
            const float sizes[] = {0.5f, 1, 3, 4, 7.5f, 16};
            switch (pick(20))
            {
                // clang-format off
            case 0: object->setActive(!object->isActive()); break;
            case 1: case 2: object->setSolidness(randomSolidness()); break;
            case 3: case 4: object->setBox(randomBox()); break;
            case 5: object->setAnimation(animation, true); break;
            case 6: if (pick(8) == 0) { world.setBoundary(randomBoundary()); } break;
            case 7:
                if (pick(10) == 0) { ASSERT_EQ(graph.setBucketSize(sizes[pick(6)]), 0); }
                else if (pick(10) == 0) { graph.setSpatialIndex(false); graph.setSpatialIndex(true); } // rebuilt
                break;
            case 8: make(); break;
            case 10: ASSERT_EQ(object->setVisible(!object->isVisible()), 0); break; // refiled, solid lists untouched
            case 9: // deleted at the next update; its neighbours must forget it
                world.markForDelete(object);
                objects.erase(std::find(objects.begin(), objects.end(), object));
                world.update();
                break;
            default:
                object->setPosition(Vector(coordinate(std::fmin(boundary.getHorizontal(), 300.0f)),
                                           coordinate(std::fmin(boundary.getVertical(), 300.0f))));
                // clang-format on
            }
        }
        ASSERT_EQ(qm::EngineHooks::spatialGrid(graph)->getCount(), graph.solidObjects().getCount())
            << "round " << round;
        for (int query = 0; query < 24; ++query)
        {
            const qm::Object* object = objects[static_cast<std::size_t>(pick(static_cast<int>(objects.size())))];
            const Vector where = pick(2) == 0 ? object->getPosition() : Vector(coordinate(120), coordinate(60));
            compare(object, where);
        }
        ASSERT_EQ(mismatches, 0) << "round " << round;
    }
    // Most searches are small and finite, so the grid itself must have answered them.
    EXPECT_GT(answeredByGrid, searches * 3 / 4);
}

TEST_F(SpatialIndex, ObjectFiledTwiceInTheSolidListIsFoundTwiceInPlace)
{
    qm::Object* first = new qm::Object;
    qm::Object* twice = new qm::Object;
    qm::Object* last = new qm::Object;
    qm::Object* mover = new qm::Object;
    for (qm::Object* object : {first, twice, last, mover})
    {
        object->setPosition(Vector(10, 10));
    }
    ASSERT_EQ(graph.insertObject(twice), 0); // a second slot at the end of every list
    const std::vector<qm::Object*> expected{first, twice, last, twice};
    EXPECT_EQ(contents(qm::EngineHooks::collisionsLinear(graph, mover, Vector(10, 10))), expected);
    EXPECT_EQ(contents(world.getCollisions(mover, Vector(10, 10))), expected);
    ASSERT_EQ(graph.removeObject(twice), 0); // the first slot goes, as in the list
    EXPECT_EQ(contents(world.getCollisions(mover, Vector(10, 10))), (std::vector<qm::Object*>{first, last, twice}));

    // Filed three times and then out of its type list behind its back: its removal fails, and
    // every slot left must go from the index with the lists, or a search would return it deleted.
    ASSERT_EQ(graph.insertObject(twice), 0);
    ASSERT_EQ(graph.insertObject(twice), 0);
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_EQ(graph.updateType(twice, "Elsewhere"), 0);
    }
    world.markForDelete(twice);
    world.update();
    EXPECT_EQ(qm::EngineHooks::spatialGrid(graph)->getCount(), graph.solidObjects().getCount());
    EXPECT_EQ(contents(world.getCollisions(mover, Vector(10, 10))), (std::vector<qm::Object*>{first, last}));
}

TEST_F(SpatialIndex, ObjectFiledAgainstItsStateLeavesNoAddressBehindWhenDeleted)
{
    qm::Object* object = new qm::Object;
    ASSERT_EQ(graph.updateActive(object, false), 0); // filed as inactive, though it believes it is active
    world.markForDelete(object);
    world.update();
    EXPECT_EQ(qmtest::countOf(log(), "SceneGraph::removeObject(): Error removing Object (id "), 1);
    EXPECT_TRUE(world.getAllObjects(true).isEmpty()); // so shut-down does not delete it again
}

TEST_F(SpatialIndex, GridNumberedAgainKeepsTheOrderOfAppending)
{
    qm::SpatialGrid grid(6); // renumbers at the sixth order, as the engine's does at 2^32 - 1
    grid.setArea(Box(Vector(0, 0), 40, 40));
    std::vector<qm::Object*> made; // 'a' to 'g'
    for (int i = 0; i < 7; ++i)
    {
        made.push_back(new qm::Object);
        made.back()->setSolidness(qm::SPECTRAL); // out of the world's own index: one grid each
        made.back()->setPosition(Vector(10, 10));
    }
    auto found = [&]
    {
        std::vector<qm::Object*> out;
        EXPECT_TRUE(grid.search(Box(Vector(10, 10), 0, 0), nullptr, out));
        std::string names;
        for (qm::Object* object : out)
        {
            names += static_cast<char>('a' + (std::find(made.begin(), made.end(), object) - made.begin()));
        }
        return names;
    };
    const auto append = [&](const std::string& names)
    {
        for (const char name : names)
        {
            grid.append(made[static_cast<std::size_t>(name - 'a')]);
        }
    };
    append("abc");
    grid.removeFirst(made[0]);
    append("defg"); // d reuses a's slot; g's order runs out
    EXPECT_EQ(found(), "bcdefg");
    grid.removeFirst(made[2]);
    append("a");
    EXPECT_EQ(found(), "bdefga");
    grid.clear(); // so that the objects forget their entries before they are deleted
}

TEST_F(SpatialIndex, BucketsAreLaidOverEachNewBoundaryWithinTheirLimit)
{
    const qm::SpatialGrid* grid = qm::EngineHooks::spatialGrid(graph);
    world.setBoundary(Box(Vector(0, 0), 200, 100));
    EXPECT_EQ(std::make_pair(grid->getColumns(), grid->getRows()), std::make_pair(34, 17)); // 6-space buckets
    ASSERT_EQ(graph.setBucketSize(10), 0);
    EXPECT_EQ(std::make_pair(grid->getColumns(), grid->getRows()), std::make_pair(20, 10));
    EXPECT_EQ(graph.setBucketSize(0), -1);
    EXPECT_EQ(graph.setBucketSize(NOT_A_NUMBER), -1);
    EXPECT_EQ(graph.getBucketSize(), 10);
    world.setBoundary(Box(Vector(0, 0), 1e7f, 3)); // would be a million buckets: they grow instead
    EXPECT_LE(grid->getColumns() * grid->getRows(), qm::SpatialGrid::MAX_BUCKETS);
    EXPECT_GT(grid->getColumns() * grid->getRows(), qm::SpatialGrid::MAX_BUCKETS / 2);
    EXPECT_GE(grid->getUsedBucketSize() * static_cast<float>(grid->getColumns()), 1e7f);
    world.setBoundary(Box(Vector(0, 0), INF, 24));
    EXPECT_EQ(std::make_pair(grid->getColumns(), grid->getRows()), std::make_pair(1, 1));
}

TEST_F(SpatialIndex, FirstHardObjectNearABoxPassesOverSoftOnesAndTheIgnoredOne)
{
    qm::Object* soft = new qm::Object;
    soft->setSolidness(qm::SOFT);
    qm::Object* self = new qm::Object;
    qm::Object* hard = new qm::Object;
    qm::Object* later = new qm::Object;
    for (qm::Object* object : {soft, self, hard, later})
    {
        object->setPosition(Vector(30, 12));
    }
    const Box cell(Vector(29.5f, 11.5f), 0, 0);
    EXPECT_EQ(graph.firstHardObjectIn(cell, self), hard);
    EXPECT_EQ(graph.firstHardObjectIn(cell), self);
    EXPECT_EQ(graph.firstHardObjectIn(Box(Vector(40, 12), 1, 1)), nullptr);
    graph.setSpatialIndex(false);
    EXPECT_EQ(graph.firstHardObjectIn(cell, self), hard);
    EXPECT_EQ(qm::EngineHooks::spatialGrid(graph), nullptr);
}

// Objects that collide, steer, leave the world and change themselves in their handlers; every
// event each one hears is noted with the indices of the objects involved.
class Actor : public qm::Object
{
public:
    Actor(int number, std::vector<std::string>& heard) : index(number), journal(heard) {}

    int eventHandler(const qm::Event* event) override
    {
        std::ostringstream line;
        line << index << ' ' << event->getType();
        if (const auto* hit = dynamic_cast<const qm::EventCollision*>(event))
        {
            line << ' ' << static_cast<const Actor*>(hit->getObject1())->index << ' '
                 << static_cast<const Actor*>(hit->getObject2())->index << ' ' << hit->getPosition().getX() << ' '
                 << hit->getPosition().getY();
            ++hits;
            if (hits % 7 == 0)
            {
                setSolidness(getSolidness() == qm::HARD ? qm::SOFT : qm::HARD);
            }
            if (hits % 11 == 0)
            {
                setBox(Box(Vector(0, 0), static_cast<float>(hits % 5), 1));
            }
        }
        else if (event->getType() == qm::EVENT_OUT)
        {
            // Back in on the other side, as the benchmark's drifters do.
            const Vector p = getPosition();
            setPosition(Vector(p.getX() < 0 ? p.getX() + 60 : std::fmod(p.getX(), 60.0f),
                               p.getY() < 0 ? p.getY() + 40 : std::fmod(p.getY(), 40.0f)));
        }
        journal.push_back(line.str());
        return 1;
    }

    int index;
    int hits = 0;
    std::vector<std::string>& journal;
};

// Runs the same seeded world with the index on or off and returns everything heard, then the
// final place of every object.
std::vector<std::string> runWorld(bool indexed)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    world.getSceneGraph().setSpatialIndex(indexed);
    world.setBoundary(Box(Vector(0, 0), 60, 40));
    std::vector<std::string> journal;
    std::vector<Actor*> actors;
    std::mt19937 random(777);
    auto uniform = [&](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
    for (int i = 0; i < 600; ++i)
    {
        auto* actor = new Actor(i, journal);
        actors.push_back(actor);
        actor->setBox(Box(Vector(0, 0), uniform(0, 5), uniform(0, 3)));
        actor->setSolidness(static_cast<qm::Solidness>(i % 3));
        actor->setAvoidCollisions(i % 4 == 0);
        actor->setNoSoft(i % 5 == 0);
        actor->setPosition(Vector(uniform(-2, 62), uniform(-2, 42)));
        actor->setVelocity(Vector(uniform(-1, 1), uniform(-1, 1)));
    }
    for (int step = 0; step < 40; ++step)
    {
        world.update();
        Actor* changed = actors[static_cast<std::size_t>(step * 37 % 600)];
        changed->setActive(!changed->isActive());
        actors[static_cast<std::size_t>(step * 53 % 600)]->setSolidness(static_cast<qm::Solidness>(step % 3));
        if (step == 20)
        {
            world.setBoundary(Box(Vector(0, 0), 50, 30));
        }
    }
    for (const Actor* actor : actors)
    {
        std::ostringstream line;
        line << actor->index << " at " << actor->getPosition().getX() << ' ' << actor->getPosition().getY();
        journal.push_back(line.str());
    }
    qm::GameManager::getInstance().shutDown(); // deletes the actors while the journal still exists
    return journal;
}

TEST_F(SpatialIndex, WholeWorldUpdatesHearTheSameEventsInTheSameOrder)
{
    const std::vector<std::string> linear = runWorld(false);
    ASSERT_EQ(startEngine(), 0);
    const std::vector<std::string> indexed = runWorld(true);
    ASSERT_GT(linear.size(), 5000u); // a busy world, not an empty one
    ASSERT_EQ(indexed.size(), linear.size());
    for (std::size_t i = 0; i < linear.size(); ++i)
    {
        ASSERT_EQ(indexed[i], linear[i]) << "line " << i;
    }
}

} // namespace
