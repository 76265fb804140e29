// Feeds arbitrary text to Object::deserialize and ViewObject::deserialize, with every detail
// line of the log formatted. It may not crash, hang, leak or grow without bound, and whatever
// state it leaves must be sound and must itself survive the attribute text: a copy read from
// the object's full text writes that same text again.
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/ResourceManager.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
void setUpOnce()
{
    setenv("QUILLMERE_LOG", "/dev/null", 1);
    qm::LogManager& log = qm::LogManager::getInstance();
    log.startUp();       // keeps the reports off the terminal
    log.setLogLevel(20); // every message of the readers and writers; the pair parser has its own target
    qm::WorldManager::getInstance().startUp();
    qm::WorldManager::getInstance().setView(qm::Box(qm::Vector(0, 0), 80, 24));
    // A sprite for "sprite_name:fish" to find.
    const std::string path = "/tmp/qm-object-fuzz-" + std::to_string(getpid()) + ".txt";
    if (std::FILE* file = std::fopen(path.c_str(), "wb"))
    {
        std::fputs("<HEADER>\nframes 2\nwidth 2\nheight 1\n</HEADER>\n<BODY>\nab\nend\ncd\nend\n</BODY>\n", file);
        std::fclose(file);
    }
    qm::ResourceManager::getInstance().startUp();
    qm::ResourceManager::getInstance().loadSprite(path, "fish");
    std::remove(path.c_str());
}

void check(bool condition)
{
    if (!condition)
    {
        __builtin_trap();
    }
}

template <typename T> void fuzzOne(const std::string& text)
{
    T* object = new T;
    check(object->deserialize(text) == 0);
    check(object->getAltitude() >= 0 && object->getAltitude() <= qm::MAX_ALTITUDE);
    check(object->getSolidness() >= qm::HARD && object->getSolidness() <= qm::SPECTRAL);
    const std::string full = object->serialize("ALL");
    check(!object->isModified());
    T* copy = new T;
    copy->deserialize(full);
    check(copy->serialize("ALL") == full);
    // Objects the world holds may be deleted directly: the destructor takes them out of it.
    delete copy;
    delete object;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (setUpOnce(), true);
    (void)ready;
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzzOne<qm::Object>(text);
    fuzzOne<qm::ViewObject>(text);
    return 0;
}
