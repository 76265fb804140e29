#include "core/Fnv1a.h"

#include <qm/Animation.h>
#include <qm/Config.h>
#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/InputReplay.h>
#include <qm/LogManager.h>
#include <qm/ObjectList.h>
#include <qm/ObjectListIterator.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>

namespace qm
{

InputReplay& InputReplay::getInstance()
{
    static InputReplay instance;
    return instance;
}

InputReplay::~InputReplay()
{
    if (file != nullptr)
    {
        std::fclose(file);
    }
}

void InputReplay::reset()
{
    if (file != nullptr)
    {
        std::fclose(file);
        file = nullptr;
    }
    recordPath.clear();
    replay = ReplayFile();
    playing = false;
    finished = false;
    nextEvent = 0;
    step = 1;
    divergedStep = 0;
}

void InputReplay::recordTo(const std::string& path)
{
    if (file != nullptr)
    {
        std::fclose(file);
        file = nullptr;
    }
    recordPath = path;
}

int InputReplay::playFrom(const std::string& path, std::string& error)
{
    ReplayFile read;
    if (ReplayFile::load(path, read, error) != 0)
    {
        return -1;
    }
    play(read);
    return 0;
}

void InputReplay::play(const ReplayFile& recorded)
{
    replay = recorded;
    playing = true;
    finished = false;
    divergedStep = 0;
}

int InputReplay::begin(int seed)
{
    step = 1;
    nextEvent = 0;
    finished = false;
    divergedStep = 0;
    LogManager& log = LogManager::getInstance();
    if (playing)
    {
        log.writeLog("InputReplay::begin(): replaying %d steps (%zu events).", replay.steps, replay.events.size());
    }
    if (recordPath.empty())
    {
        return 0;
    }
    if (file != nullptr)
    {
        std::fclose(file);
    }
    file = std::fopen(recordPath.c_str(), "wb");
    if (file == nullptr)
    {
        log.writeLog("InputReplay::begin(): Error! cannot write replay file '%s': %s. Not recording.",
                     recordPath.c_str(), std::strerror(errno));
        return -1;
    }
    written = 0;
    const Config& config = Config::getInstance();
    const std::string settings = "random_seed:" + std::to_string(seed) +
                                 ",frame_time:" + std::to_string(config.getFrameTime()) +
                                 ",window_horizontal_chars:" + std::to_string(config.getWindowHorizontalChars()) +
                                 ",window_vertical_chars:" + std::to_string(config.getWindowVerticalChars()) + ",";
    write(ReplayFile::headerText(settings));
    if (file != nullptr)
    {
        log.writeLog("InputReplay::begin(): recording input to '%s'.", recordPath.c_str());
    }
    return file != nullptr ? 0 : -1;
}

void InputReplay::write(const std::string& text)
{
    if (file == nullptr)
    {
        return;
    }
    const char* why = nullptr;
    if (written + text.size() > MAX_REPLAY_BYTES)
    {
        why = "the replay reached its largest size";
    }
    else if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
    {
        why = std::strerror(errno);
    }
    if (why == nullptr)
    {
        written += text.size();
        return;
    }
    stopRecording(why);
}

void InputReplay::stopRecording(const char* why)
{
    LogManager::getInstance().writeLog("InputReplay: Error! cannot write replay file '%s': %s. Recording stopped.",
                                       recordPath.c_str(), why);
    std::fclose(file);
    file = nullptr;
}

void InputReplay::deliverStep(const InputManager& input)
{
    for (; nextEvent < replay.events.size() && replay.events[nextEvent].step == step; ++nextEvent)
    {
        const ReplayEvent& recorded = replay.events[nextEvent];
        if (recorded.mouse)
        {
            EventMouse mouse;
            mouse.setMouseAction(recorded.action);
            mouse.setMouseButton(recorded.code);
            mouse.setMousePosition(Vector(recorded.x, recorded.y));
            input.onEvent(&mouse);
        }
        else
        {
            EventKeyboard keyboard;
            keyboard.setKeyboardAction(recorded.action);
            keyboard.setKey(recorded.code);
            input.onEvent(&keyboard);
        }
    }
}

void InputReplay::noteEvent(const Event* event)
{
    if (file == nullptr)
    {
        return;
    }
    ReplayEvent recorded;
    recorded.step = step;
    if (event->getType() == EVENT_KEYBOARD)
    {
        const auto* keyboard = static_cast<const EventKeyboard*>(event);
        recorded.action = keyboard->getKeyboardAction();
        recorded.code = keyboard->getKey();
    }
    else if (event->getType() == EVENT_MOUSE)
    {
        const auto* mouse = static_cast<const EventMouse*>(event);
        recorded.mouse = true;
        recorded.action = mouse->getMouseAction();
        recorded.code = mouse->getMouseButton();
        recorded.x = mouse->getMousePosition().getX();
        recorded.y = mouse->getMousePosition().getY();
    }
    else
    {
        return;
    }
    write(ReplayFile::eventLine(recorded));
}

void InputReplay::endStep()
{
    GameManager& game = GameManager::getInstance();
    if (playing && (finished || hasDiverged()))
    {
        game.setGameOver(true);
        return;
    }
    if (step % REPLAY_HASH_INTERVAL == 0 && (file != nullptr || playing))
    {
        const std::uint64_t hash = worldHash();
        if (file != nullptr)
        {
            write(ReplayFile::hashLine(step, hash));
            // A full disk shows at the flush at the latest: every 100 steps.
            if (file != nullptr && std::fflush(file) != 0)
            {
                stopRecording(std::strerror(errno));
            }
        }
        else
        {
            const std::uint64_t stored = replay.hashes[static_cast<std::size_t>(step / REPLAY_HASH_INTERVAL - 1)];
            if (hash != stored)
            {
                LogManager::getInstance().writeLog(
                    "InputReplay::endStep(): replay diverged at step %d: stored hash %016" PRIx64
                    ", this game's %016" PRIx64 ".",
                    step, stored, hash);
                divergedStep = step;
                game.setGameOver(true);
                return;
            }
        }
    }
    if (playing && step >= replay.steps)
    {
        LogManager::getInstance().writeLog("InputReplay::endStep(): replay finished after %d steps, every hash equal.",
                                           step);
        finished = true;
        game.setGameOver(true);
    }
    ++step;
}

void InputReplay::finish()
{
    if (file == nullptr)
    {
        return;
    }
    write(ReplayFile::endLine(step - 1));
    std::FILE* closing = file;
    file = nullptr;
    if (closing == nullptr)
    {
        return;
    }
    if (std::fclose(closing) != 0)
    {
        LogManager::getInstance().writeLog("InputReplay::finish(): Error! cannot write replay file '%s': %s.",
                                           recordPath.c_str(), std::strerror(errno));
        return;
    }
    LogManager::getInstance().writeLog(1, "InputReplay::finish(): %d steps recorded in '%s'.", step - 1,
                                       recordPath.c_str());
}

std::uint64_t InputReplay::worldHash()
{
    Fnv1a hash;
    const ObjectList all = WorldManager::getInstance().getAllObjects(true);
    for (ObjectListIterator it(&all); !it.isDone(); it.next())
    {
        const Object* object = it.currentObject();
        const auto* view = dynamic_cast<const ViewObject*>(object);
        if (view == nullptr && !object->isSolid() && object->getAnimation().getSprite() == nullptr)
        {
            // Neither seen nor touched: helpers such as a world server (there only with
            // networking on) or a pause key, which must not make a replay diverge.
            continue;
        }
        hash.add(object->getType());
        hash.add(object->getPosition().getX());
        hash.add(object->getPosition().getY());
        hash.add(object->getVelocity().getX());
        hash.add(object->getVelocity().getY());
        hash.add(static_cast<std::int64_t>(object->getAltitude() * 8 + static_cast<int>(object->getSolidness()) * 2 +
                                           (object->isActive() ? 1 : 0)));
        if (view != nullptr)
        {
            hash.add(static_cast<std::int64_t>(view->getValue()));
        }
    }
    return hash.get();
}

} // namespace qm
