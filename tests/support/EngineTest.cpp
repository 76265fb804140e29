#include "support/EngineTest.h"

#include "platform/Platform.h"

#include <qm/GameManager.h>
#include <qm/LogManager.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace qmtest
{

ScratchDir::ScratchDir()
{
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path candidate =
        fs::temp_directory_path() / ("qm-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(candidate);
    root = candidate.string();
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

std::string ScratchDir::write(const std::string& name, const std::string& contents) const
{
    const std::string path = file(name);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
    return path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

int countOf(const std::string& haystack, const std::string& needle)
{
    int count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + needle.size()))
    {
        ++count;
    }
    return count;
}

void setEnv(const char* name, const char* value)
{
    if (value == nullptr)
    {
        unsetenv(name);
    }
    else
    {
        setenv(name, value, 1);
    }
}

void EngineTest::SetUp()
{
    logPath = dir.file("test.log");
    configPath = dir.file("qm-config.txt");
    setEnv("QUILLMERE_LOG", logPath.c_str());
    setEnv("QUILLMERE_CONFIG", configPath.c_str());
    qm::platform::clearStopRequest();
}

void EngineTest::TearDown()
{
    qm::GameManager& game = qm::GameManager::getInstance();
    if (game.isStarted())
    {
        game.shutDown();
    }
    qm::LogManager::getInstance().setLogLevel(0);
    qm::LogManager::getInstance().setFlush(false);
    qm::platform::clearStopRequest();
    setEnv("QUILLMERE_LOG", nullptr);
    setEnv("QUILLMERE_CONFIG", nullptr);
}

int EngineTest::startEngine(const std::string& extra)
{
    dir.write("qm-config.txt", "headless:true,\n" + extra);
    const int result = qm::GameManager::getInstance().startUp();
    qm::LogManager::getInstance().setFlush(true); // so that log() sees every line at once
    return result;
}

std::string EngineTest::log() const
{
    return readFile(logPath);
}

int RecordingObject::eventHandler(const qm::Event* event)
{
    received.push_back(event->getType());
    if (onEvent)
    {
        onEvent(event);
    }
    return 1;
}

} // namespace qmtest
