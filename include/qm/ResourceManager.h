#ifndef QM_RESOURCEMANAGER_H
#define QM_RESOURCEMANAGER_H

#include <qm/Frame.h>
#include <qm/Manager.h>
#include <qm/Music.h>
#include <qm/Sound.h>
#include <qm/Sprite.h>

#include <iosfwd>
#include <list>
#include <memory>
#include <string>

namespace qm
{

constexpr int MAX_SPRITES = 1000;
constexpr int MAX_SOUNDS = 100;
constexpr int MAX_MUSICS = 50;

/// Bounds on what the sprite reader keeps in memory, so that no file (a runaway line, a
/// device such as /dev/zero, a section of millions of lines) can exhaust it. The biggest
/// legitimate sprite is far below them: a line holds at most MAX_SPRITE_LINE_LENGTH
/// characters (after a final carriage return is removed), and one section at most
/// MAX_SECTION_LINES lines and MAX_SECTION_CHARACTERS characters. A file past a limit is
/// refused with a log line naming it.
constexpr int MAX_SPRITE_LINE_LENGTH = 65536;
constexpr int MAX_SECTION_LINES = 65536;
constexpr int MAX_SECTION_CHARACTERS = 16 * 1024 * 1024;

/// Owns every loaded sprite, sound and piece of music, each registered under a label and
/// found again by it (the first match in load order). Pointers handed out stay valid until
/// shutDown (sprites) or the end of the program (sounds, music). At most 1000 sprites, 100
/// sounds and 50 pieces of music; a failed load changes nothing.
///
///     ResourceManager& resources = ResourceManager::getInstance();
///     resources.loadSprite("sprites/player-spr.txt", "player");
///     resources.loadSound("Audio/Impact.wav", "impact");
///     if (Sound* impact = resources.getSound("impact"))
///         impact->play();
///
/// Sound and music objects are created on their first load, so a program that loads no
/// audio never opens the audio device. Without a device, audio still loads (the files are
/// decoded and checked) and plays silently; the log says so once per run.
class ResourceManager : public Manager
{
public:
    static ResourceManager& getInstance();
    ~ResourceManager() override;

    /// Clears the counts. Returns 0.
    int startUp() override;

    /// Destroys every sprite and stops every sound and piece of music.
    void shutDown() override;

    /// Reads a sprite file (format: see the README) and registers the sprite under `label`.
    /// Returns 0, or -1 with the reason and "ResourceManager::loadSprite(): Sprite '<label>'
    /// not loaded." in the log; a refused file leaves every earlier sprite and the count as
    /// they were. Messages about the file name its line numbers (from 1).
    int loadSprite(std::string filename, std::string label);

    /// The sprite with that label, or null (with a warning in the log).
    Sprite* getSprite(std::string label) const;

    /// Decodes a sound file (any format the audio library reads) into the next free sound.
    /// Returns 0, or -1 with a log line (not started, 100 sounds already, unreadable file).
    int loadSound(std::string filename, std::string label);

    /// The sound with that label, or null (with a warning in the log).
    Sound* getSound(std::string label) const;

    /// Opens a music file for streaming into the next free music slot. Returns 0, or -1
    /// with a log line (not started, 50 pieces already, empty label, unreadable file).
    int loadMusic(std::string filename, std::string label);

    /// The music with that label, or null (with a warning in the log).
    Music* getMusic(std::string label) const;

private:
    ResourceManager();

    /// Writes, once per run, that audio will be silent when there is no output device.
    void reportSilentAudio(const char* origin);

    std::unique_ptr<Sprite> sprites[MAX_SPRITES];
    int spriteCount = 0;
    std::unique_ptr<Sound> sounds[MAX_SOUNDS];
    int soundCount = 0;
    std::unique_ptr<Music> music[MAX_MUSICS];
    int musicCount = 0;
    bool silentAudioReported = false;
};

/// Lines of one sprite-file section; consumed from the front as they are read.
using LineList = std::list<std::string>;

/// The shared line counter of the sprite reader: the number (from 1) of the file line
/// being read. loadSprite sets it to 0 when it opens a file; the functions below advance it.
int getLineNumber();
void setLineNumber(int number);

/// The next line of `file` without its newline and without one final carriage return.
/// At end of file, on a read error, or past MAX_SPRITE_LINE_LENGTH characters it logs the
/// reason and returns an empty string (a line without a final newline is lost this way).
std::string getLine(std::istream& file);

/// Reads the section `<name>` ... `</name>` and returns its lines (the tags excluded).
/// Returns an empty list with a log line when the opening tag is not the next line, when
/// an empty line or the end of the file comes before the closing tag, or when the section
/// is larger than MAX_SECTION_LINES lines or MAX_SECTION_CHARACTERS characters.
LineList readData(std::istream& file, const std::string& name);

/// Value of the lines beginning with `key` (the character after the key is skipped, the
/// rest read as a leading integer, clamped to int): the last such line wins, and each is
/// removed from `lines`. -1 when no line matches or the last match has no value at all.
int matchLineInt(LineList& lines, const std::string& key);

/// As matchLineInt, the value as text; empty when absent.
std::string matchLineStr(LineList& lines, const std::string& key);

/// Takes `height` rows of exactly `width` characters and then the line "end" from the
/// front of `lines`. Returns the frame, or the empty frame with a log line naming the
/// line at fault.
Frame readFrame(LineList& lines, int width, int height);

} // namespace qm

#endif
