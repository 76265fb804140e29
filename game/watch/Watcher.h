#ifndef GAME_WATCHER_H
#define GAME_WATCHER_H

#include <qm/Object.h>

#include <map>
#include <string>

struct WatchMessage;

/// The watching end of a served game: connects to it, keeps one copy (Mirror or MirrorView)
/// per object the game reports, and brings them up to date from each record
/// (WatchMessage). The game is an untrusted peer: malformed records are logged and
/// dropped, and at most MAX_COPIES copies are made. When the game closes the connection the
/// program ends; Q ends it too. Created by the quillmere-watch entry; owned by the world.
class Watcher : public qm::Object
{
public:
    /// Most copies at once; records for further objects are refused with a log line.
    static constexpr int MAX_COPIES = 10000;

    /// Connects to the game at `host`:`port` (empty: the configuration's "network_port").
    Watcher(const std::string& host, const std::string& port);

    /// True when the connection was made and is still open.
    bool isConnected() const { return connected; }

    /// Network events apply the game's records; Q ends the program.
    int eventHandler(const qm::Event* event) override;

    /// Draws nothing.
    int draw() override { return 0; }

    /// Applies one record body. Returns 0, or -1 (logged) when it is malformed or refused.
    int apply(const std::string& body);

    /// With a path, every step record rewrites that file with each copy's whole attribute
    /// text, one line per copy in id order (for comparing with the game). Empty: none.
    void setCopiesFile(const std::string& file) { copiesFile = file; }

    /// Writes the copies as setCopiesFile describes. Returns 0, or -1 when it cannot.
    int writeCopies(const std::string& file) const;

    int getCopyCount() const { return static_cast<int>(copies.size()); }

    /// True when a copy of the game's object `gameId` exists, and carries that id.
    bool hasCopy(int gameId) const
    {
        const auto found = copies.find(gameId);
        return found != copies.end() && found->second->getId() == gameId;
    }

    /// The last step the game completed; -1 before the first.
    int getStep() const { return step; }

private:
    int refuse(const char* why, const std::string& body);

    bool connected = false;
    int step = -1;
    int refusals = 0;
    std::map<int, qm::Object*> copies; // by the game's id; owned by the world
    std::string copiesFile;
};

#endif
