// The volume column: set volume, slides, fine slides, vibrato, panning and tone portamento.
// Subtle: its panning slides are not clamped here (update_voice clamps what it applies), and its
// tone portamento does not stop the new note's period from being taken at once.
#include "music/effects.h"

#include "music/clamp.h"

namespace {
void slide_down(Channel* c, int32_t y) {
  c->volume = at_least(c->volume - y, 0);
  c->updateFlags |= UpdateVolume;
}
void slide_up(Channel* c, int32_t y) {
  c->volume = at_most(c->volume + y, 64);
  c->updateFlags |= UpdateVolume;
}
// Kept on purpose: the volume column's panning slides are not clamped to 0..255 (update_voice
// clamps what it applies, so a slide back from beyond the edge takes as long as it went); the
// bound only keeps endless slides from overflowing.
constexpr int32_t kPanningGuard = 1 << 20;
void pan_by(Channel* c, int32_t amount) {
  c->panning = at_least(at_most(c->panning + amount, kPanningGuard), -kPanningGuard);
  c->updateFlags |= UpdatePanning;
}
}  // namespace

void volume_column_row(Channel* c, const RowContext& r) {
  uint8_t v = r.cell->volume;
  int32_t y = v & 15;
  if (v >= 0x10 && v <= 0x50) {
    c->volume = v - 16;
    c->updateFlags |= UpdateVolume;
    return;
  }
  switch (v >> 4) {
    case 0x6: case 0x8: slide_down(c, y); break;
    case 0x7: case 0x9: slide_up(c, y); break;
    case 0xA: c->vibratoSpeed = static_cast<uint8_t>(y); break;
    case 0xB: c->vibratoDepth = static_cast<uint8_t>(y); break;
    case 0xC:
      c->panning = y * 16;
      c->updateFlags |= UpdatePanning;
      break;
    case 0xD: pan_by(c, -y); break;
    case 0xE: pan_by(c, y); break;
    case 0xF:
      if (y != 0) c->portaSpeed = static_cast<uint8_t>(y * 16);
      c->portaTarget = c->notePeriod;
      c->updateFlags &= static_cast<uint8_t>(~UpdateTrigger);
      break;
    default: break;
  }
}

void volume_column_tick(Channel* c, const RowContext& r) {
  uint8_t v = r.cell->volume;
  int32_t y = v & 15;
  switch (v >> 4) {
    case 0x6: slide_down(c, y); break;
    case 0x7: slide_up(c, y); break;
    case 0xB:
      c->vibratoDepth = static_cast<uint8_t>(y);
      vibrato_step(c);
      advance_vibrato(c);
      break;
    case 0xD: pan_by(c, -y); break;
    case 0xE: pan_by(c, y); break;
    case 0xF: tone_porta_step(c); break;
    default: break;
  }
}
