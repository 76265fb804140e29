// The reader of sprite files. Private to the engine.
#ifndef QM_SPRITEFILE_H
#define QM_SPRITEFILE_H

#include <qm/ResourceManager.h>

#include <iosfwd>
#include <memory>
#include <string>

namespace qm
{

// Reads one sprite file: its three sections, the header's keys and the body's frames. It
// counts the lines it reads, from 1, so that every message names the line of the file at
// fault; the reading steps advance the count as the free functions of ResourceManager.h say.
class SpriteFile
{
public:
    // A reader of `input` whose last line read was number `lastLine`.
    explicit SpriteFile(std::istream& input, int lastLine = 0) : file(input), lineNumber(lastLine) {}

    // Reads the three sections: the sprite, or null once the reason has been logged (the
    // caller adds the "not loaded" line).
    std::unique_ptr<Sprite> read();

    LineList readData(const std::string& name);
    int matchLineInt(LineList& lines, const std::string& key);
    std::string matchLineStr(LineList& lines, const std::string& key);
    Frame readFrame(LineList& lines, int width, int height);

    // The number of the line read last.
    int getLineNumber() const { return lineNumber; }

private:
    std::istream& file;
    int lineNumber;
};

} // namespace qm

#endif
