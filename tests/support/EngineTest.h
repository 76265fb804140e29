// Shared test helpers: a scratch folder, a fixture that starts the engine headless with
// its log in that folder, and an object that records the events it receives.
#ifndef QM_TEST_ENGINETEST_H
#define QM_TEST_ENGINETEST_H

#include <qm/Event.h>
#include <qm/Object.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qmtest
{

/// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return root; }
    /// Full path of `name` inside the folder.
    std::string file(const std::string& name) const { return root + "/" + name; }
    /// Writes `contents` to `name` and returns its full path.
    std::string write(const std::string& name, const std::string& contents) const;

private:
    std::string root;
};

/// The whole file, or an empty text when it cannot be read.
std::string readFile(const std::string& path);

/// Number of non-overlapping occurrences of `needle` in `haystack`.
int countOf(const std::string& haystack, const std::string& needle);

/// Sets or (with a null value) removes an environment variable.
void setEnv(const char* name, const char* value);

/// Starts the engine headless with a log file in a scratch folder, and shuts it down after
/// the test. Engine singletons persist within the process, so every test starts from a
/// stopped engine and leaves it stopped.
class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// Writes a configuration ("headless:true," plus `extra`) and starts the game manager.
    int startEngine(const std::string& extra = "");

    /// The log file as written so far.
    std::string log() const;

    ScratchDir dir;
    std::string logPath;
    std::string configPath;
};

/// An object that records the type of each event it receives and can run a callback.
class RecordingObject : public qm::Object
{
public:
    int eventHandler(const qm::Event* event) override;

    std::vector<std::string> received;
    std::function<void(const qm::Event*)> onEvent;
};

} // namespace qmtest

#endif
