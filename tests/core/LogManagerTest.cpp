// The log file: line prefix, levels, and refusal of a file that cannot be opened.
#include "support/EngineTest.h"

#include <qm/LogManager.h>

#include <gtest/gtest.h>

#include <regex>

namespace
{

using qmtest::countOf;

class LogManagerTest : public qmtest::EngineTest
{
protected:
    qm::LogManager& logger = qm::LogManager::getInstance();
};

TEST_F(LogManagerTest, LinesCarryTimeAndStepPrefixAndNeedTheirLevel)
{
    dir.write("test.log", "old contents\n");
    ASSERT_EQ(logger.startUp(), 0);
    EXPECT_EQ(logger.writeLog("hello %d", 42), 8);
    EXPECT_EQ(logger.writeLog(5, "hidden"), 0);
    logger.setLogLevel(5);
    EXPECT_EQ(logger.writeLog(5, "detail"), 6);
    EXPECT_EQ(logger.writeLog(6, "too fine"), 0);
    logger.shutDown();
    EXPECT_TRUE(std::regex_search(log(), std::regex(R"(^\d\d:\d\d:\d\d    0 hello 42\n\d\d:\d\d:\d\d    0 detail\n)")))
        << log();
}

TEST_F(LogManagerTest, MissingDirectoryFailsOnStandardError)
{
    const std::string missing = dir.file("no/such/dir/log.txt");
    qmtest::setEnv("QUILLMERE_LOG", missing.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(logger.startUp(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "LogManager::startup(): Warning! Unable to open file '" + missing + "'."), 1);
    EXPECT_FALSE(logger.isStarted());
}

} // namespace
