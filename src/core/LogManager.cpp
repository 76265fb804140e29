#include "platform/Platform.h"

#include <qm/Config.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/utility.h>

#include <algorithm>

namespace qm
{

LogManager::LogManager()
{
    setType("LogManager");
}

LogManager::~LogManager()
{
    if (file != nullptr)
    {
        std::fclose(file);
        file = nullptr;
    }
}

LogManager& LogManager::getInstance()
{
    static LogManager instance;
    return instance;
}

int LogManager::startUp()
{
    if (isStarted())
    {
        writeLog("LogManager::startup(): Warning! LogManager already started.");
        return -1;
    }
    std::string name;
    if (!platform::getEnvironment("QUILLMERE_LOG", name))
    {
        name = Config::getInstance().getLogFile();
    }
    fileName = name;
    file = std::fopen(name.c_str(), "w");
    if (file == nullptr)
    {
        writeLog("LogManager::startup(): Warning! Unable to open file '%s'.", name.c_str());
        return -1;
    }
    Manager::startUp();
    writeLog(5, "LogManager::startUp(): successfully started.");
    return 0;
}

void LogManager::shutDown()
{
    for (auto& entry : peers)
    {
        reportSuppressed(entry.first, entry.second);
    }
    peers.clear();
    peerScopes.clear();
    Manager::shutDown();
    writeLog(5, "LogManager::shutDown(): successfully stopped.");
    if (file != nullptr)
    {
        std::fclose(file);
        file = nullptr;
    }
}

void LogManager::setFlush(bool flush)
{
    doFlush = flush;
    if (doFlush && file != nullptr)
    {
        std::fflush(file);
    }
}

int LogManager::writeLog(int level, const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    const int result = writeLine(level, format, args);
    va_end(args);
    return result;
}

int LogManager::writeLog(const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    const int result = writeLine(logLevel, format, args);
    va_end(args);
    return result;
}

namespace
{
constexpr std::int64_t QUOTA_WINDOW_MICROSECONDS = 1000000;
// Peers remembered at most; past it, those whose second is over are forgotten (their counts
// written first).
constexpr std::size_t MAX_PEERS = 256;
} // namespace

void LogManager::beginPeer(const std::string& peer)
{
    if (peers.size() >= MAX_PEERS)
    {
        const std::int64_t now = platform::monotonicMicroseconds();
        for (auto it = peers.begin(); it != peers.end();)
        {
            const bool inScope = std::find(peerScopes.begin(), peerScopes.end(), it->first) != peerScopes.end();
            if (!inScope && now - it->second.windowStart >= QUOTA_WINDOW_MICROSECONDS)
            {
                reportSuppressed(it->first, it->second);
                it = peers.erase(it);
            }
            else
            {
                ++it;
            }
        }
    }
    peerScopes.push_back(peer);
}

void LogManager::endPeer()
{
    if (peerScopes.empty())
    {
        return;
    }
    const auto found = peers.find(peerScopes.back());
    if (found != peers.end() &&
        platform::monotonicMicroseconds() - found->second.windowStart >= QUOTA_WINDOW_MICROSECONDS)
    {
        reportSuppressed(found->first, found->second);
    }
    peerScopes.pop_back();
}

void LogManager::reportSuppressed(const std::string& peer, PeerQuota& quota) const
{
    if (quota.suppressed > 0)
    {
        emitLine("LogManager::writeLog(): %d more lines caused by %s were not written (at most %d a second).",
                 quota.suppressed, peer.c_str(), PEER_LINES_PER_SECOND);
        quota.suppressed = 0;
    }
}

int LogManager::writeLine(int level, const char* format, va_list args) const
{
    if (level > logLevel)
    {
        return 0;
    }
    if (!peerScopes.empty())
    {
        PeerQuota& quota = peers[peerScopes.back()];
        const std::int64_t now = platform::monotonicMicroseconds();
        if (now - quota.windowStart >= QUOTA_WINDOW_MICROSECONDS)
        {
            reportSuppressed(peerScopes.back(), quota);
            quota.windowStart = now;
            quota.written = 0;
        }
        if (quota.written >= PEER_LINES_PER_SECOND)
        {
            ++quota.suppressed;
            return 0;
        }
        ++quota.written;
    }
    return emit(format, args);
}

int LogManager::emitLine(const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    const int result = emit(format, args);
    va_end(args);
    return result;
}

int LogManager::emit(const char* format, va_list args) const
{
    std::FILE* out = file != nullptr ? file : stderr;
    bool failed = false;
    if (logTimeString && std::fprintf(out, "%s ", getTimeString()) < 0)
    {
        failed = true;
    }
    if (logStepCount && std::fprintf(out, "%4d ", GameManager::getInstance().getStepCount()) < 0)
    {
        failed = true;
    }
    const int written = std::vfprintf(out, format, args);
    if (written < 0 || std::fputc('\n', out) == EOF)
    {
        failed = true;
    }
    if (doFlush)
    {
        std::fflush(out);
    }
    return failed ? -1 : written;
}

} // namespace qm
