// Shared test helpers: a scratch folder, a headless engine fixture, an event-recording object.
#ifndef QM_TEST_ENGINETEST_H
#define QM_TEST_ENGINETEST_H

#include "platform/Platform.h"

#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace qmtest
{

class ScratchDir
{
public:
    ScratchDir() : root((std::filesystem::temp_directory_path() / "qm-test-XXXXXX").string())
    {
        EXPECT_NE(mkdtemp(root.data()), nullptr) << root;
    }
    ~ScratchDir() { std::filesystem::remove_all(root, ignored); }

    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }
    std::string write(const std::string& name, const std::string& contents) const
    {
        std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
        std::ofstream(file(name), std::ios::binary) << contents;
        return file(name);
    }

private:
    std::string root;
    std::error_code ignored;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline int countOf(const std::string& haystack, const std::string& needle)
{
    int count = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + needle.size()))
    {
        ++count;
    }
    return count;
}

inline qm::EventKeyboard keyEvent(int key, int action)
{
    qm::EventKeyboard event;
    event.setKey(key);
    event.setKeyboardAction(action);
    return event;
}

inline void setEnv(const char* name, const char* value)
{
    value == nullptr ? unsetenv(name) : setenv(name, value, 1);
}

// The engine's log and configuration in a scratch folder; the engine is left stopped.
class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setEnv("QUILLMERE_LOG", logPath.c_str());
        setEnv("QUILLMERE_CONFIG", dir.file("qm-config.txt").c_str());
        qm::platform::clearStopRequest();
    }
    void TearDown() override
    {
        if (qm::GameManager::getInstance().isStarted())
        {
            qm::GameManager::getInstance().shutDown();
        }
        qm::LogManager::getInstance().setLogLevel(0);
        qm::LogManager::getInstance().setFlush(false);
        qm::platform::clearStopRequest();
        setEnv("QUILLMERE_LOG", nullptr);
        setEnv("QUILLMERE_CONFIG", nullptr);
    }
    /// Starts the engine with configuration "headless:true," plus `extra`, the log flushed per line.
    int startEngine(const std::string& extra = "")
    {
        dir.write("qm-config.txt", "headless:true,\n" + extra);
        const int result = qm::GameManager::getInstance().startUp();
        qm::LogManager::getInstance().setFlush(true);
        return result;
    }
    std::string log() const { return readFile(logPath); }

    ScratchDir dir;
    std::string logPath = dir.file("test.log");
};

class RecordingObject : public qm::Object
{
public:
    int eventHandler(const qm::Event* event) override
    {
        received.push_back(event->getType());
        onEvent ? onEvent(event) : void();
        return 1;
    }
    std::vector<std::string> received;
    std::function<void(const qm::Event*)> onEvent;
};

} // namespace qmtest

#endif
