#ifndef GAME_WORLDSERVER_H
#define GAME_WORLDSERVER_H

#include <qm/EventKeyboard.h>
#include <qm/Object.h>

#include <set>
#include <vector>

/// Serves the game's world to watchers (quillmere-watch) over the network manager: a
/// watcher that connects gets every object's whole state at the next step, then each step
/// what changed, the ids of deleted objects and the step number (WatchMessage). Watchers
/// only listen: what they send is read and dropped, and one that leaves or stops reading
/// changes nothing for the player. Created by the program entry when "networking" is true;
/// owned by the world, and spared by the clean-up at the end of each game.
class WorldServer : public qm::Object
{
public:
    /// Most watchers at once.
    static constexpr int MAX_WATCHERS = 8;

    /// Listens on the configured address and port; when that fails (logged) it serves nobody.
    /// A press of `pauseKey` serves the world at once, so that watchers see what the paused
    /// game shows.
    explicit WorldServer(int pauseKey = qm::F10);

    /// Step events and the pause key serve the world; network events keep the list of watchers.
    int eventHandler(const qm::Event* event) override;

    /// Draws nothing.
    int draw() override { return 0; }

    /// Serves one step: what every watcher must hear of the world now. Called on each step
    /// event; public so that a benchmark can measure it.
    void serve(int step);

private:
    void broadcast(const std::string& message, bool toNewcomers, bool toOthers);

    int pauseKey;
    // One entry per connection, by socket index: false until it had the whole world.
    std::vector<bool> current;
    // Ids the watchers have heard of and not yet heard deleted.
    std::set<int> served;
};

#endif
