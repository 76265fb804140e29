#include "core/Utf8.h"

#include <qm/CastRecorder.h>
#include <qm/LogManager.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace qm
{

CastRecorder& CastRecorder::getInstance()
{
    static CastRecorder instance;
    return instance;
}

CastRecorder::~CastRecorder()
{
    if (file != nullptr)
    {
        std::fclose(file);
    }
}

void CastRecorder::recordTo(const std::string& castPath)
{
    finish();
    path = castPath;
}

int CastRecorder::begin(int width, int height, const std::string& title, int frameMilliseconds)
{
    if (path.empty())
    {
        return 0;
    }
    if (file != nullptr)
    {
        std::fclose(file);
    }
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        LogManager::getInstance().writeLog(
            "CastRecorder::begin(): Error! cannot write recording '%s': %s. Not recording.", path.c_str(),
            std::strerror(errno));
        return -1;
    }
    written = 0;
    frames = 0;
    anyShown = false;
    frameTime = frameMilliseconds > 0 ? frameMilliseconds : 0;
    write("{\"version\": 2, \"width\": " + std::to_string(width) + ", \"height\": " + std::to_string(height) +
          ", \"timestamp\": " + std::to_string(static_cast<long long>(std::time(nullptr))) +
          ", \"title\": " + jsonString(title) + ", \"env\": {\"TERM\": \"xterm-256color\"}}\n");
    if (file == nullptr)
    {
        return -1;
    }
    LogManager::getInstance().writeLog("CastRecorder::begin(): recording the frames to '%s'.", path.c_str());
    return 0;
}

void CastRecorder::addFrame(const CellGrid& grid)
{
    if (file == nullptr)
    {
        return;
    }
    const long long frame = frames++;
    if (grid.getWidth() == 0 || grid.getHeight() == 0)
    {
        return;
    }
    bytes.clear();
    if (!anyShown)
    {
        bytes = "\x1b[?25l"; // no cursor over the picture
    }
    if (writer.write(grid, anyShown ? &shown : nullptr, bytes) == 0 && anyShown)
    {
        return;
    }
    shown = grid;
    anyShown = true;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(frame * frameTime) / 1000.0);
    write(std::string("[") + seconds + ", \"o\", " + jsonString(bytes) + "]\n");
}

void CastRecorder::write(const std::string& text)
{
    if (file == nullptr)
    {
        return;
    }
    const char* why = nullptr;
    if (written + text.size() > MAX_CAST_BYTES)
    {
        why = "the recording reached its largest size";
    }
    else if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
    {
        why = std::strerror(errno);
    }
    if (why == nullptr)
    {
        written += text.size();
        return;
    }
    LogManager::getInstance().writeLog("CastRecorder: Error! cannot write recording '%s': %s. Recording stopped.",
                                       path.c_str(), why);
    std::fclose(file);
    file = nullptr;
}

void CastRecorder::finish()
{
    std::FILE* closing = file;
    file = nullptr;
    if (closing == nullptr)
    {
        return;
    }
    if (std::fclose(closing) != 0)
    {
        LogManager::getInstance().writeLog("CastRecorder::finish(): Error! cannot write recording '%s': %s.",
                                           path.c_str(), std::strerror(errno));
        return;
    }
    LogManager::getInstance().writeLog(1, "CastRecorder::finish(): %lld frames recorded in '%s'.", frames,
                                       path.c_str());
}

std::string CastRecorder::jsonString(const std::string& text)
{
    std::string out = "\"";
    out.reserve(text.size() + text.size() / 4 + 2);
    for (std::size_t at = 0; at < text.size(); ++at)
    {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
        {
            // JSON is UTF-8: a malformed sequence (a title given as Latin-1) becomes U+FFFD.
            const utf8::Decoded decoded = utf8::decodeAt(text, at);
            utf8::append(decoded.ch, out);
            at += decoded.length - 1;
        }
        else if (c == '"' || c == '\\')
        {
            out += '\\';
            out += c;
        }
        else if (byte < 0x20 || byte == 0x7f)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        }
        else
        {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace qm
