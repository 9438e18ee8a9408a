// The player's rows and ticks: reading each row's cells, starting notes and instruments,
// stepping envelopes, fadeout and auto-vibrato, and moving through the order table for ever.
// Subtle: the sample is resolved again from instrument and note at every tick (the channel keeps
// none); a break or loop to a row the target pattern lacks plays its row 0; orders and patterns
// the file does not hold read as empty 64-row patterns.
#include "music/player.h"

#include "music/effects.h"
#include "music/envelope.h"
#include "music/periods.h"
#include "music/playback.h"

namespace {
constexpr uint8_t kKeyOffNote = 255;
const PatternCell EmptyCell = {};

struct Resolved {
  const Instrument* instrument;
  Sample* sample;
};

int32_t channel_count(const Module* m) {
  return m->channelCount < 0 ? 0 : (m->channelCount > kChannelCount ? kChannelCount : m->channelCount);
}

int32_t restart_order(const Module* m) {
  return m->restartPosition >= 0 && m->restartPosition < song_length(m) ? m->restartPosition : 0;
}

const Pattern* order_pattern(const Module* m, int32_t order) {
  if (m->patterns == nullptr || order < 0 || order > 255) return nullptr;
  int32_t number = m->orderTable[order];
  return number < m->patternSlots ? &m->patterns[number] : nullptr;
}

const PatternCell* cell_at(const Module* m, int32_t channel) {
  const Pattern* p = order_pattern(m, m->order);
  if (p == nullptr || p->cells == nullptr || m->row < 0 || m->row >= p->rowCount) return &EmptyCell;
  return &p->cells[m->row * m->channelCount + channel];
}

Resolved resolve(Module* m, const Channel* c) {
  if (c->instrument >= m->instrumentCount || m->instruments == nullptr) return {&EmptyInstrument, &EmptySample};
  const Instrument* instrument = &m->instruments[c->instrument];
  uint8_t number = instrument->noteSample[c->note < 96 ? c->note : 95];
  Sample* sample = number < 16 ? instrument->samples[number] : nullptr;
  return {instrument, sample != nullptr ? sample : &EmptySample};
}

// Envelopes and fadeout of one tick; at a row tick a key-off without a volume envelope cuts.
void instrument_steps(Channel* c, const Instrument* instrument, bool rowTick) {
  if ((instrument->volumeType & 1) && c->volumeEnvelopeDone == 0) {
    envelope_step(c, volume_envelope(c, instrument));
  }
  if (rowTick && !(instrument->volumeType & 1) && c->keyOff) c->volumeEnvelopeOutput = 0;
  if ((instrument->panningType & 1) && c->panningEnvelopeDone == 0) {
    envelope_step(c, panning_envelope(c, instrument));
  }
  if (c->keyOff) fadeout_step(c, instrument);
}

void process_channel_row(Playback& state, Module* m, int32_t index, bool* rowHasJump) {
  Channel* c = &state.channels[index];
  const PatternCell* cell = cell_at(m, index);
  bool porta = cell->effect == FxTonePorta || cell->effect == FxTonePortaSlide;
  bool hasNote = cell->note != 0 && cell->note != kKeyOffNote;
  if (cell->instrument != 0 && !porta) c->instrument = static_cast<uint8_t>(cell->instrument - 1);
  // Notes 97..254 (damaged files) take the sample of the highest note.
  if (hasNote && !porta) c->note = static_cast<uint8_t>(cell->note <= 96 ? cell->note - 1 : 95);
  Resolved res = resolve(m, c);
  RowContext row{m, cell, res.instrument, res.sample, c->period, c->volume, c->panning, rowHasJump};

  if (c->lastEffect == FxTremolo && cell->effect != FxTremolo) c->volume += c->volumeOffset;
  c->lastEffect = cell->effect;
  c->volumeOffset = 0;
  c->updateFlags = 0;
  if (hasNote) {
    c->realNote = static_cast<uint8_t>(real_note(cell->note, res.sample->relativeNote));
    c->notePeriod = note_period(m, c->realNote, res.sample->finetune);
    if (!porta) c->period = c->notePeriod;
    c->updateFlags = UpdateTrigger;
  }
  c->periodOffset = 0;
  c->updateFlags |= UpdateFrequency | UpdateVolume;
  if (cell->instrument != 0) trigger_instrument(c, res.sample);
  if (cell->volume != 0) volume_column_row(c, row);
  if (cell->note == kKeyOffNote || cell->effect == FxKeyOff) c->keyOff = 1;
  instrument_steps(c, res.instrument, true);
  effect_row(c, row);
  auto_vibrato_step(c, res.instrument);
  update_voice(c, res.sample, m);
}

void process_channel_tick(Playback& state, Module* m, int32_t index) {
  Channel* c = &state.channels[index];
  const PatternCell* cell = cell_at(m, index);
  Resolved res = resolve(m, c);
  RowContext row{m, cell, res.instrument, res.sample, c->period, c->volume, c->panning, nullptr};
  c->volumeOffset = 0;
  c->periodOffset = 0;
  c->updateFlags = 0;
  instrument_steps(c, res.instrument, false);
  volume_column_tick(c, row);
  effect_tick(c, row);
  auto_vibrato_step(c, res.instrument);
  update_voice(c, res.sample, m);
}
}  // namespace

int32_t song_length(const Module* m) {
  return m->songLength < 0 ? 0 : (m->songLength > 256 ? 256 : m->songLength);
}

int32_t order_rows(const Module* m, int32_t order) {
  const Pattern* p = order_pattern(m, order);
  return p != nullptr ? p->rowCount : 64;
}

void process_tick(Module* m) {
  if (m->tick == 0) {
    if (m->nextOrder >= 0) m->order = m->nextOrder;
    if (m->nextRow >= 0) m->row = m->nextRow;
    if (m->row >= order_rows(m, m->order)) m->row = 0;
    process_row(m);
    if (m->nextRow == -1) {
      m->nextRow = m->row + 1;
      if (m->nextRow >= order_rows(m, m->order)) {
        m->nextOrder = m->order + 1;
        if (m->nextOrder >= song_length(m)) m->nextOrder = restart_order(m);
        m->nextRow = 0;
      }
    }
  } else {
    process_effects(m);
  }
  m->tick += 1;
  if (m->tick >= m->speed + m->patternDelayTicks) {
    m->patternDelayTicks = 0;
    m->tick = 0;
  }
}

// The row and tick steps keep the module's signature (it is the tick handler's); the playback
// state they work on is taken once here and handed down.
void process_row(Module* m) {
  Playback& state = playback();
  m->nextOrder = -1;
  m->nextRow = -1;
  bool rowHasJump = false;
  int32_t count = channel_count(m);
  for (int32_t c = 0; c < count; ++c) process_channel_row(state, m, c, &rowHasJump);
}

void process_effects(Module* m) {
  Playback& state = playback();
  int32_t count = channel_count(m);
  for (int32_t c = 0; c < count; ++c) process_channel_tick(state, m, c);
}

void set_bpm(Module* m, int32_t bpm) {
  if (bpm < 1) bpm = 1;  // a damaged file's BPM 0 would make the tick endless
  m->bpm = bpm;
  // Double arithmetic with the float32 constants: equals floor(110250 / bpm) for BPM 1..255.
  double ticksPerMs = 1000.0 / (static_cast<double>(bpm) * static_cast<double>(0.4f));
  m->samplesPerTick = static_cast<int32_t>(ticksPerMs * kOutputRate * static_cast<double>(0.001f));
}

void trigger_instrument(Channel* c, const Sample* sample) {
  c->volume = sample->volume;
  c->panning = sample->panning;
  c->volumeEnvelopeOutput = 64;
  c->volumeEnvelopePoint = c->volumeEnvelopeTick = c->volumeEnvelopeDelta = 0;
  c->volumeEnvelopeDone = 0;
  c->panningEnvelopeOutput = 32;
  c->panningEnvelopePoint = c->panningEnvelopeTick = c->panningEnvelopeDelta = 0;
  c->panningEnvelopeDone = 0;
  c->keyOff = 0;
  c->fadeVolume = 65536;
  c->autoVibratoSweep = 0;
  c->autoVibratoPosition = 0;
  if ((c->waveControl & 0x0F) < 4) c->vibratoPosition = 0;
  if ((c->waveControl >> 4) < 4) c->tremoloPosition = 0;
  c->tremorCount = 0;
  c->updateFlags |= UpdateVolume | UpdatePanning;
}

namespace {
constexpr float kVolumeScale = 7.4214768e-9f;  // 255 * 2^-35: full volume gives 127
constexpr double kVolumeBound = 1 << 20;       // keeps gain products inside int32

// Voice i pairs with i + 32 (channels' first voices) and i - 32.
int32_t partner_index(const Playback& state, const Voice* v) {
  int32_t index = static_cast<int32_t>(v - state.voices);
  return index < 32 ? index + 32 : index - 32;
}

void start_note(Playback& state, Channel* c, const Sample* sample) {
  Voice* v = c->voice;
  if (v->sample != nullptr) {
    // The old note fades out on this voice; the new one starts on its partner.
    int32_t index = partner_index(state, v);
    Voice* partner = &state.voices[index];
    *partner = *v;
    partner->index = index;
    v->volume = v->targetLeft = v->targetRight = 0;
    c->voice = v = partner;
  }
  v->sample = sample;
  if (static_cast<uint64_t>(v->startOffset) >= static_cast<uint64_t>(sample->loopStart) + sample->loopLength) {
    v->startOffset = 0;
  }
  v->samplePosition = v->startOffset;
  v->fraction = 0;
  v->direction = 1;
  v->startOffset = 0;
  v->currentLeft = v->currentRight = 0;
  v->rampFramesLeft = 0;
}

void apply_volume(const Channel* c, Voice* v, const Module* m) {
  double product = static_cast<double>(c->volume + c->volumeOffset) * c->volumeEnvelopeOutput *
                   static_cast<double>(c->fadeVolume) * m->globalVolume;
  double scaled = product * static_cast<double>(kVolumeScale);
  // Valid modules stay below 127 * 4 (Cxx up to 255); only damaged envelopes get near the bound.
  if (scaled > kVolumeBound) scaled = kVolumeBound;
  if (scaled < -kVolumeBound) scaled = -kVolumeBound;
  int32_t vol = static_cast<int32_t>(scaled);
  v->targetLeft = vol * v->panning / 255;
  v->targetRight = vol * (255 - v->panning) / 255;
  v->volume = vol;
}

void apply_panning(const Channel* c, Voice* v) {
  int64_t distance = c->panning - 128;
  if (distance < 0) distance = -distance;
  int64_t pan = c->panning + ((128 - distance) / 32) * (static_cast<int64_t>(c->panningEnvelopeOutput) - 32);
  int32_t p = static_cast<int32_t>(pan < 0 ? 0 : (pan > 255 ? 255 : pan));
  v->targetLeft = v->volume * p / 255;
  v->targetRight = v->volume * (255 - p) / 255;
  v->panning = p;
}

void apply_frequency(const Channel* c, Voice* v, const Module* m) {
  // The step depends only on the period, its offset and the module's table.
  if (v->stepKnown && v->stepPeriod == c->period && v->stepPeriodOffset == c->periodOffset) return;
  v->stepKnown = true;
  v->stepPeriod = c->period;
  v->stepPeriodOffset = c->periodOffset;
  int32_t f = period_frequency(m, c->period, c->periodOffset);
  if (f < 100) f = 100;
  uint32_t frequency = static_cast<uint32_t>(f);
  v->stepInteger = frequency / kOutputRate;
  v->stepFraction = static_cast<uint32_t>((static_cast<uint64_t>(frequency % kOutputRate) << 32) / kOutputRate);
}
}  // namespace

void update_voice(Channel* c, const Sample* sample, Module* m) {
  if (c->voice == nullptr) return;
  if (static_cast<int64_t>(c->period) + c->periodOffset == 0) c->updateFlags &= static_cast<uint8_t>(~UpdateFrequency);
  if (c->updateFlags & UpdateTrigger) start_note(playback(), c, sample);
  Voice* v = c->voice;
  if (c->updateFlags & UpdateVolume) apply_volume(c, v, m);
  if (c->updateFlags & UpdatePanning) apply_panning(c, v);
  if (c->updateFlags & UpdateFrequency) apply_frequency(c, v, m);
  if (c->updateFlags & UpdateRestart) {
    v->fraction = 0;
    v->samplePosition = 0;
    v->startOffset = 0;
  }
}
