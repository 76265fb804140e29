// A private X server for window tests: each test process starts its own, so window tests
// run side by side without sharing keyboard focus, and run where no display exists.
#ifndef QM_TEST_VIRTUALDISPLAY_H
#define QM_TEST_VIRTUALDISPLAY_H

#include <SFML/Graphics/Image.hpp>

#include <string>

namespace sf
{
class RenderWindow;
}

namespace qmtest
{

/// Points DISPLAY at a virtual X server (Xvfb, 1280 x 1024) private to this test process.
/// The first instance starts it; later ones reuse it. It lives until the process ends (the
/// window library keeps its connection open to the end) and then stops with it.
class VirtualDisplay
{
public:
    VirtualDisplay();
    /// True when the server runs.
    bool ok() const { return !displayName.empty(); }
    /// The display name, e.g. ":7".
    const std::string& name() const { return displayName; }

private:
    std::string displayName;
};

/// What the window holds now (drawn since the last display(), before display() is called).
sf::Image captureWindow(const sf::RenderWindow& window);
/// Runs a shell command with DISPLAY set; returns its exit status.
int runCommand(const std::string& command);
/// Runs a shell command and returns what it printed on standard output.
std::string commandOutput(const std::string& command);

} // namespace qmtest

#endif
