// The log file: line prefix, levels, file choice and fallback to standard error.
#include "support/EngineTest.h"

#include <qm/GameManager.h>
#include <qm/LogManager.h>

#include <gtest/gtest.h>

#include <regex>

namespace
{

using qmtest::countOf;
using qmtest::readFile;

class LogManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { qmtest::setEnv("QUILLMERE_LOG", path.c_str()); }
    void TearDown() override
    {
        qm::LogManager& log = qm::LogManager::getInstance();
        if (log.isStarted())
        {
            log.shutDown();
        }
        log.setLogLevel(0);
        qmtest::setEnv("QUILLMERE_LOG", nullptr);
    }

    qmtest::ScratchDir dir;
    std::string path = dir.file("log.txt");
};

TEST_F(LogManagerTest, LinesCarryTimeAndStepPrefix)
{
    qm::LogManager& log = qm::LogManager::getInstance();
    ASSERT_EQ(log.startUp(), 0);
    EXPECT_EQ(log.writeLog("hello %d", 42), 8);
    log.shutDown();
    const std::regex line(R"(^\d\d:\d\d:\d\d    0 hello 42\n$)");
    EXPECT_TRUE(std::regex_match(readFile(path), line)) << readFile(path);
}

TEST_F(LogManagerTest, LevelledLinesNeedTheLevel)
{
    qm::LogManager& log = qm::LogManager::getInstance();
    ASSERT_EQ(log.startUp(), 0);
    EXPECT_EQ(log.writeLog(5, "hidden"), 0);
    EXPECT_EQ(log.writeLog("shown"), 5);
    log.setLogLevel(5);
    EXPECT_EQ(log.writeLog(5, "detail"), 6);
    EXPECT_EQ(log.writeLog(6, "too fine"), 0);
    log.shutDown();
    const std::string text = readFile(path);
    EXPECT_EQ(countOf(text, "hidden"), 0);
    EXPECT_EQ(countOf(text, "shown"), 1);
    EXPECT_EQ(countOf(text, "detail"), 1);
    EXPECT_EQ(countOf(text, "too fine"), 0);
}

TEST_F(LogManagerTest, ExistingFileIsReplaced)
{
    dir.write("log.txt", "old contents\n");
    qm::LogManager& log = qm::LogManager::getInstance();
    ASSERT_EQ(log.startUp(), 0);
    log.writeLog("new");
    log.shutDown();
    EXPECT_EQ(countOf(readFile(path), "old contents"), 0);
    EXPECT_EQ(countOf(readFile(path), "new"), 1);
}

TEST_F(LogManagerTest, SecondStartUpWarnsInTheLogAndFails)
{
    qm::LogManager& log = qm::LogManager::getInstance();
    ASSERT_EQ(log.startUp(), 0);
    EXPECT_EQ(log.startUp(), -1);
    EXPECT_TRUE(log.isStarted());
    log.shutDown();
    EXPECT_EQ(countOf(readFile(path), "LogManager::startup(): Warning! LogManager already started."), 1);
}

TEST_F(LogManagerTest, MissingDirectoryFailsOnStandardError)
{
    const std::string missing = dir.file("no/such/dir/log.txt");
    qmtest::setEnv("QUILLMERE_LOG", missing.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(qm::LogManager::getInstance().startUp(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "LogManager::startup(): Warning! Unable to open file '" + missing + "'."), 1);
    EXPECT_FALSE(qm::LogManager::getInstance().isStarted());
}

TEST_F(LogManagerTest, EmptyVariableStillOverridesTheConfiguredName)
{
    qmtest::setEnv("QUILLMERE_LOG", "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(qm::LogManager::getInstance().startUp(), -1);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "Unable to open file ''."), 1);
}

TEST_F(LogManagerTest, AfterShutDownLinesGoToStandardError)
{
    qm::LogManager& log = qm::LogManager::getInstance();
    ASSERT_EQ(log.startUp(), 0);
    log.shutDown();
    testing::internal::CaptureStderr();
    log.writeLog("after the end");
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "after the end"), 1);
    EXPECT_EQ(countOf(readFile(path), "after the end"), 0);
}

} // namespace
