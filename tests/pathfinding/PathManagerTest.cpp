// Searches under way: starting them, the manager's passes and budget, their end and their objects' deletion.
#include "MapSearch.h"

#include <qm/EventPath.h>
#include <qm/EventStep.h>
#include <qm/PathManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>
#include <tuple>

namespace
{

using qmtest::Cell;
using qmtest::Cells;

// An object that notes its name on every path event and then handles it as objects do by default.
class Seeker : public qm::Object
{
public:
    Seeker(std::string label, std::vector<std::string>* journal, qm::Vector at) : name(std::move(label)), log(journal)
    {
        setSolidness(qm::SOFT);
        setPosition(at);
    }
    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() == qm::EVENT_PATH)
        {
            statuses.push_back(static_cast<const qm::EventPath*>(event)->getStatus());
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            log->push_back(name);
        }
        return keepSearch ? 1 : qm::Object::eventHandler(event);
    }
    std::string name;
    std::vector<std::string>* log;
    std::vector<int> statuses;
    bool keepSearch = false; // a handler that never ends its search
    int pause = 0;           // milliseconds spent in every path event
};

class PathManagerTest : public qmtest::WorldTest
{
protected:
    void SetUp() override
    {
        qmtest::WorldTest::SetUp();
        world.setBoundary(qm::Box(qm::Vector(0, 0), 80, 24));
    }
    Seeker* seekerAt(const std::string& name, float x, float y) { return new Seeker(name, &journal, qm::Vector(x, y)); }
    qm::PathManager& paths = qm::PathManager::getInstance();
    std::vector<std::string> journal;
};

TEST_F(PathManagerTest, StartsWithTheGameAtATenthOfTheFrameTimeAndStopsWithIt)
{
    EXPECT_TRUE(paths.isStarted());
    EXPECT_EQ(paths.getMinCycleTime(), 3);
    EXPECT_EQ(paths.startUp(), 0);
    EXPECT_EQ(qmtest::countOf(log(), "PathManager::startup(): already started."), 1);
    qm::LogManager::getInstance().setLogLevel(1);
    qm::GameManager::getInstance().shutDown();
    EXPECT_FALSE(paths.isStarted());
    const std::string written = log();
    EXPECT_NE(written.find("World manager stopped"), std::string::npos); // else the order below passes unchecked
    EXPECT_LT(written.find("Path manager stopped"), written.find("World manager stopped"));
    ASSERT_EQ(startEngine("frame_time:58,\n"), 0);
    EXPECT_EQ(paths.getMinCycleTime(), 5);
    // Under a ten-millisecond frame the least cycle time is 0, and searches still advance every cycle.
    qm::GameManager::getInstance().shutDown();
    ASSERT_EQ(startEngine("frame_time:5,\n"), 0);
    EXPECT_EQ(paths.getMinCycleTime(), 0);
    world.setBoundary(qm::Box(qm::Vector(0, 0), 80, 24));
    auto* seeker = seekerAt("seeker", 4, 4);
    ASSERT_EQ(paths.startSearch(seeker, qm::Vector(5, 5)), 0); // two steps
    paths.cycle(0);
    paths.cycle(-1);
    EXPECT_EQ(seeker->statuses, (std::vector<int>{2}));
}

TEST_F(PathManagerTest, StartSearchRefusesWhatItCannotSearch)
{
    auto* walker = seekerAt("walker", 2, 2);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(paths.startSearch(nullptr, qm::Vector(1, 1)), -1);
    EXPECT_EQ(paths.startSearch(walker, static_cast<qm::Object*>(nullptr)), -1);
    EXPECT_EQ(paths.startSearch(static_cast<qm::PathFind*>(nullptr)), -1);
    EXPECT_EQ(paths.startSearch(walker, qm::Vector(nan, 1)), -1);
    EXPECT_EQ(paths.startSearch(walker, qm::Vector(1, 3e9f)), -1);
    for (const qm::Vector corner : {qm::Vector(-1, 2), qm::Vector(2, 24), qm::Vector(80, 0), qm::Vector(inf, 0)})
    {
        walker->setPosition(corner);
        EXPECT_EQ(paths.startSearch(walker, qm::Vector(1, 1)), -1) << corner.getX() << "," << corner.getY();
    }
    walker->setPosition(qm::Vector(0, 0));
    for (const qm::Box boundary : {qm::Box(qm::Vector(0, 0), 0, 24), qm::Box(qm::Vector(0, 0), 80, -3),
                                   qm::Box(qm::Vector(0, 0), nan, 24), qm::Box(qm::Vector(0, 0), 1e6f, 1e6f)})
    {
        world.setBoundary(boundary);
        EXPECT_EQ(paths.startSearch(walker, qm::Vector(1, 1)), -1);
    }
    EXPECT_EQ(qmtest::countOf(log(), "PathManager::startSearch(): Error! world boundary"), 4);
    EXPECT_TRUE(paths.getSearches().empty());
    EXPECT_EQ(walker->getPathSearch(), nullptr);

    world.setBoundary(qm::Box(qm::Vector(0, 0), 80.9f, 24.5f)); // 80 x 24 whole cells
    walker->setPosition(qm::Vector(79.4f, 23.4f));              // rounds to (79, 23)
    ASSERT_EQ(paths.startSearch(walker, qm::Vector(0.6f, 0.4f)), 0);
    const qm::PathFind* search = walker->getPathSearch();
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(std::make_tuple(search->getStart(), search->getGoal(), search->getWidth(), search->getHeight()),
              std::make_tuple(Cell{79, 23}, Cell{1, 0}, 80, 24));

    qm::GameManager::getInstance().shutDown();
    auto* late = new qm::PathFind(walker, {0, 0}, {1, 1}, nullptr, 2, 2);
    testing::internal::CaptureStderr();     // the log is closed: its lines go to standard error
    EXPECT_EQ(paths.startSearch(late), -1); // the refused search is deleted
    EXPECT_EQ(
        qmtest::countOf(testing::internal::GetCapturedStderr(), "PathManager::startSearch(): PathManager not started!"),
        1);
}

TEST_F(PathManagerTest, ASecondSearchReplacesTheFirstAndAFoundPathIsFollowedByTheDefaultHandler)
{
    auto* walker = seekerAt("walker", 0, 0);
    walker->setVelocity(qm::Vector(1, 0));
    ASSERT_EQ(paths.startSearch(walker, qm::Vector(70, 20)), 0); // replaced and deleted by the next one
    ASSERT_EQ(paths.startSearch(walker, qm::Vector(3, 3)), 0);
    paths.cycle(100);
    EXPECT_EQ(walker->statuses, (std::vector<int>{2}));
    EXPECT_EQ(walker->getPathSearch(), nullptr);
    EXPECT_TRUE(paths.getSearches().empty());
    EXPECT_EQ(qmtest::cellsOf(walker->getPath()), (Cells{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_TRUE(walker->getFollowPath());
    // Followed a step at a time: one update moves it by its speed, the rest of the path still ahead.
    const qm::Vector start = walker->getPosition();
    world.update();
    EXPECT_TRUE(walker->getFollowPath());
    EXPECT_LE(qm::distance(start, walker->getPosition()), walker->getSpeed() + 0.001f);

    // No path: the path and the direction stay as they were.
    new qm::Object; // at (1, 1), HARD: with the other hard pieces it walls in (0, 0)
    (new qm::Object)->setPosition(qm::Vector(1, 0));
    (new qm::Object)->setPosition(qm::Vector(0, 1));
    walker->setPosition(qm::Vector(0, 0));
    const qm::Vector heading = walker->getDirection();
    ASSERT_EQ(paths.startSearch(walker, qm::Vector(5, 5)), 0);
    paths.cycle(100);
    EXPECT_EQ(walker->statuses, (std::vector<int>{2, 0}));
    EXPECT_EQ(walker->getPathSearch(), nullptr);
    EXPECT_EQ(qmtest::cellsOf(walker->getPath()), (Cells{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(walker->getDirection(), heading);

    // A "qm-path" event of another class is refused with its log line.
    qm::Event impostor;
    impostor.setType(qm::EVENT_PATH);
    EXPECT_EQ(walker->qm::Object::eventHandler(&impostor), 0);
    EXPECT_EQ(qmtest::countOf(log(), "Object::eventHandler(): Error! Dynamic cast to EventPath failed."), 1);
    qm::EventStep step(0);
    EXPECT_EQ(walker->qm::Object::eventHandler(&step), 0);
}

TEST_F(PathManagerTest, RemoveSearchTakesOutEveryOccurrenceAndKeepsTheOrder)
{
    std::vector<qm::PathFind*> made;
    for (int i = 0; i < 3; ++i)
    {
        auto* seeker = seekerAt("s", static_cast<float>(i), 0);
        ASSERT_EQ(paths.startSearch(seeker, qm::Vector(50, 20)), 0);
        made.push_back(seeker->getPathSearch());
    }
    ASSERT_EQ(paths.startSearch(made[1]), 0); // listed twice, still owned once
    EXPECT_EQ(paths.getSearches(), (std::vector<qm::PathFind*>{made[0], made[1], made[2], made[1]}));
    EXPECT_EQ(paths.removeSearch(made[1]), 0);
    EXPECT_EQ(paths.getSearches(), (std::vector<qm::PathFind*>{made[0], made[2]}));
    EXPECT_EQ(paths.removeSearch(made[1]), -1);
    EXPECT_EQ(paths.removeSearch(nullptr), -1);
    // Still the path search of its object, which deletes it with itself (under the sanitizers: once).
    EXPECT_EQ(made[1]->getObject()->getPathSearch(), made[1]);
    world.markForDelete(made[0]->getObject()); // a deleted object takes its search with it
    world.update();
    EXPECT_EQ(paths.getSearches(), (std::vector<qm::PathFind*>{made[2]}));
}

TEST_F(PathManagerTest, ABudgetBelowTheLeastCycleTimeIsRaisedToItAndAnOverrunEndsThePassAfterItsStep)
{
    // Two searches nobody ends, whose handler takes 5 ms: the first step overruns the least
    // cycle time (3 ms), so the pass ends before the second search and the overrun is logged
    // with the raised limit.
    qm::LogManager::getInstance().setLogLevel(5);
    auto* slow = seekerAt("slow", 4, 4);
    auto* next = seekerAt("next", 6, 6);
    for (Seeker* seeker : {slow, next})
    {
        seeker->keepSearch = true;
        ASSERT_EQ(paths.startSearch(seeker, seeker->getPosition()), 0);
    }
    slow->pause = 5;
    for (const int budget : {0, -5, std::numeric_limits<int>::min()})
    {
        paths.cycle(budget);
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"slow", "slow", "slow"}));
    EXPECT_EQ(slow->statuses, (std::vector<int>{2, 2, 2})) << "a found search stays listed and answers 2 again";
    EXPECT_EQ(qmtest::countOf(log(), "PathManager::cycle(): cycle time 3 exceeded."), 3);
}

TEST_F(PathManagerTest, ASearchMovingIntoTheSlotOfARemovedOneWaitsForTheNextPass)
{
    auto* a = seekerAt("a", 1, 1);
    auto* b = seekerAt("b", 2, 2);
    auto* c = seekerAt("c", 3, 3);
    for (Seeker* seeker : {a, b, c})
    {
        ASSERT_EQ(paths.startSearch(seeker, seeker->getPosition()), 0); // each ends on its first step
    }
    paths.cycle(100);
    // a ends and is removed; b moves into slot 0 and is passed over; c ends; b in the next pass.
    EXPECT_EQ(journal, (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_TRUE(paths.getSearches().empty());
}

// The prey reaches from 27.5 to 32.49: a walker touches it from cell 28 on. Deleted during the search, it is
// forgotten (under the sanitizers: never read again) and the search goes on to its cell.
TEST_F(PathManagerTest, ATargetEndsTheSearchWhereTheWalkerTouchesItOrIsForgottenOnceDeleted)
{
    for (const bool deleted : {false, true})
    {
        auto* walker = seekerAt("walker", 0, 10);
        auto* prey = new qm::Object;
        prey->setPosition(qm::Vector(30, 10));
        prey->setBox(qm::Box(qm::Vector(-2.5f, -2.5f), 4.99f, 4.99f));
        ASSERT_EQ(paths.startSearch(walker, prey), 0);
        qm::PathFind* search = walker->getPathSearch();
        EXPECT_EQ(search->getTarget(), prey);
        EXPECT_EQ(search->getGoal(), (Cell{30, 10}));
        if (deleted)
        {
            world.markForDelete(prey);
            world.update();
            EXPECT_EQ(search->getTarget(), nullptr);
        }
        paths.cycle(1000);
        EXPECT_EQ(walker->statuses, (std::vector<int>{2}));
        ASSERT_FALSE(walker->getPath().getNodeCount() == 0);
        EXPECT_EQ(qmtest::cellsOf(walker->getPath()).back(), (Cell{deleted ? 30 : 28, 10}));
        world.markForDelete(walker);
    }
}

} // namespace
