#include "core/Utf8.h"
#include "platform/Platform.h"
#include "serialization/AttributeText.h"

#include <qm/Config.h>
#include <qm/LogManager.h>
#include <qm/match.h>
#include <qm/utility.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qm
{

namespace
{
// No sensible configuration comes near this; a bigger file (or an endless one such as a
// device) is refused rather than read into memory.
constexpr std::size_t MAX_CONFIG_BYTES = 1 << 20;

// The C library's lenient decimal conversion (sign, leading digits, 0 when none), with
// out-of-range values clamped instead of left undefined.
int toInt(const std::string& text)
{
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
    {
        return INT_MAX;
    }
    if (value < INT_MIN)
    {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::string configFileName()
{
    std::string name;
    if (!platform::getEnvironment("QUILLMERE_CONFIG", name))
    {
        name = DEFAULT_CONFIG_FILE;
    }
    return name;
}
} // namespace

Config& Config::getInstance()
{
    static Config instance;
    return instance;
}

std::string Config::readConfig() const
{
    const std::string name = configFileName();
    // Opening a named pipe waits for a writer, and a device or a folder is no text: only a
    // regular file is read, anything else is refused before it is opened.
    std::error_code error;
    const auto status = std::filesystem::status(name, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    {
        LogManager::getInstance().writeLog(
            "Config::readConfig(): Error! '%s' is not a regular file. Using the defaults.", name.c_str());
        return "";
    }
    std::ifstream file(name, std::ios::binary);
    if (!file)
    {
        LogManager::getInstance().writeLog(1, "Config::readConfig(): Cannot open Quillmere configuration file '%s'.",
                                           name.c_str());
        return "";
    }

    std::string contents;
    char chunk[4096];
    while (contents.size() <= MAX_CONFIG_BYTES && file.read(chunk, sizeof(chunk)).gcount() > 0)
    {
        contents.append(chunk, static_cast<std::size_t>(file.gcount()));
    }
    if (contents.size() > MAX_CONFIG_BYTES)
    {
        LogManager::getInstance().writeLog(
            "Config::readConfig(): Error! Configuration file '%s' is larger than %zu bytes. Using the defaults.",
            name.c_str(), MAX_CONFIG_BYTES);
        return "";
    }

    std::string result;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < contents.size())
    {
        std::size_t end = contents.find('\n', start);
        if (end == std::string::npos)
        {
            end = contents.size();
        }
        std::string line = contents.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#')
        {
            continue;
        }
        // The file is UTF-8 (the window title may use any character); a line that is not is
        // refused whole rather than shown as guesses.
        const std::size_t malformed = utf8::findMalformed(line);
        if (malformed != std::string::npos)
        {
            LogManager::getInstance().writeLog(
                "Config::readConfig(): Error! Line %d of '%s' is not UTF-8 (malformed at byte %d). Line ignored.",
                lineNumber, name.c_str(), static_cast<int>(malformed) + 1);
            continue;
        }
        result += line;
    }
    return result;
}

void Config::restoreDefaults()
{
    std::string kept = std::move(overrides);
    *this = Config();
    overrides = std::move(kept);
}

void Config::applyInRange(const char* key, int& setting, int lowest, int highest)
{
    const std::string value = match("", key);
    if (value.empty())
    {
        return;
    }
    const int number = toInt(value);
    if (number < lowest || number > highest)
    {
        LogManager::getInstance().writeLog("loadConfig(): Invalid %s '%s' (must be %d to %d). Keeping %d.", key,
                                           attribute::clip(value).c_str(), lowest, highest, setting);
        return;
    }
    setting = number;
}

void Config::loadConfig(std::string text)
{
    const bool fromFile = text.empty();
    if (fromFile)
    {
        restoreDefaults();
        text = readConfig();
    }
    configText = text;
    if (configText.empty())
    {
        // Nothing to apply: a look-up now would read the matcher's previous parse.
        if (fromFile && !overrides.empty())
        {
            loadConfig(overrides); // the command line's settings, without a file too
        }
        return;
    }

    // One parse serves every look-up below: the matcher keeps the last parse.
    match(configText, "");
    auto value = [](const char* key) { return match("", key); };
    auto applyInt = [&value](const char* key, int& setting)
    {
        const std::string found = value(key);
        if (!found.empty())
        {
            setting = toInt(found);
        }
    };
    auto applyBool = [&value](const char* key, bool& setting)
    {
        const std::string found = value(key);
        if (!found.empty())
        {
            setting = found == "true";
        }
    };
    auto applyText = [&value](const char* key, std::string& setting)
    {
        const std::string found = value(key);
        if (!found.empty())
        {
            setting = found;
        }
    };

    applyInRange("frame_time", frameTime, 0, MAX_FRAME_TIME);
    const std::string scale = value("font_scale");
    if (!scale.empty())
    {
        const double number = std::strtod(scale.c_str(), nullptr);
        if (std::isfinite(number) && number > 0 && number <= static_cast<double>(MAX_FONT_SCALE))
        {
            fontScale = static_cast<float>(number);
        }
        else
        {
            LogManager::getInstance().writeLog(
                "loadConfig(): Invalid font_scale '%s' (must be above 0 and at most %g). Keeping %g.",
                attribute::clip(scale).c_str(), static_cast<double>(MAX_FONT_SCALE), static_cast<double>(fontScale));
        }
    }
    applyInRange("window_horizontal_pixels", windowHorizontalPixels, 1, MAX_WINDOW_PIXELS);
    applyInRange("window_vertical_pixels", windowVerticalPixels, 1, MAX_WINDOW_PIXELS);
    applyInRange("window_horizontal_chars", windowHorizontalChars, 1, MAX_WINDOW_CHARS);
    applyInRange("window_vertical_chars", windowVerticalChars, 1, MAX_WINDOW_CHARS);

    const std::string color = value("window_background_color");
    if (!color.empty())
    {
        const int engineColor = colorFromName(color);
        if (engineColor < 0)
        {
            LogManager::getInstance().writeLog("loadConfig(): Unsupported window color '%s'", color.c_str());
        }
        else
        {
            windowBackgroundColor = engineColor;
        }
    }

    const std::string style = value("window_style");
    if (style == "fullscreen")
    {
        windowStyle = WINDOW_STYLE_FULLSCREEN;
    }
    else if (style == "default")
    {
        windowStyle = WINDOW_STYLE_DEFAULT;
    }
    else if (!style.empty())
    {
        LogManager::getInstance().writeLog("loadConfig(): Unsupported window style '%s'", style.c_str());
    }

    applyText("window_title", windowTitle);
    applyBool("show_mouse", showMouse);
    applyBool("headless", headless);
    applyText("font_file", fontFile);
    applyText("logfile", logFile);
    applyInt("random_seed", randomSeed);
    applyBool("networking", networking);
    applyText("network_address", networkAddress);
    // A port the system would take modulo 65536 (or read as a service name) is refused.
    auto applyPort = [&value](const char* key, std::string& setting)
    {
        const std::string port = value(key);
        if (port.empty())
        {
            return;
        }
        const bool digits = port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos;
        if (digits && std::atoi(port.c_str()) <= 65535)
        {
            setting = std::to_string(std::atoi(port.c_str()));
        }
        else
        {
            LogManager::getInstance().writeLog(
                "loadConfig(): Invalid %s '%s' (must be 0 to 65535; 0 lets the system choose). Keeping %s.", key,
                attribute::clip(port).c_str(), setting.c_str());
        }
    };
    applyPort("network_port", networkPort);
    applyBool("batch_drawing", batchDrawing);
    applyBool("window_resizable", windowResizable);
    const std::string scaling = value("window_scaling");
    if (scaling == "integer" || scaling == "fit")
    {
        windowScaling = scaling;
    }
    else if (!scaling.empty())
    {
        LogManager::getInstance().writeLog("loadConfig(): Unsupported window scaling '%s' (integer or fit).",
                                           attribute::clip(scaling).c_str());
    }
    applyInRange("grid_width", gridWidth, 1, MAX_INDEX_SETTING);
    applyInRange("grid_height", gridHeight, 1, MAX_INDEX_SETTING);
    applyInRange("quadtree_depth", quadtreeDepth, 1, MAX_INDEX_SETTING);
    applyInRange("quadtree_threshold", quadtreeThreshold, 1, MAX_INDEX_SETTING);
    applyBool("cell_stream", cellStream);
    applyPort("cell_port", cellPort);
    applyInRange("cell_clients", cellClients, 1, MAX_CELL_CLIENTS);
    const std::string shown = value("display");
    if (shown == "window" || shown == "terminal")
    {
        display = shown;
    }
    else if (!shown.empty())
    {
        LogManager::getInstance().writeLog("loadConfig(): Unsupported display '%s' (window or terminal). Keeping %s.",
                                           attribute::clip(shown).c_str(), display.c_str());
    }
    if (fromFile && !overrides.empty())
    {
        const std::string fileText = configText;
        loadConfig(overrides);
        configText = fileText + overrides;
    }
}

void Config::writeToLog() const
{
    const LogManager& log = LogManager::getInstance();
    const char* rule = "-----------------------------------";
    log.writeLog(1, "%s", rule);
    log.writeLog(1, "Quillmere configuration:");
    log.writeLog(1, "  Window horizontal pixels: %d", windowHorizontalPixels);
    log.writeLog(1, "  Window vertical pixels: %d", windowVerticalPixels);
    log.writeLog(1, "  Window horizontal characters: %d", windowHorizontalChars);
    log.writeLog(1, "  Window vertical characters: %d", windowVerticalChars);
    log.writeLog(1, "  Window background color: %d", windowBackgroundColor);
    log.writeLog(1, "  Frame time: %d", frameTime);
    log.writeLog(1, "  Window style: %s", windowStyle == WINDOW_STYLE_DEFAULT ? "default" : "fullscreen");
    log.writeLog(1, "  Window title: %s", windowTitle.c_str());
    log.writeLog(1, "  Show mouse: %s", showMouse ? "true" : "false");
    log.writeLog(1, "  Headless: %s", headless ? "true" : "false");
    log.writeLog(1, "  Display: %s", display.c_str());
    log.writeLog(1, "  Font file: %s", fontFile.c_str());
    log.writeLog(1, "  Log file: %s", logFile.c_str());
    log.writeLog(1, "  Random seed: %d", randomSeed);
    log.writeLog(1, "  Networking: %s", networking ? "true" : "false");
    log.writeLog(1, "  Network address: %s", networkAddress.c_str());
    log.writeLog(1, "  Network port: %s", networkPort.c_str());
    log.writeLog(1, "  Batch drawing: %s", batchDrawing ? "true" : "false");
    log.writeLog(1, "  Window resizable: %s", windowResizable ? "true" : "false");
    log.writeLog(1, "  Window scaling: %s",
                 !windowScaling.empty() ? windowScaling.c_str() : (windowResizable ? "integer" : "none"));
    log.writeLog(1, "  Cell stream: %s (port %s, at most %d clients)", cellStream ? "true" : "false", cellPort.c_str(),
                 cellClients);
    log.writeLog(1, "  Grid width: %d", gridWidth);
    log.writeLog(1, "  Grid height: %d", gridHeight);
    log.writeLog(1, "  Quadtree threshold: %d", quadtreeThreshold);
    log.writeLog(1, "  Quadtree depth: %d", quadtreeDepth);
    log.writeLog(1, "%s", rule);
}

} // namespace qm
