// The real game played headless by a seeded key script: a long run keeps its objects, log and
// memory bounded and ends every game cleanly; a fixed seed and script always give the same world.
#include "soak/GameRun.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace
{

int envInt(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// The world after DETERMINISM_ITERATIONS iterations with game seed 7 and script seed 7. A change
// to it changes what the game does: say so in the commit that changes it.
constexpr std::uint64_t EXPECTED_WORLD_HASH = 0x5754348861bfa4c4ULL;
constexpr int DETERMINISM_ITERATIONS = 3000;

std::uint64_t hashAfter(int iterations, unsigned gameSeed, unsigned scriptSeed)
{
    qmtest::GameRun run;
    EXPECT_EQ(run.start(gameSeed, scriptSeed), 0);
    run.run(iterations);
    EXPECT_GE(run.gamesEnded, 1) << "the script should have played at least one whole game";
    return run.worldHash();
}

TEST(Soak, LongRunEndsEveryGameCleanlyWithBoundedObjectsLogAndMemory)
{
    // 10,000 iterations in the test suite; `make soak` asks for more and for the memory check.
    const int iterations = envInt("QM_SOAK_ITERATIONS", 10000);
    const bool checkMemory = envInt("QM_SOAK_CHECK_MEMORY", 0) != 0;
    qmtest::GameRun run;
    ASSERT_EQ(run.start(1, 1), 0);
    const qmtest::Memory atStart = qmtest::readMemory();
    run.run(iterations);
    const qmtest::Memory atEnd = qmtest::readMemory();

    const double growth = run.afterFirstGame.rss > 0 ? 100.0 * static_cast<double>(atEnd.rss - run.afterFirstGame.rss) /
                                                           static_cast<double>(run.afterFirstGame.rss)
                                                     : 0;
    const std::uintmax_t logBytes = run.logSize();
    std::printf("soak: %d iterations, %d games ended, most live objects in a game %d, on the start screen %d\n"
                "soak: RSS start %ld KiB, after first game %ld KiB, final %ld KiB, peak %ld KiB, growth after "
                "first game %.2f %%\n"
                "soak: log %ju bytes (%.0f per game); iteration p50 %.1f us, p99 %.1f us, max %.1f us\n",
                run.stepCount, run.gamesEnded, run.mostObjectsInAGame, run.mostObjectsOnStartScreen, atStart.rss,
                run.afterFirstGame.rss, atEnd.rss, atEnd.peak, growth, logBytes,
                static_cast<double>(logBytes) / std::max(run.gamesEnded, 1), run.percentile(0.5), run.percentile(0.99),
                run.percentile(1.0));

    EXPECT_EQ(run.stepCount, iterations) << "the run ended early (the script must never quit)";
    EXPECT_GE(run.gamesEnded, iterations / 5000) << "the script's fish should die now and then";
    EXPECT_EQ(run.mostObjectsOnStartScreen, 1) << "objects of an ended game outlived it";
    EXPECT_LE(run.mostObjectsInAGame, 60) << "objects pile up within a game";
    EXPECT_EQ(run.refusedKeys, 0);
    const std::string log = run.log();
    if (const char* keep = std::getenv("QM_SOAK_KEEP_LOG"))
    {
        std::ofstream(keep) << log;
    }
    EXPECT_EQ(qmtest::countOf(log, "Error"), 0) << log.substr(0, 4000);
    EXPECT_LT(logBytes, 20000u + 2000u * static_cast<unsigned>(run.gamesEnded)) << "the log grows without bound";
    if (checkMemory)
    {
        EXPECT_GT(run.gamesEnded, 1);
        EXPECT_LT(growth, 5.0) << "memory grows from game to game";
    }
}

TEST(Determinism, SeededRunGivesTheCommittedWorldHashEveryTime)
{
    const std::uint64_t first = hashAfter(DETERMINISM_ITERATIONS, 7, 7);
    std::printf("determinism: world hash after %d iterations 0x%016" PRIx64 "\n", DETERMINISM_ITERATIONS, first);
    EXPECT_EQ(first, EXPECTED_WORLD_HASH);
    EXPECT_EQ(hashAfter(DETERMINISM_ITERATIONS, 7, 7), first) << "a second run in the same process differs";
    // The hash does read the world: another key script plays another game.
    EXPECT_NE(hashAfter(DETERMINISM_ITERATIONS, 7, 8), first);
}

} // namespace
