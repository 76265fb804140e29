// Routes the window and audio library's own error stream into the engine log.
#ifndef QM_LIBRARYMESSAGES_H
#define QM_LIBRARYMESSAGES_H

#include <set>
#include <streambuf>
#include <string>

namespace qm
{

/// A stream buffer that writes each complete line to the log once, prefixed "SFML: ".
/// A message the library repeats (one per sound voice when there is no audio device, for
/// instance) reaches the log only the first time.
class LibraryMessages : public std::streambuf
{
public:
    /// Sends the library's error stream here until stop() (idempotent).
    void start();
    /// Gives the library's error stream back to standard error, flushing a partial line.
    void stop();

protected:
    int overflow(int c) override;
    int sync() override;

private:
    void flushLine();

    std::string line;
    std::set<std::string> seen;
    std::streambuf* previous = nullptr;
    bool active = false;
};

} // namespace qm

#endif
