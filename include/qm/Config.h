#ifndef QM_CONFIG_H
#define QM_CONFIG_H

#include <string>
#include <utility>

namespace qm
{

// The engine's default names.
inline const std::string ENGINE_NAME = "Quillmere";
inline const std::string DEFAULT_FONT_FILE = "qm-font.ttf";
inline const std::string DEFAULT_LOG_FILE = "quillmere.log";
inline const std::string DEFAULT_CONFIG_FILE = "qm-config.txt";
inline const std::string DEFAULT_PORT = "9876";
inline const std::string DEFAULT_NETWORK_ADDRESS = "127.0.0.1";
inline const std::string DEFAULT_CELL_PORT = "9877";
/// Default most clients of the cell stream at once.
constexpr int DEFAULT_CELL_CLIENTS = 8;

/// Ranges of the numeric settings; a value outside its range is refused with a log line
/// naming the key, the value and the range, and the setting keeps its value.
/// "window_horizontal_pixels" and "window_vertical_pixels": 1 to MAX_WINDOW_PIXELS (a
/// fullscreen window also at most the screen's size, checked by the display manager).
constexpr int MAX_WINDOW_PIXELS = 8192;
/// "window_horizontal_chars" and "window_vertical_chars": 1 to MAX_WINDOW_CHARS.
constexpr int MAX_WINDOW_CHARS = 1000;
/// "frame_time": 0 (never sleep) to MAX_FRAME_TIME milliseconds.
constexpr int MAX_FRAME_TIME = 1000;
/// "font_scale": above 0, at most MAX_FONT_SCALE.
constexpr float MAX_FONT_SCALE = 100.0f;
/// "grid_width", "grid_height", "quadtree_depth", "quadtree_threshold": 1 to MAX_INDEX_SETTING.
constexpr int MAX_INDEX_SETTING = 100000;
/// "cell_clients": 1 to MAX_CELL_CLIENTS terminals watching the cell stream at once.
constexpr int MAX_CELL_CLIENTS = 1024;

/// Window style values of the "window_style" key (the window library's style bits).
constexpr int WINDOW_STYLE_DEFAULT = 5;
constexpr int WINDOW_STYLE_FULLSCREEN = 8;

/// The engine's settings: built-in defaults, overridden by an optional file of
/// "key:value," lines read once by GameManager::startUp. The file is "qm-config.txt" in the
/// working directory unless the environment variable "QUILLMERE_CONFIG" names another.
/// Lines starting with "#" are comments; white space anywhere is removed; every setting
/// line ends with a comma. The file must be a regular file: a named pipe, a device or a
/// folder is refused with a log line (and the defaults stay), never waited on.
///
///     # a small window, twice as fast
///     window_horizontal_pixels:640,
///     window_vertical_pixels:480,
///     frame_time:16,
class Config
{
public:
    static Config& getInstance();

    Config(const Config&) = delete;

    /// The cleaned text of the configuration file (comment and empty lines dropped, the
    /// rest joined), or an empty text when the file cannot be opened (logged at level 1).
    std::string readConfig() const;

    /// Applies a configuration text on top of the current settings. An empty `text`
    /// restores the defaults and reads the configuration file instead. Keys that are
    /// missing or have an empty value leave their setting unchanged.
    void loadConfig(std::string text);

    /// Settings given on the command line ("key:value," text, for example
    /// "display:terminal,"): applied over the file's at every loadConfig that reads the file.
    void setOverrides(std::string text) { overrides = std::move(text); }

    /// Writes every setting to the log at level 1.
    void writeToLog() const;

    std::string getConfigText() const { return configText; }
    int getWindowHorizontalPixels() const { return windowHorizontalPixels; }
    int getWindowVerticalPixels() const { return windowVerticalPixels; }
    int getWindowHorizontalChars() const { return windowHorizontalChars; }
    int getWindowVerticalChars() const { return windowVerticalChars; }
    int getWindowStyle() const { return windowStyle; }
    int getWindowBackgroundColor() const { return windowBackgroundColor; }
    int getFrameTime() const { return frameTime; }
    float getFontScale() const { return fontScale; }
    std::string getWindowTitle() const { return windowTitle; }
    bool getShowMouse() const { return showMouse; }
    bool getHeadless() const { return headless; }
    /// Where frames are shown ("display"): "window" (the default) or "terminal", the text
    /// terminal the program runs in. "headless:true" overrides both.
    std::string getDisplay() const { return display; }
    std::string getFontFile() const { return fontFile; }
    std::string getLogFile() const { return logFile; }
    int getRandomSeed() const { return randomSeed; }
    bool getNetworking() const { return networking; }
    /// The address a server listens on ("network_address"); loopback unless configured.
    std::string getNetworkAddress() const { return networkAddress; }
    /// The port a server listens on and a client connects to ("network_port").
    std::string getNetworkPort() const { return networkPort; }
    /// True (the default): a frame's characters are collected and drawn with one call; false:
    /// each character is drawn on its own, two draw calls per character (the reference method).
    bool getBatchDrawing() const { return batchDrawing; }
    /// True ("window_resizable", default false): the window can be resized and Alt+Enter
    /// toggles fullscreen; the picture of the cells is scaled to the window (see
    /// getWindowScaling).
    bool getWindowResizable() const { return windowResizable; }
    /// How the picture is scaled to a window of another size ("window_scaling"): "integer"
    /// (whole multiples of its size, sharp pixels) or "fit" (any size), centred with bars in
    /// the background colour. Empty (the default) means "integer" when the window is
    /// resizable; naming a rule alone turns on scaling and Alt+Enter without the resizing.
    std::string getWindowScaling() const { return windowScaling; }
    /// True ("cell_stream", default false): with networking on, the frames are served as ANSI
    /// text on "cell_port" (default "9877") at the network address, to at most
    /// "cell_clients" (default 8) terminals at once (see CellStream).
    bool getCellStream() const { return cellStream; }
    std::string getCellPort() const { return cellPort; }
    int getCellClients() const { return cellClients; }
    int getQuadtreeThreshold() const { return quadtreeThreshold; }
    int getQuadtreeDepth() const { return quadtreeDepth; }
    int getGridWidth() const { return gridWidth; }
    int getGridHeight() const { return gridHeight; }

private:
    Config() = default;
    Config& operator=(const Config&) = default;
    void restoreDefaults();
    void applyInRange(const char* key, int& setting, int lowest, int highest);

    std::string configText;
    int windowHorizontalPixels = 1024;
    int windowVerticalPixels = 768;
    int windowHorizontalChars = 80;
    int windowVerticalChars = 24;
    int windowStyle = WINDOW_STYLE_DEFAULT;
    int windowBackgroundColor = 0;
    int frameTime = 33;
    float fontScale = 2.0f;
    std::string windowTitle = ENGINE_NAME;
    bool showMouse = false;
    bool headless = false;
    std::string display = "window";
    std::string fontFile = DEFAULT_FONT_FILE;
    std::string logFile = DEFAULT_LOG_FILE;
    int randomSeed = 0;
    bool networking = false;
    std::string networkAddress = DEFAULT_NETWORK_ADDRESS;
    std::string networkPort = DEFAULT_PORT;
    bool batchDrawing = true;
    bool windowResizable = false;
    std::string windowScaling;
    bool cellStream = false;
    std::string cellPort = DEFAULT_CELL_PORT;
    int cellClients = DEFAULT_CELL_CLIENTS;
    int quadtreeThreshold = 1;
    int quadtreeDepth = 10;
    int gridWidth = 20;
    int gridHeight = 8;
    std::string overrides;
};

} // namespace qm

#endif
