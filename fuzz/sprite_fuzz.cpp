// Feeds arbitrary bytes to the sprite-file loader (through a real file, as the game loads
// its sprites) with every detail line of the log formatted. It may not crash, hang, leak,
// read out of bounds or use unbounded memory; a sprite it accepts must be whole: as many
// frames as announced, each exactly width x height characters (code points of valid UTF-8),
// and an animation of it must stay within its frames.
#include "core/Utf8.h"

#include <qm/Animation.h>
#include <qm/LogManager.h>
#include <qm/ResourceManager.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
std::string spritePath;

void setUpOnce()
{
    spritePath = "/tmp/qm-sprite-fuzz-" + std::to_string(getpid()) + ".txt";
    setenv("QUILLMERE_LOG", "/dev/null", 1);
    qm::LogManager& log = qm::LogManager::getInstance();
    log.startUp(); // keeps the reports off the terminal
    log.setLogLevel(15);
}

void check(bool condition)
{
    if (!condition)
    {
        __builtin_trap();
    }
}

void checkSprite(qm::Sprite& sprite)
{
    check(sprite.getFrameCount() == sprite.getMaxFrameCount());
    check(sprite.getFrameCount() > 0);
    const auto cells = static_cast<std::size_t>(sprite.getWidth()) * static_cast<std::size_t>(sprite.getHeight());
    for (int i = 0; i < sprite.getFrameCount(); ++i)
    {
        const qm::Frame frame = sprite.getFrame(i);
        check(frame.getWidth() == sprite.getWidth() && frame.getHeight() == sprite.getHeight());
        // Rows are read as UTF-8: the frame holds width x height valid characters.
        check(qm::utf8::countCodePoints(frame.getString()) == cells);
        check(qm::utf8::findMalformed(frame.getString()) == std::string::npos);
    }
    // Drawing fails (no display is started) but the animation still steps through frames.
    qm::Animation animation;
    animation.setSprite(&sprite);
    for (int step = 0; step < 8; ++step)
    {
        animation.draw(qm::Vector(3.5f, 2.0f));
        check(animation.getIndex() >= 0 && animation.getIndex() < sprite.getFrameCount());
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (setUpOnce(), true);
    (void)ready;
    if (std::FILE* file = std::fopen(spritePath.c_str(), "wb"))
    {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    resources.startUp();
    if (resources.loadSprite(spritePath, "fuzz") == 0)
    {
        qm::Sprite* sprite = resources.getSprite("fuzz");
        check(sprite != nullptr);
        checkSprite(*sprite);
    }
    else
    {
        check(resources.getSprite("fuzz") == nullptr);
    }
    resources.shutDown(); // every input starts from an empty manager
    return 0;
}
