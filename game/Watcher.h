#ifndef GAME_WATCHER_H
#define GAME_WATCHER_H

#include <qm/Object.h>

#include <map>
#include <string>

struct WatchMessage;

/// The watching end of a served game: connects to it, keeps one copy (Mirror or MirrorView)
/// per object the game reports, and brings them up to date from each record
/// (WatchMessage). The game is an untrusted peer: malformed records are logged and
/// dropped, at most MAX_COPIES copies are made, and their texts (types, event names, view
/// labels) together take at most the text budget. Log lines caused by a record count
/// against the game's share of the log (LogManager::beginPeer). When the game closes the
/// connection the program ends; Q ends it too. Created by the quillmere-watch entry; owned
/// by the world.
class Watcher : public qm::Object
{
public:
    /// Most copies at once; records for further objects are refused with a log line.
    static constexpr int MAX_COPIES = 10000;

    /// Default bound on the bytes of all copies' texts: 4 MiB (the game's own need a few kB).
    static constexpr long long DEFAULT_TEXT_BUDGET = 4 * 1024 * 1024;

    /// Connects to the game at `host`:`port` (empty: the configuration's "network_port").
    Watcher(const std::string& host, const std::string& port);

    /// True when the connection was made and is still open.
    bool isConnected() const { return connected; }

    /// Network events apply the game's records; Q ends the program.
    int eventHandler(const qm::Event* event) override;

    /// Draws nothing.
    int draw() override { return 0; }

    /// Applies one record body. Returns 0, or -1 (logged) when it is malformed or refused.
    /// A record that takes the copies' texts past the budget is refused and its copy removed.
    int apply(const std::string& body);

    /// Bound on the bytes of all copies' texts (at least 0). Copies already over it stay
    /// until their next record.
    void setTextBudget(long long bytes) { textBudget = bytes < 0 ? 0 : bytes; }
    long long getTextBudget() const { return textBudget; }

    /// The bytes the copies' texts take now.
    long long getTextBytes() const { return textBytes; }

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
        return found != copies.end() && found->second.object->getId() == gameId;
    }

    /// The last step the game completed; -1 before the first.
    int getStep() const { return step; }

private:
    struct Copy
    {
        qm::Object* object = nullptr; // owned by the world
        long long textBytes = 0;      // what its texts take
    };

    int applyRecord(const std::string& body);
    int refuse(const char* why, const std::string& body);
    void removeCopy(std::map<int, Copy>::iterator copy);

    bool connected = false;
    int step = -1;
    std::string peer;           // names the game in the log's per-peer count
    std::map<int, Copy> copies; // by the game's id
    long long textBudget = DEFAULT_TEXT_BUDGET;
    long long textBytes = 0;
    std::string copiesFile;
};

#endif
