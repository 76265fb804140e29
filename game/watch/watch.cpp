// quillmere-watch [--terminal] [host [port]]: shows a game served with "networking:true" live in
// a window of its own (or in the text terminal with --terminal or "display:terminal"), read
// only. Defaults: 127.0.0.1 and the configuration's "network_port" (9876). Its configuration is
// qm-watch-config.txt and its log quillmere-watch.log, in the working directory, unless
// QUILLMERE_CONFIG and QUILLMERE_LOG name others, so that it can run in the game's own run
// directory beside the game. QUILLMERE_WATCH_COPIES names a file that every completed step
// rewrites with the copies' attribute texts. The configuration's "watch_text_budget" bounds
// the bytes of all copies' texts (Watcher::DEFAULT_TEXT_BUDGET).
#include "Watcher.h"
#include "loadResources.h"

#include <qm/Config.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/match.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (std::getenv("QUILLMERE_CONFIG") == nullptr)
    {
        setenv("QUILLMERE_CONFIG", "qm-watch-config.txt", 1);
    }
    if (std::getenv("QUILLMERE_LOG") == nullptr)
    {
        setenv("QUILLMERE_LOG", "quillmere-watch.log", 1);
    }
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i)
    {
        if (std::string(argv[i]) == "--terminal")
        {
            qm::Config::getInstance().setOverrides("display:terminal,");
        }
        else
        {
            positional.emplace_back(argv[i]);
        }
    }
    const std::string host = positional.size() > 0 ? positional[0] : "127.0.0.1";
    const std::string port = positional.size() > 1 ? positional[1] : "";

    int status = 1;
    qm::GameManager& game = qm::GameManager::getInstance();
    // A failed start-up is reported by the engine on standard error, naming the log.
    if (game.startUp() == 0)
    {
        qm::LogManager::getInstance().setFlush(true);
        // Watching needs the network whatever the configuration file says.
        qm::Config& config = qm::Config::getInstance();
        if (!config.getNetworking())
        {
            config.loadConfig("networking:true,");
            qm::NetworkManager::getInstance().startUp();
        }
        loadResources();
        auto* watcher = new Watcher(host, port);
        // The copies' texts are bounded by "watch_text_budget" (bytes) when the file names one.
        const std::string budget = qm::match(config.getConfigText(), "watch_text_budget");
        if (!budget.empty())
        {
            char* end = nullptr;
            const long long bytes = std::strtoll(budget.c_str(), &end, 10);
            if (*end != '\0' || bytes < 0)
            {
                qm::LogManager::getInstance().writeLog(
                    "quillmere-watch: Invalid watch_text_budget '%.40s' (must be 0 or more bytes). Keeping %lld.",
                    budget.c_str(), watcher->getTextBudget());
            }
            else
            {
                watcher->setTextBudget(bytes);
            }
        }
        if (const char* copies = std::getenv("QUILLMERE_WATCH_COPIES"))
        {
            watcher->setCopiesFile(copies);
        }
        if (watcher->isConnected())
        {
            game.run();
            status = 0;
        }
    }
    // After the shut-down, which gives a terminal display's terminal back, so that it is seen.
    const bool noGame = status != 0 && game.isStarted();
    game.shutDown();
    if (noGame)
    {
        std::fprintf(stderr, "quillmere-watch: no game to watch at %s; is it running with networking:true?\n",
                     host.c_str());
    }
    return status;
}
