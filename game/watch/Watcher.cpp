#include "Watcher.h"

#include "Mirror.h"
#include "MirrorView.h"
#include "WatchMessage.h"

#include <qm/EventKeyboard.h>
#include <qm/EventNetwork.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/WorldManager.h>

#include <cstdio>
#include <cstdlib>

namespace
{
// Log lines for refused records stop after this many: a hostile game must not fill the disk.
constexpr int MAX_REFUSAL_LINES = 20;

// The value of `key` in an attribute text, or an empty text.
std::string valueOf(const std::string& text, const std::string& key)
{
    std::size_t at = text.compare(0, key.size() + 1, key + ":") == 0 ? 0 : text.find("," + key + ":");
    if (at == std::string::npos)
    {
        return "";
    }
    at = text.find(':', at) + 1;
    const std::size_t end = text.find(',', at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}
} // namespace

Watcher::Watcher(const std::string& host, const std::string& port)
{
    setType("Watcher");
    setSolidness(qm::SPECTRAL);
    setVisible(false);
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    if (network.connect(host, port) < 0)
    {
        qm::LogManager::getInstance().writeLog("Watcher::Watcher(): Error! No game to watch at %s.", host.c_str());
        return;
    }
    connected = true;
    registerInterest(qm::EVENT_NETWORK);
    registerInterest(qm::EVENT_KEYBOARD);
}

int Watcher::eventHandler(const qm::Event* event)
{
    if (const auto* key = dynamic_cast<const qm::EventKeyboard*>(event))
    {
        if (key->getKey() == qm::Q && key->getKeyboardAction() == qm::KEY_PRESS)
        {
            qm::GameManager::getInstance().setGameOver(true);
        }
        return 1;
    }
    const auto* network = dynamic_cast<const qm::EventNetwork*>(event);
    if (network == nullptr)
    {
        return 0;
    }
    if (network->getLabel() == qm::NETWORK_CLOSE)
    {
        qm::LogManager::getInstance().writeLog("Watcher::eventHandler(): The game closed the connection.");
        connected = false;
        qm::GameManager::getInstance().setGameOver(true);
    }
    else if (network->getLabel() == qm::NETWORK_DATA)
    {
        std::string body;
        if (qm::NetworkManager::getInstance().receive(network->getSocketIndex(), body) > 0)
        {
            apply(body);
        }
    }
    return 1;
}

int Watcher::refuse(const char* why, const std::string& body)
{
    if (++refusals <= MAX_REFUSAL_LINES)
    {
        qm::LogManager::getInstance().writeLog("Watcher::apply(): Warning! %s; record ignored: '%.40s'", why,
                                               body.c_str());
    }
    return -1;
}

int Watcher::apply(const std::string& body)
{
    const WatchMessage message = WatchMessage::parse(body);
    switch (message.kind)
    {
    case WatchMessage::STEP:
        step = message.number;
        if (!copiesFile.empty())
        {
            writeCopies(copiesFile);
        }
        return 0;
    case WatchMessage::DELETION:
    {
        const auto found = copies.find(message.number);
        if (found == copies.end())
        {
            return refuse("deletion of an unknown object", body);
        }
        qm::WorldManager::getInstance().markForDelete(found->second);
        copies.erase(found);
        return 0;
    }
    case WatchMessage::OBJECT:
    case WatchMessage::VIEW:
        break;
    default:
        return refuse("malformed record", body);
    }

    // The text decides the copy's id and interests: keep both within what this side allows.
    const std::string textId = valueOf(message.attributes, "id");
    if (!textId.empty() && textId != std::to_string(message.number))
    {
        return refuse("attribute id differs from the record's", body);
    }
    const std::string events = valueOf(message.attributes, "event_count");
    if (events.size() > 3 || (!events.empty() && std::atoi(events.c_str()) > qm::MAX_OBJ_EVENTS))
    {
        return refuse("too many events", body);
    }
    const bool isView = message.kind == WatchMessage::VIEW;
    auto found = copies.find(message.number);
    if (found == copies.end())
    {
        if (static_cast<int>(copies.size()) >= MAX_COPIES)
        {
            return refuse("too many objects", body);
        }
        qm::Object* copy = isView ? static_cast<qm::Object*>(new MirrorView) : new Mirror;
        found = copies.emplace(message.number, copy).first;
    }
    // A new copy takes the record's id whatever its text holds (the first of two pairs wins).
    const std::string text =
        textId.empty() ? "id:" + std::to_string(message.number) + "," + message.attributes : message.attributes;
    if (auto* view = dynamic_cast<MirrorView*>(found->second))
    {
        return view->apply(text);
    }
    return static_cast<Mirror*>(found->second)->apply(text);
}

int Watcher::writeCopies(const std::string& file) const
{
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (out == nullptr)
    {
        return -1;
    }
    for (const auto& entry : copies)
    {
        std::fprintf(out, "%s\n", entry.second->serialize("ALL").c_str());
    }
    std::fclose(out);
    return 0;
}
