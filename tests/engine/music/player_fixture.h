// Test fixture for the player: loads an XmBuilder song and resets playback as the output side
// does at start (voices cleared, channels zeroed, channel i on voice i), without any device.
// Ticks are run one at a time so channel and voice state can be checked at exact ticks.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/music/xm_builder.h"
#include "music/module.h"
#include "music/playback.h"
#include "music/player.h"

class PlayerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (module_ != nullptr) module_free(module_);
  }

  Module* load(const XmBuilder& builder) {
    if (module_ != nullptr) module_free(module_);
    bytes_ = builder.build();
    module_ = module_create_from_memory(bytes_.data(), static_cast<uint32_t>(bytes_.size()));
    if (module_ == nullptr) return nullptr;
    Playback& pb = playback();
    for (int i = 0; i < kVoiceCount; ++i) {
      std::memset(&pb.voices[i], 0, sizeof(Voice));
      pb.voices[i].index = i;
      pb.voices[i].stepInteger = 1;
    }
    Module* m = module_;
    m->speed = m->defaultSpeed;
    m->globalVolume = m->initialGlobalVolume;
    m->nextOrder = m->nextRow = -1;
    m->samplesLeftInTick = 0;
    m->tick = 0;
    m->patternDelayTicks = 0;
    set_bpm(m, m->defaultBpm);
    for (int i = 0; i < kChannelCount; ++i) {
      std::memset(&pb.channels[i], 0, sizeof(Channel));
      pb.channels[i].voice = &pb.voices[i];
    }
    return m;
  }

  void ticks(int count) {
    for (int i = 0; i < count; ++i) process_tick(module_);
  }
  // Runs one tick and gives the (order, row) it played.
  std::pair<int, int> step() {
    process_tick(module_);
    return {module_->order, module_->row};
  }
  // The rows played, one entry per row tick, over the given number of ticks.
  std::vector<std::pair<int, int>> rows_played(int tickCount) {
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < tickCount; ++i) {
      bool rowTick = module_->tick == 0;
      process_tick(module_);
      if (rowTick) rows.emplace_back(module_->order, module_->row);
    }
    return rows;
  }

  Channel& channel(int i) { return playback().channels[i]; }
  Voice& voice(int i) { return playback().voices[i]; }
  int voice_index(int channelIndex) { return static_cast<int>(channel(channelIndex).voice - playback().voices); }

  Module* module_ = nullptr;
  std::vector<uint8_t> bytes_;
};

// A song of one 64-row pattern and one looped 8-bit instrument on 4 channels.
inline XmBuilder simple_song(int speed = 6) {
  XmBuilder b;
  b.channels(4).speed(speed).bpm(125).orders({0});
  b.pattern(64);
  add_simple_instrument(b, std::vector<int>(256, 20), false, 1, 0, 256);
  return b;
}
