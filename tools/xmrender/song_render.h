// Offline rendering of a whole XM song through the engine's player and mixer, for xmrender and
// the benchmarks: segment by segment, with channel muting and detection of the song's first wrap.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

struct SongRenderOptions {
  double seconds = 0;             // > 0: render exactly this long, wraps or not
  double capSeconds = 600;        // without seconds: stop at the first wrap or after this
  uint32_t mutedChannels = 0;     // bit c silences channel c
};

struct SongSegment {
  int64_t index;       // counted from the start of the song
  int order, row;      // what the position ring records for it
  const int16_t* pcm;  // frames x 2 values
  int32_t frames;      // 884, fewer for the last segment when the song stopped inside it
};

struct SongRenderResult {
  bool loaded = false;
  bool wrapped = false;       // stopped at the song's first wrap
  int64_t frames = 0;         // frames delivered
};

// Renders the module in bytes; sink receives every segment in order. A null sink renders only.
SongRenderResult render_song(const std::vector<uint8_t>& bytes, const SongRenderOptions& options,
                             const std::function<void(const SongSegment&)>& sink);

// Parses "1,3,5" (0-based channel numbers) into a channel mask; false on a bad list.
bool parse_channel_list(const char* text, uint32_t* mask);
