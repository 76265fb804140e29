#include "presentation/Screenshot.h"

#include <qm/LogManager.h>

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <ctime>
#include <fstream>

namespace qm
{

namespace
{
bool exists(const std::string& name)
{
    return std::ifstream(name).good();
}
} // namespace

int saveScreenshot(const sf::RenderWindow* window, const CellGrid& grid)
{
    LogManager& log = LogManager::getInstance();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&now, &local) != nullptr)
    {
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    }
    std::string base = std::string("qm-shot-") + stamp;
    for (int n = 2; exists(base + ".txt") || exists(base + ".png"); ++n)
    {
        base = std::string("qm-shot-") + stamp + "-" + std::to_string(n);
    }
    const std::string text = base + ".txt";
    std::ofstream out(text, std::ios::binary);
    out << grid.toText() << '\n';
    out.close();
    if (!out)
    {
        log.writeLog("saveScreenshot(): Error! cannot write '%s'.", text.c_str());
        return -1;
    }
    if (window == nullptr)
    {
        log.writeLog("saveScreenshot(): screenshot saved as '%s'.", text.c_str());
        return 0;
    }
    const std::string picture = base + ".png";
    sf::Texture texture;
    if (!texture.create(window->getSize().x, window->getSize().y))
    {
        log.writeLog("saveScreenshot(): Error! cannot copy the window; only '%s' saved.", text.c_str());
        return -1;
    }
    texture.update(*window);
    if (!texture.copyToImage().saveToFile(picture))
    {
        log.writeLog("saveScreenshot(): Error! cannot write '%s'; only '%s' saved.", picture.c_str(), text.c_str());
        return -1;
    }
    log.writeLog("saveScreenshot(): screenshot saved as '%s' and '%s'.", picture.c_str(), text.c_str());
    return 0;
}

} // namespace qm
