// Feeds arbitrary bytes to the configuration reader (through a real file, as at start-up)
// and to the key-value matcher. Neither may crash, hang, leak or read out of bounds.
#include <qm/Config.h>
#include <qm/LogManager.h>
#include <qm/match.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
std::string configPath;

void setUpOnce()
{
    configPath = "/tmp/qm-config-fuzz-" + std::to_string(getpid()) + ".txt";
    setenv("QUILLMERE_CONFIG", configPath.c_str(), 1);
    setenv("QUILLMERE_LOG", "/dev/null", 1);
    qm::LogManager::getInstance().startUp(); // keeps the reports off the terminal
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (setUpOnce(), true);
    (void)ready;
    const std::string text(reinterpret_cast<const char*>(data), size);

    if (std::FILE* file = std::fopen(configPath.c_str(), "wb"))
    {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    qm::Config::getInstance().loadConfig("");

    // The first line, if any, is a key to look up after parsing the rest.
    const std::size_t newline = text.find('\n');
    const std::string key = newline == std::string::npos ? text : text.substr(0, newline);
    const std::string body = newline == std::string::npos ? std::string() : text.substr(newline + 1);
    qm::match(body, key);
    qm::match("", key);
    return 0;
}
