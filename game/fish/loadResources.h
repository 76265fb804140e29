// The game's resources: every sprite, sound and piece of music it loads at start-up, and
// a guarded way of playing its sounds.
#ifndef GAME_LOADRESOURCES_H
#define GAME_LOADRESOURCES_H

#include <string>

/// Loads the game's 19 sprites, its music and its three sounds from the working directory
/// ("sprites/...", "Audio/..."), in a fixed order. A file that fails to load is reported by
/// the resource manager and the game goes on without it.
void loadResources();

/// Plays the sound labelled `label` once. A sound that was never loaded is skipped (the
/// resource manager's lookup has logged it): the game goes on silently.
void playSound(const std::string& label);

#endif
