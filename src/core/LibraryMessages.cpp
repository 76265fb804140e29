#include "core/LibraryMessages.h"

#include <qm/LogManager.h>

#include <SFML/System/Err.hpp>

namespace qm
{

namespace
{
// Enough for every distinct message a run produces; beyond it repeats are simply logged.
constexpr std::size_t MAX_REMEMBERED = 256;
} // namespace

void LibraryMessages::start()
{
    if (active)
    {
        return;
    }
    previous = sf::err().rdbuf(this);
    active = true;
}

void LibraryMessages::stop()
{
    if (!active)
    {
        return;
    }
    flushLine();
    sf::err().rdbuf(previous);
    active = false;
}

int LibraryMessages::overflow(int c)
{
    if (c == traits_type::eof())
    {
        return 0;
    }
    if (c == '\n')
    {
        flushLine();
    }
    else
    {
        line += static_cast<char>(c);
    }
    return c;
}

int LibraryMessages::sync()
{
    return 0;
}

void LibraryMessages::flushLine()
{
    if (line.empty())
    {
        return;
    }
    if (seen.count(line) == 0)
    {
        LogManager::getInstance().writeLog("SFML: %s", line.c_str());
        if (seen.size() < MAX_REMEMBERED)
        {
            seen.insert(line);
        }
    }
    line.clear();
}

} // namespace qm
