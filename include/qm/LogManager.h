#ifndef QM_LOGMANAGER_H
#define QM_LOGMANAGER_H

#include <qm/Manager.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define QM_PRINTF_FORMAT(formatIndex, firstArg) __attribute__((format(printf, formatIndex, firstArg)))
#else
#define QM_PRINTF_FORMAT(formatIndex, firstArg)
#endif

namespace qm
{

/// The engine's single text log. Each line is prefixed with the local time "hh:mm:ss " and
/// the game loop's step count as "%4d ". The file is "quillmere.log" unless the
/// configuration's "logfile" or the environment variable "QUILLMERE_LOG" names another;
/// it is truncated at start-up. Before startUp and after shutDown lines go to standard
/// error.
///
///     LogManager& log = LogManager::getInstance();
///     log.writeLog("Player::step(): speed %f", speed);     // always written
///     log.writeLog(10, "Player::step(): detail %d", n);    // only when level 10 is enabled
class LogManager : public Manager
{
public:
    static LogManager& getInstance();
    ~LogManager() override;

    /// Opens the log file. Returns -1 (reported on standard error) when it cannot be
    /// opened, and -1 with a warning in the log when already started.
    int startUp() override;

    /// Writes the closing line and closes the file.
    void shutDown() override;

    /// printf-style line written only when `level` is at most the log level. Returns the
    /// number of characters of the message, 0 when suppressed, -1 when a write failed.
    int writeLog(int level, const char* format, ...) const QM_PRINTF_FORMAT(3, 4);

    /// printf-style line that is always written. Same result as the levelled form.
    int writeLog(const char* format, ...) const QM_PRINTF_FORMAT(2, 3);

    /// Flush the file after every line (so that the log is complete after a crash).
    /// Switching it on also flushes what is buffered already.
    void setFlush(bool flush = true);

    /// Most lines a second written on behalf of one peer (see beginPeer).
    static constexpr int PEER_LINES_PER_SECOND = 20;

    /// Lines written from beginPeer(peer) to the matching endPeer() are caused by `peer`, an
    /// outside party such as the other end of a connection, named by a short text. At most
    /// PEER_LINES_PER_SECOND of them are written in any second; the others are counted, and
    /// the count is written in one line ("... 57 more lines caused by <peer> were not
    /// written ...") once the second is over: before the peer's next line, at endPeer, or
    /// at shutDown. Scopes nest; a line counts against the innermost one. Whatever a peer
    /// sends, its lines then take a bounded share of the log.
    ///
    ///     log.beginPeer("127.0.0.1");
    ///     object->deserialize(textFromThePeer);   // its warnings count against the peer
    ///     log.endPeer();
    void beginPeer(const std::string& peer);
    void endPeer();

    /// Lines written with a level above this are dropped. 0 by default: only the
    /// unconditional form is written. Raise it to trace the engine (levels 1 to 30).
    void setLogLevel(int level) { logLevel = level; }
    int getLogLevel() const { return logLevel; }

    /// The name of the file the last startUp opened (or tried to open); empty before any.
    const std::string& getFileName() const { return fileName; }

private:
    LogManager();
    int writeLine(int level, const char* format, va_list args) const QM_PRINTF_FORMAT(3, 0);
    int emit(const char* format, va_list args) const QM_PRINTF_FORMAT(2, 0);
    int emitLine(const char* format, ...) const QM_PRINTF_FORMAT(2, 3);

    // One peer's allowance: lines written in the second that began at windowStart, and those
    // left out since its last count was written.
    struct PeerQuota
    {
        std::int64_t windowStart = 0;
        int written = 0;
        int suppressed = 0;
    };
    // Writes the count of lines left out for `peer` when there is one, and clears it.
    void reportSuppressed(const std::string& peer, PeerQuota& quota) const;
    mutable std::map<std::string, PeerQuota> peers;
    std::vector<std::string> peerScopes;

    bool doFlush = false;
    int logLevel = 0;
    bool logTimeString = true;
    bool logStepCount = true;
    std::FILE* file = nullptr;
    std::string fileName;
};

} // namespace qm

#endif
