#ifndef GAME_WATCHMESSAGE_H
#define GAME_WATCHMESSAGE_H

#include <string>

/// The vocabulary between a game that serves its world (WorldServer) and its watchers
/// (Watcher), in one place. Each network message body is one record; the first character
/// says what it is:
///
///     O<id>|<attribute text>   an object's state: every attribute the first time a watcher
///                              hears of the object, then only what changed
///     V<id>|<attribute text>   the same for a view object (a labelled value on the screen)
///     D<id>                    the object with that id was deleted
///     S<step>                  the game step whose records came before it is complete
///
/// Ids and steps are decimal, 0 to 999,999,999. The attribute text is the engine's
/// serialization of the object; a watcher applies it to its own copy.
struct WatchMessage
{
    enum Kind : char
    {
        INVALID = 0,
        OBJECT = 'O',
        VIEW = 'V',
        DELETION = 'D',
        STEP = 'S',
    };

    static std::string object(int id, const std::string& attributes);
    static std::string view(int id, const std::string& attributes);
    static std::string deletion(int id);
    static std::string step(int step);

    /// Reads one record. A malformed one (unknown kind, a number missing, out of range or
    /// followed by anything but what its kind allows) gives kind INVALID.
    static WatchMessage parse(const std::string& body);

    Kind kind = INVALID;
    int number = 0;         ///< the id, or the step
    std::string attributes; ///< for OBJECT and VIEW
};

#endif
