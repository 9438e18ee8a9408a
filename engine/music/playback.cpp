// The one playback instance: voices, channels, rates, rings and buffers of the playing module.
// Zero-initialised at start-up; player_start and render_open fill it, player_stop empties it.
#include "music/playback.h"

namespace {
Playback instance{};
}  // namespace

Playback& playback() { return instance; }
