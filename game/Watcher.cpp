#include "Watcher.h"

#include "Mirror.h"
#include "MirrorView.h"
#include "WatchMessage.h"

#include <qm/EventKeyboard.h>
#include <qm/EventNetwork.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <cstdio>
#include <cstdlib>

namespace
{
// The bytes of a copy's texts: its type, its interests' names and a view object's label.
long long textSize(qm::Object& copy)
{
    std::size_t bytes = copy.getType().size() + copy.serialize("EVENTS,").size();
    if (const auto* view = dynamic_cast<const qm::ViewObject*>(&copy))
    {
        bytes += view->getViewString().size();
    }
    return static_cast<long long>(bytes);
}

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

Watcher::Watcher(const std::string& host, const std::string& port) : peer("the game at " + host)
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
    qm::LogManager::getInstance().writeLog("Watcher::apply(): Warning! %s; record ignored: '%.40s' (%zu bytes)", why,
                                           body.c_str(), body.size());
    return -1;
}

void Watcher::removeCopy(std::map<int, Copy>::iterator copy)
{
    textBytes -= copy->second.textBytes;
    qm::WorldManager::getInstance().markForDelete(copy->second.object);
    copies.erase(copy);
}

int Watcher::apply(const std::string& body)
{
    // Whatever the record makes the engine write counts against the game's share of the log.
    qm::LogManager& log = qm::LogManager::getInstance();
    log.beginPeer(peer);
    const int result = applyRecord(body);
    log.endPeer();
    return result;
}

int Watcher::applyRecord(const std::string& body)
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
        removeCopy(found);
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
        Copy copy;
        copy.object = isView ? static_cast<qm::Object*>(new MirrorView) : new Mirror;
        found = copies.emplace(message.number, copy).first;
    }
    // A new copy takes the record's id whatever its text holds (the first of two pairs wins).
    const std::string text =
        textId.empty() ? "id:" + std::to_string(message.number) + "," + message.attributes : message.attributes;
    qm::Object& object = *found->second.object;
    if (auto* view = dynamic_cast<MirrorView*>(&object))
    {
        view->apply(text);
    }
    else
    {
        static_cast<Mirror&>(object).apply(text);
    }
    // Measured after the fact: a copy whose texts take the total past the budget goes, so
    // the texts held never exceed it by more than one record's.
    const long long size = textSize(object);
    textBytes += size - found->second.textBytes;
    found->second.textBytes = size;
    if (textBytes > textBudget)
    {
        removeCopy(found);
        return refuse("copies' texts past their budget", body);
    }
    return 0;
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
        std::fprintf(out, "%s\n", entry.second.object->serialize("ALL").c_str());
    }
    std::fclose(out);
    return 0;
}
