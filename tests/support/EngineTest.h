// Shared test helpers: a scratch folder, a headless engine fixture, an event-recording object.
#ifndef QM_TEST_ENGINETEST_H
#define QM_TEST_ENGINETEST_H

#include "platform/Platform.h"

#include <qm/Event.h>
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

/// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDir
{
public:
    ScratchDir() : root((std::filesystem::temp_directory_path() / "qm-test-XXXXXX").string())
    {
        EXPECT_NE(mkdtemp(root.data()), nullptr) << root;
    }
    ~ScratchDir() { std::filesystem::remove_all(root, ignored); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return root; }
    /// Full path of `name` inside the folder.
    std::string file(const std::string& name) const { return root + "/" + name; }
    /// Writes `contents` to `name` (making its folders) and returns its full path.
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

/// The whole file, or an empty text when it cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// Number of non-overlapping occurrences of `needle` in `haystack`.
inline int countOf(const std::string& haystack, const std::string& needle)
{
    int count = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + needle.size()))
    {
        ++count;
    }
    return count;
}

/// A keyboard event for `key` with `action` (KEY_PRESS, KEY_HELD or KEY_RELEASE).
inline qm::EventKeyboard keyEvent(int key, int action)
{
    qm::EventKeyboard event;
    event.setKey(key);
    event.setKeyboardAction(action);
    return event;
}

/// Sets or (with a null value) removes an environment variable.
inline void setEnv(const char* name, const char* value)
{
    value == nullptr ? unsetenv(name) : setenv(name, value, 1);
}

/// Puts the engine's log and configuration in a scratch folder; leaves the engine stopped.
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
    /// The log file as written so far.
    std::string log() const { return readFile(logPath); }

    ScratchDir dir;
    std::string logPath = dir.file("test.log");
};

/// An object that records the type of each event it receives and can run a callback.
class RecordingObject : public qm::Object
{
public:
    int eventHandler(const qm::Event* event) override
    {
        received.push_back(event->getType());
        if (onEvent)
        {
            onEvent(event);
        }
        return 1;
    }
    std::vector<std::string> received;
    std::function<void(const qm::Event*)> onEvent;
};

} // namespace qmtest

#endif
