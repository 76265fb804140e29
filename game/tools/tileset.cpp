// Draws a bitmap tileset for the display's "font_file" from a font: 16 x 16 tiles in the
// layout of code page 437, white glyphs on transparency. Letters, digits and signs are the
// font's regular glyphs, centred in their tiles on a common base line; the box-drawing, block
// and shade characters are drawn as the engine draws them without a tileset (rectangles to
// the tile's edges), so that neighbouring tiles join without gaps.
//
//     qm_tileset [--tile WIDTHxHEIGHT] [--fallback FONT2] FONT OUT.png
//     qm_tileset [--tile WIDTHxHEIGHT] [--fallback FONT2] --check FONT TILESET.png
//
// Characters FONT lacks (it draws nothing for them) are taken from FONT2 at the same size.
// The tile defaults to 8 x 16 pixels. --check draws the tileset again and compares it pixel by
// pixel with TILESET.png instead of writing it. Exit status: 0; 1 when the check finds a
// difference or the file cannot be written; 2 for bad arguments or an unreadable font. The
// glyphs are rendered, so a display must be reachable (DISPLAY).
#include "presentation/CellGlyphs.h"

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Glyph.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace
{

// Whether the pixel centre (x, y) lies inside the convex quad (corners in either winding).
bool inside(const qm::GlyphQuad& quad, float x, float y)
{
    int positive = 0, negative = 0;
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        const float cross = (quad.x[j] - quad.x[i]) * (y - quad.y[i]) - (quad.y[j] - quad.y[i]) * (x - quad.x[i]);
        positive += cross > 0 ? 1 : 0;
        negative += cross < 0 ? 1 : 0;
    }
    return positive == 0 || negative == 0;
}

// The largest size whose widest letter fits the tile's width and whose letters with
// descenders fit its height.
unsigned fittingSize(const sf::Font& font, unsigned width, unsigned height)
{
    unsigned size = height;
    for (; size > 4; --size)
    {
        const sf::FloatRect capital = font.getGlyph(U'M', size, false).bounds;
        const sf::FloatRect descender = font.getGlyph(U'g', size, false).bounds;
        const float tall = (descender.top + descender.height) - capital.top;
        if (font.getGlyph(U'M', size, false).advance <= static_cast<float>(width) &&
            tall <= static_cast<float>(height) - 2.0f)
        {
            break;
        }
    }
    return size;
}

sf::Image drawTileset(const sf::Font& font, const sf::Font* fallback, unsigned width, unsigned height)
{
    sf::Image tiles;
    tiles.create(width * 16, height * 16, sf::Color(255, 255, 255, 0));
    const unsigned size = fittingSize(font, width, height);
    const sf::FloatRect capital = font.getGlyph(U'M', size, false).bounds;
    const sf::FloatRect descender = font.getGlyph(U'g', size, false).bounds;
    // The base line leaves equal room above the capitals and below the descenders.
    const float tall = (descender.top + descender.height) - capital.top;
    const float baseLine = std::round((static_cast<float>(height) - tall) / 2.0f - capital.top);
    for (int place = 0; place < 256; ++place)
    {
        const char32_t ch = qm::CP437_CODE_POINTS[place];
        const unsigned left = static_cast<unsigned>(place % 16) * width;
        const unsigned top = static_cast<unsigned>(place / 16) * height;
        qm::GlyphQuad quads[qm::MAX_GLYPH_QUADS];
        const int count =
            qm::cellGlyphQuads(ch, 0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), quads);
        if (count > 0)
        {
            for (unsigned y = 0; y < height; ++y)
            {
                for (unsigned x = 0; x < width; ++x)
                {
                    std::uint8_t alpha = 0;
                    for (int i = 0; i < count; ++i)
                    {
                        if (inside(quads[i], static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f))
                        {
                            alpha = std::max(alpha, quads[i].alpha);
                        }
                    }
                    tiles.setPixel(left + x, top + y, sf::Color(255, 255, 255, alpha));
                }
            }
            continue;
        }
        if (ch == 0 || ch == U' ' || ch == 0xA0)
        {
            continue;
        }
        const sf::Font& from = font.getGlyph(ch, size, false).textureRect.width == 0 && fallback ? *fallback : font;
        const sf::Glyph& glyph = from.getGlyph(ch, size, false);
        const sf::Image page = from.getTexture(size).copyToImage();
        const int offsetX = static_cast<int>(std::round((static_cast<float>(width) - glyph.advance) / 2.0f));
        for (int y = 0; y < glyph.textureRect.height; ++y)
        {
            for (int x = 0; x < glyph.textureRect.width; ++x)
            {
                const int tileX = offsetX + static_cast<int>(glyph.bounds.left) + x;
                const int tileY = static_cast<int>(baseLine + glyph.bounds.top) + y;
                if (tileX < 0 || tileY < 0 || tileX >= static_cast<int>(width) || tileY >= static_cast<int>(height))
                {
                    continue; // a glyph wider or taller than its tile is cut
                }
                const sf::Color pixel = page.getPixel(static_cast<unsigned>(glyph.textureRect.left + x),
                                                      static_cast<unsigned>(glyph.textureRect.top + y));
                tiles.setPixel(left + static_cast<unsigned>(tileX), top + static_cast<unsigned>(tileY),
                               sf::Color(255, 255, 255, pixel.a));
            }
        }
    }
    return tiles;
}

bool parseTile(const std::string& text, unsigned& width, unsigned& height)
{
    unsigned w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%u%c%u%c", &w, &x, &h, &rest) != 3 || x != 'x' || w < 2 || h < 2 || w > 256 ||
        h > 256)
    {
        return false;
    }
    width = w;
    height = h;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned width = 8, height = 16;
    bool check = false;
    std::string fallbackFile;
    std::string files[2];
    int fileCount = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument == "--tile" && i + 1 < argc && parseTile(argv[i + 1], width, height))
        {
            ++i;
        }
        else if (argument == "--fallback" && i + 1 < argc)
        {
            fallbackFile = argv[++i];
        }
        else if (argument == "--check")
        {
            check = true;
        }
        else if (fileCount < 2 && !argument.empty() && argument[0] != '-')
        {
            files[fileCount++] = argument;
        }
        else
        {
            fileCount = -1;
            break;
        }
    }
    sf::Font font, fallback;
    if (fileCount != 2)
    {
        std::fprintf(stderr, "usage: qm_tileset [--tile WIDTHxHEIGHT] [--fallback FONT2] [--check] FONT TILESET.png\n");
        return 2;
    }
    for (const std::string& name : {files[0], fallbackFile})
    {
        if (!name.empty() && !(name == files[0] ? font : fallback).loadFromFile(name))
        {
            std::fprintf(stderr, "qm_tileset: cannot read the font '%s'\n", name.c_str());
            return 2;
        }
    }
    const sf::Image tiles = drawTileset(font, fallbackFile.empty() ? nullptr : &fallback, width, height);
    if (!check)
    {
        return tiles.saveToFile(files[1]) ? 0 : 1;
    }
    sf::Image committed;
    if (!committed.loadFromFile(files[1]) || committed.getSize() != tiles.getSize())
    {
        std::fprintf(stderr, "qm_tileset: '%s' is not a tileset of %u x %u tiles\n", files[1].c_str(), width, height);
        return 1;
    }
    int differ = 0;
    for (unsigned y = 0; y < tiles.getSize().y; ++y)
    {
        for (unsigned x = 0; x < tiles.getSize().x; ++x)
        {
            differ += tiles.getPixel(x, y) != committed.getPixel(x, y) ? 1 : 0;
        }
    }
    std::printf("qm_tileset: %d pixels differ from '%s'\n", differ, files[1].c_str());
    return differ == 0 ? 0 : 1;
}
