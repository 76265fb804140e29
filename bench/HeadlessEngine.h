#ifndef QM_BENCH_HEADLESSENGINE_H
#define QM_BENCH_HEADLESSENGINE_H

#include <qm/GameManager.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// Starts the engine headless, with its configuration and log named after `name` in the
// build's run folder, and stops it (deleting every object) when it goes out of scope.
class HeadlessEngine
{
public:
    explicit HeadlessEngine(const std::string& name)
    {
        const std::filesystem::path run(QM_RUN_DIR);
        std::filesystem::create_directories(run);
        const std::string config = (run / (name + "-config.txt")).string();
        std::ofstream(config) << "headless:true,\n";
        setenv("QUILLMERE_CONFIG", config.c_str(), 1);
        setenv("QUILLMERE_LOG", (run / (name + ".log")).string().c_str(), 1);
        started = qm::GameManager::getInstance().startUp() == 0;
    }
    ~HeadlessEngine() { qm::GameManager::getInstance().shutDown(); }
    HeadlessEngine(const HeadlessEngine&) = delete;
    HeadlessEngine& operator=(const HeadlessEngine&) = delete;

    bool started = false;
};

#endif
