// Instrument envelopes, fadeout and auto-vibrato: the per-tick instrument steps of every channel.
// Subtle: a reached point holds the tick (sustain, end) instead of advancing; point counts and
// loop/sustain indices from the file are bounded here, and the 16.16 sums saturate, so a malformed
// envelope only sounds wrong.
#include "music/envelope.h"

#include <cstdlib>

#include "shell/det_math.h"

namespace {
constexpr int32_t kMaxPoints = 12;

int32_t saturate(int64_t x) {
  if (x > INT32_MAX) return INT32_MAX;
  if (x < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(x);
}

int32_t bounded_count(uint8_t count) { return count > kMaxPoints ? kMaxPoints : count; }

// Slope from point p to p + 1 in 16.16 per tick; 0 when both share a tick.
int32_t slope(const EnvelopePoint* points, int32_t p) {
  int32_t dx = static_cast<int32_t>(points[p + 1].x) - points[p].x;
  if (dx == 0) return 0;
  int64_t dy = (static_cast<int64_t>(points[p + 1].y) - points[p].y) * 65536;
  return saturate(dy / dx);
}
}  // namespace

EnvelopeView volume_envelope(Channel* c, const Instrument* in) {
  return {in->volumeEnvelope,     bounded_count(in->volumePointCount),
          in->volumeType,         in->volumeSustain,
          in->volumeLoopStart,    in->volumeLoopEnd,
          &c->volumeEnvelopeTick, &c->volumeEnvelopePoint,
          &c->volumeEnvelopeValue, &c->volumeEnvelopeOutput,
          &c->volumeEnvelopeDelta, &c->volumeEnvelopeDone,
          UpdateVolume};
}

EnvelopeView panning_envelope(Channel* c, const Instrument* in) {
  return {in->panningEnvelope,     bounded_count(in->panningPointCount),
          in->panningType,         in->panningSustain,
          in->panningLoopStart,    in->panningLoopEnd,
          &c->panningEnvelopeTick, &c->panningEnvelopePoint,
          &c->panningEnvelopeValue, &c->panningEnvelopeOutput,
          &c->panningEnvelopeDelta, &c->panningEnvelopeDone,
          UpdatePanning};
}

void envelope_step(Channel* channel, const EnvelopeView& e) {
  int32_t& p = *e.point;
  int32_t n = e.count;
  if (p >= 0 && p < n && *e.tick == e.points[p].x) {
    if ((e.type & 4) && p == e.loopEnd && e.loopStart < n) {
      p = e.loopStart;
      *e.tick = e.points[p].x;
    }
    if (p == n - 1) {
      *e.output = e.points[p].y;
      *e.done = 1;
      channel->updateFlags |= e.flag;
      return;
    }
    if ((e.type & 2) && p == e.sustain && channel->keyOff == 0) {
      *e.output = e.points[p].y;
      channel->updateFlags |= e.flag;
      return;
    }
    *e.delta = slope(e.points, p);
    *e.value = saturate(static_cast<int64_t>(e.points[p].y) * 65536);
    p += 1;
  } else if (p >= 0 && p < n) {
    *e.value = saturate(static_cast<int64_t>(*e.value) + *e.delta);
  }
  *e.output = *e.value >> 16;
  *e.tick += 1;
  channel->updateFlags |= e.flag;
}

void set_envelope_position(Channel* channel, const Instrument* instrument, int32_t tick) {
  const EnvelopePoint* points = instrument->volumeEnvelope;
  int32_t n = bounded_count(instrument->volumePointCount);
  if (n < 1) return;
  // Points past the last one are never read: reaching the last point ends the search.
  int32_t j = 0;
  while (j < n - 1 && tick > points[j + 1].x) j += 1;
  channel->volumeEnvelopePoint = j;
  if (j >= n - 1) {
    channel->volumeEnvelopeOutput = points[n - 1].y;
    channel->volumeEnvelopeDone = 1;
    return;
  }
  int32_t delta = slope(points, j);
  channel->volumeEnvelopeDone = 0;
  channel->volumeEnvelopeTick = tick;
  channel->volumeEnvelopeDelta = delta;
  channel->volumeEnvelopeValue = saturate((static_cast<int64_t>(tick) - points[j].x) * delta +
                                          static_cast<int64_t>(points[j].y) * 65536);
  channel->volumeEnvelopePoint = j + 1;
  channel->volumeEnvelopeOutput = channel->volumeEnvelopeValue >> 16;
}

void fadeout_step(Channel* channel, const Instrument* instrument) {
  channel->fadeVolume -= instrument->fadeout;
  if (channel->fadeVolume < 0) channel->fadeVolume = 0;
  channel->updateFlags |= UpdateVolume;
}

namespace {
// Auto-vibrato waveform at position p (0..255), -64..64; unknown types give no offset.
int32_t auto_vibrato_wave(uint8_t type, int32_t p) {
  switch (type) {
    case 0: {
      float angle = static_cast<float>(p) * 0.024543688f;
      return static_cast<int32_t>(det_sin(static_cast<double>(angle)) * 64.0);
    }
    case 1: return p < 128 ? 64 : -64;
    case 2: return (128 - ((p + 128) % 256)) >> 1;
    case 3: return (128 - ((384 - p) % 256)) >> 1;
    default: return 0;
  }
}
}  // namespace

void auto_vibrato_step(Channel* channel, const Instrument* instrument) {
  int32_t amplitude = auto_vibrato_wave(instrument->vibratoType, channel->autoVibratoPosition) *
                      instrument->vibratoDepth;
  if (instrument->vibratoSweep != 0)
    amplitude = channel->autoVibratoSweep * amplitude / instrument->vibratoSweep;
  channel->periodOffset += amplitude >> 6;
  if (channel->autoVibratoSweep < instrument->vibratoSweep) channel->autoVibratoSweep += 1;
  channel->autoVibratoPosition += instrument->vibratoRate;
  if (channel->autoVibratoPosition > 255) channel->autoVibratoPosition -= 256;
  channel->updateFlags |= UpdateFrequency;
}
