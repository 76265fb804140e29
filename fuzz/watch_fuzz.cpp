// Feeds arbitrary records, one per line, to the watcher as a hostile game would send them.
// It may not crash, hang or grow without bound: at most MAX_COPIES copies exist, and each
// carries the id its record named.
#include "Watcher.h"

#include <qm/LogManager.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
Watcher* watcher = nullptr;

void setUpOnce()
{
    setenv("QUILLMERE_LOG", "/dev/null", 1);
    qm::LogManager::getInstance().startUp();
    qm::WorldManager::getInstance().startUp();
    qm::WorldManager::getInstance().setView(qm::Box(qm::Vector(0, 0), 80, 24));
    watcher = new Watcher("127.0.0.1", "1"); // not connected: records are applied by hand
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (setUpOnce(), true);
    (void)ready;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0; at <= text.size();)
    {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        watcher->apply(text.substr(at, end - at));
        at = end + 1;
    }
    qm::WorldManager& world = qm::WorldManager::getInstance();
    world.update(); // deletes what the records deleted
    const qm::ObjectList all = world.getAllObjects(true);
    if (watcher->getCopyCount() > Watcher::MAX_COPIES || all.getCount() != watcher->getCopyCount() + 1 ||
        watcher->getTextBytes() > watcher->getTextBudget())
    {
        std::fprintf(stderr, "watch_fuzz: %d copies, %d objects, %lld text bytes\n", watcher->getCopyCount(),
                     all.getCount(), watcher->getTextBytes());
        std::abort();
    }
    for (qm::ObjectListIterator it(&all); !it.isDone(); it.next())
    {
        if (it.currentObject() != watcher && !watcher->hasCopy(it.currentObject()->getId()))
        {
            std::fprintf(stderr, "watch_fuzz: a copy with id %d that no record named\n", it.currentObject()->getId());
            std::abort();
        }
    }
    return 0;
}
