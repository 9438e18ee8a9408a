// The effect column: one switch per tick kind over the XM effect numbers 0..35, with the
// extended E commands in their own pair of switches. Unknown effects do nothing.
// Subtle: B and D in one row combine by channel order (rowHasJump); E5 writes the sample's
// finetune for the rest of the song (never the shared empty sample); ED suppresses every voice
// update of its row except at the delay tick.
#include "music/effects.h"
#include "music/clamp.h"
#include "music/envelope.h"
#include "music/periods.h"
#include "music/player.h"
#include "music/voice.h"

namespace {
void sample_offset(Channel* c, const RowContext& r, uint8_t xx) {
  if (xx != 0) c->offsetMemory = xx;
  if (c->voice == nullptr) return;
  uint64_t offset = static_cast<uint64_t>(c->offsetMemory) * 256;
  uint64_t loopEnd = static_cast<uint64_t>(r.sample->loopStart) + r.sample->loopLength;
  if (offset >= loopEnd) {
    c->updateFlags = static_cast<uint8_t>((c->updateFlags & ~UpdateTrigger) | UpdateRestart);
  } else {
    c->voice->startOffset = static_cast<uint32_t>(offset);
  }
}

void pattern_break(Module* m, uint8_t x, uint8_t y, bool rowHasJump) {
  m->nextRow = x * 10 + y;
  if (m->nextRow > 63) m->nextRow = 0;
  if (!rowHasJump) m->nextOrder = m->order + 1;
  if (m->nextOrder >= song_length(m)) m->nextOrder = 0;
}

void pattern_loop(Channel* c, Module* m, uint8_t y) {
  if (y == 0) {
    c->loopStartRow = m->row;
    return;
  }
  c->loopCount = c->loopCount == 0 ? y : c->loopCount - 1;
  if (c->loopCount != 0) m->nextRow = c->loopStartRow;
}

void extended_row(Channel* c, const RowContext& r, uint8_t x, uint8_t y) {
  switch (x) {
    case ExFinePortaUp:
      if (y != 0) c->finePortaUpMemory = y;
      c->period = clamp_period(static_cast<int64_t>(c->period) - c->finePortaUpMemory * 4);
      break;
    case ExFinePortaDown:
      if (y != 0) c->finePortaDownMemory = y;
      c->period = clamp_period(static_cast<int64_t>(c->period) + c->finePortaDownMemory * 4);
      break;
    case ExVibratoWave: c->waveControl = static_cast<uint8_t>((c->waveControl & 0xF0) | y); break;
    case ExFinetune:
      if (r.sample != &EmptySample) r.sample->finetune = static_cast<int8_t>(y);
      break;
    case ExPatternLoop: pattern_loop(c, r.module, y); break;
    case ExTremoloWave: c->waveControl = static_cast<uint8_t>((c->waveControl & 0x0F) | (y << 4)); break;
    case ExPanning:
      c->panning = y * 16;
      c->updateFlags |= UpdatePanning;
      break;
    case ExFineVolumeUp:
      if (y != 0) c->fineVolumeMemory = y;
      c->volume = at_most(c->volume + c->fineVolumeMemory, 64);
      c->updateFlags |= UpdateVolume;
      break;
    case ExFineVolumeDown:
      if (y != 0) c->fineVolumeMemory = y;
      c->volume = at_least(c->volume - c->fineVolumeMemory, 0);
      c->updateFlags |= UpdateVolume;
      break;
    case ExNoteDelay:
      c->period = r.savedPeriod;
      c->volume = r.savedVolume;
      c->panning = r.savedPanning;
      c->updateFlags = 0;
      break;
    case ExPatternDelay: r.module->patternDelayTicks = y * r.module->speed; break;
    default: break;  // E0 E3 E9 EC EF: nothing at the first tick
  }
}

void extended_tick(Channel* c, const RowContext& r, uint8_t x, uint8_t y) {
  int32_t tick = r.module->tick;
  switch (x) {
    case ExRetrigger:
      if (y != 0 && tick % y == 0) c->updateFlags |= UpdateTrigger | UpdateFrequency | UpdateVolume;
      break;
    case ExNoteCut:
      if (tick == y) {
        c->volume = 0;
        c->updateFlags |= UpdateVolume;
      }
      break;
    case ExNoteDelay:
      if (tick != y) {
        c->updateFlags = 0;
        break;
      }
      trigger_instrument(c, r.sample);
      c->period = c->notePeriod;
      c->updateFlags |= UpdateFrequency;
      if (r.cell->volume != 0) volume_column_row(c, r);
      c->updateFlags |= UpdateTrigger;
      break;
    default: break;
  }
}

void arpeggio_tick(Channel* c, const RowContext& r, uint8_t x, uint8_t y) {
  int32_t phase = r.module->tick % 3;
  int32_t semitones = phase == 1 ? x : (phase == 2 ? y : 0);
  if (linear_table(r.module)) {
    c->periodOffset = semitones * 64;
  } else {
    int32_t finetune = r.sample->finetune;
    c->periodOffset = amiga_period(c->realNote + semitones, finetune) - amiga_period(c->realNote, finetune);
  }
  c->updateFlags |= UpdateFrequency;
}

void global_volume_slide(Module* m) {
  int32_t up = m->globalVolumeSlide >> 4, down = m->globalVolumeSlide & 15;
  if (up != 0) {
    m->globalVolume = at_most(m->globalVolume + up, 64);
  } else if (down != 0) {
    m->globalVolume = at_least(m->globalVolume - down, 0);
  }
}

void panning_slide(Channel* c) {
  int32_t right = c->panningSlideMemory >> 4, left = c->panningSlideMemory & 15;
  if (right != 0) {
    c->panning = at_most(c->panning + right, 255);
  } else if (left != 0) {
    c->panning = at_least(c->panning - left, 0);
  }
  c->updateFlags |= UpdatePanning;
}

void multi_retrig(Channel* c, int32_t tick) {
  if (c->retrigInterval == 0 || tick % c->retrigInterval != 0) return;
  retrig_volume(c, c->retrigVolume);
  c->updateFlags |= UpdateTrigger;
}
}  // namespace

void effect_row(Channel* c, const RowContext& r) {
  Module* m = r.module;
  uint8_t xx = r.cell->param, x = xx >> 4, y = xx & 15;
  switch (r.cell->effect) {
    case FxPortaUp:
      if (xx != 0) c->portaUpMemory = xx;
      break;
    case FxPortaDown:
      if (xx != 0) c->portaDownMemory = xx;
      break;
    case FxTonePorta:
      if (xx != 0) c->portaSpeed = xx;
      c->portaTarget = c->notePeriod;
      c->updateFlags &= static_cast<uint8_t>(~(UpdateFrequency | UpdateTrigger));
      break;
    case FxVibrato:
      if (x != 0) c->vibratoSpeed = x;
      if (y != 0) c->vibratoDepth = y;
      vibrato_step(c);
      break;
    case FxTonePortaSlide:
      c->portaTarget = c->notePeriod;
      if (xx != 0) c->volumeSlideMemory = xx;
      c->updateFlags &= static_cast<uint8_t>(~(UpdateFrequency | UpdateTrigger));
      break;
    case FxVibratoSlide:
      if (xx != 0) c->volumeSlideMemory = xx;
      vibrato_step(c);
      break;
    case FxTremolo:
      if (x != 0) c->tremoloSpeed = x;
      if (y != 0) c->tremoloDepth = y;
      break;
    case FxPanning:
      c->panning = xx;
      c->updateFlags |= UpdatePanning;
      break;
    case FxSampleOffset: sample_offset(c, r, xx); break;
    case FxVolumeSlide:
      if (xx != 0) c->volumeSlideMemory = xx;
      break;
    case FxPositionJump:
      m->nextOrder = xx >= song_length(m) ? 0 : xx;
      m->nextRow = 0;
      *r.rowHasJump = true;
      break;
    case FxSetVolume:
      c->volume = xx;
      c->updateFlags |= UpdateVolume;
      break;
    case FxPatternBreak: pattern_break(m, x, y, *r.rowHasJump); break;
    case FxExtended: extended_row(c, r, x, y); break;
    case FxSpeed:
      if (xx < 32) {
        m->speed = xx;
      } else {
        set_bpm(m, xx);
      }
      break;
    case FxGlobalVolume:
      m->globalVolume = at_most(xx, 64);
      c->updateFlags |= UpdateVolume;
      break;
    case FxGlobalSlide:
      if (xx != 0) m->globalVolumeSlide = xx;
      break;
    case FxKeyOff: c->keyOff = 1; break;
    case FxEnvelopePosition:
      if (r.instrument->volumeType & 1) set_envelope_position(c, r.instrument, xx);
      break;
    case FxPanningSlide:
      if (xx != 0) {
        c->panningSlideMemory = xx;
        c->updateFlags |= UpdatePanning;
      }
      break;
    case FxMultiRetrig:
      if (xx != 0) {
        c->retrigVolume = x;
        c->retrigInterval = y;
      }
      break;
    case FxTremor:
      if (xx != 0) {
        c->tremorOn = static_cast<uint8_t>(x + 1);
        c->tremorOff = static_cast<uint8_t>(y + 1);
      }
      tremor_step(c);
      break;
    case FxExtraFine:
      if (x == 1) {
        if (y != 0) c->extraFineUpMemory = y;
        c->period = clamp_period(static_cast<int64_t>(c->period) - c->extraFineUpMemory);
      } else if (x == 2) {
        if (y != 0) c->extraFineDownMemory = y;
        c->period = clamp_period(static_cast<int64_t>(c->period) + c->extraFineDownMemory);
      }
      break;
    default: break;  // arpeggio starts on the next tick; unknown effects are ignored
  }
}

void effect_tick(Channel* c, const RowContext& r) {
  Module* m = r.module;
  uint8_t xx = r.cell->param, x = xx >> 4, y = xx & 15;
  switch (r.cell->effect) {
    case FxArpeggio:
      if (xx != 0) arpeggio_tick(c, r, x, y);
      break;
    case FxPortaUp:
      c->period = at_least(c->period - c->portaUpMemory * 4, 56);
      c->periodOffset = 0;
      c->updateFlags |= UpdateFrequency;
      break;
    case FxPortaDown:
      c->period = clamp_period(static_cast<int64_t>(c->period) + c->portaDownMemory * 4);
      c->periodOffset = 0;
      c->updateFlags |= UpdateFrequency;
      break;
    case FxTonePorta:
      c->periodOffset = 0;
      tone_porta_step(c);
      break;
    case FxVibrato:
      vibrato_step(c);
      advance_vibrato(c);
      break;
    case FxTonePortaSlide:
      c->periodOffset = 0;
      tone_porta_step(c);
      volume_slide(c, c->volumeSlideMemory);
      break;
    case FxVibratoSlide:
      vibrato_step(c);
      advance_vibrato(c);
      volume_slide(c, c->volumeSlideMemory);
      break;
    case FxTremolo: tremolo_step(c); break;
    case FxVolumeSlide: volume_slide(c, c->volumeSlideMemory); break;
    case FxExtended: extended_tick(c, r, x, y); break;
    case FxGlobalSlide: global_volume_slide(m); break;
    case FxPanningSlide: panning_slide(c); break;
    case FxMultiRetrig: multi_retrig(c, m->tick); break;
    case FxTremor: tremor_step(c); break;
    default: break;
  }
}
