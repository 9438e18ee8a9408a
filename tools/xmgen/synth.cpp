// Sample recipes: band-limited additive tones, FM bells, pitched drums and filtered noise.
// Subtle: tones are whole periods (seamless loops); tuning follows from the period (A-4 = 440 Hz).
#include "synth.h"

#include <cstdlib>
#include <set>
#include <vector>

#include "shell/det_math.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kMiddleC = 261.6255653005986;  // Hz, with A-4 at 440
constexpr double kBaseRate = 8363.0;            // what C-4 plays at with relative note 0
constexpr double kLn2 = 0.6931471805599453;

double det_exp(double x) { return det_exp2(x / kLn2); }

// Reads the recipe's settings, remembering which were used so that typos are reported.
class Settings {
 public:
  explicit Settings(const SynthRecipe& r) : recipe_(r) {}
  double number(const std::string& key, double fallback, double lo, double hi) {
    used_.insert(key);
    auto it = recipe_.values.find(key);
    if (it == recipe_.values.end()) return fallback;
    char* end = nullptr;
    double v = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0' || v < lo || v > hi) {
      bad_ = key + "=" + it->second + " (allowed " + std::to_string(lo) + ".." + std::to_string(hi) + ")";
      return fallback;
    }
    return v;
  }
  std::string word(const std::string& key, const std::string& fallback) {
    used_.insert(key);
    auto it = recipe_.values.find(key);
    return it == recipe_.values.end() ? fallback : it->second;
  }
  bool finish(std::string& error) {
    for (const auto& kv : recipe_.values)
      if (!used_.count(kv.first)) bad_ = "unknown setting '" + kv.first + "' for " + recipe_.kind;
    if (!bad_.empty()) error = bad_;
    return bad_.empty();
  }

 private:
  const SynthRecipe& recipe_;
  std::set<std::string> used_;
  std::string bad_;
};

struct Noise {
  uint32_t state;
  double next() {  // -1 <= value < 1
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

struct OnePole {
  double a = 1.0, y = 0.0;
  OnePole(double cutoff, double rate) {
    if (cutoff > 0) a = 1.0 - det_exp(-2.0 * kPi * cutoff / rate);
  }
  double low(double x) { return y += a * (x - y); }
  double high(double x) { return x - low(x); }
};

// Gentle saturation: odd polynomial over [-3, 3], flat beyond.
double saturate(double x) {
  if (x > 3) x = 3;
  if (x < -3) x = -3;
  return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

bool loop_kind(const std::string& word, LoopKind& kind) {
  if (word == "none") kind = LoopKind::None;
  else if (word == "forward") kind = LoopKind::Forward;
  else if (word == "pingpong") kind = LoopKind::PingPong;
  else return false;
  return true;
}

void tune_to_rate(double rate, SampleData& s) {
  double semis = semitones_of_ratio(rate / kBaseRate);
  int whole = static_cast<int>(semis >= 0 ? semis + 0.5 : semis - 0.5);
  int fine = static_cast<int>((semis - whole) * 128.0 + (semis >= whole ? 0.5 : -0.5));
  s.relativeNote = whole;
  s.finetune = fine < -128 ? -128 : fine > 127 ? 127 : fine;
}

// Scales to the peak gain and stores the frames; unlooped ends get a short fade against clicks.
void finish_frames(std::vector<double>& x, double gain, int bits, SampleData& s) {
  double peak = 1e-9;
  for (double v : x) peak = std::max(peak, v < 0 ? -v : v);
  if (s.loop == LoopKind::None) {
    size_t fade = std::min<size_t>(64, x.size());
    for (size_t i = 0; i < fade; ++i) x[x.size() - 1 - i] *= static_cast<double>(i) / fade;
  }
  s.bits = bits;
  s.frames.resize(x.size());
  const double full = bits == 16 ? 32767.0 : 127.0;
  for (size_t i = 0; i < x.size(); ++i) {
    double v = x[i] / peak * gain * full;
    long q = static_cast<long>(v >= 0 ? v + 0.5 : v - 0.5);
    if (q > full) q = static_cast<long>(full);
    if (q < -full) q = -static_cast<long>(full);
    s.frames[i] = static_cast<int16_t>(bits == 16 ? q : q * 256);
  }
}

double harmonic_weight(const std::string& shape, int k, double duty) {
  if (shape == "sine") return k == 1 ? 1.0 : 0.0;
  if (shape == "saw") return 1.0 / k;
  if (shape == "square") return (k % 2) ? 1.0 / k : 0.0;
  if (shape == "tri") return (k % 2) ? ((k % 4 == 1) ? 1.0 : -1.0) / (static_cast<double>(k) * k) : 0.0;
  if (shape == "pulse") return det_sin(kPi * k * duty) / k;
  if (shape == "organ") {
    switch (k) {
      case 1: return 1.0;
      case 2: return 0.6;
      case 3: return 0.45;
      case 4: return 0.3;
      case 6: return 0.2;
      case 8: return 0.15;
      default: return 0.0;
    }
  }
  return -1e9;  // unknown shape
}

bool make_tone(Settings& in, SampleData& s, std::string& error) {
  std::string shape = in.word("shape", "saw");
  int period = static_cast<int>(in.number("period", 64, 8, 1024));
  int harmonics = static_cast<int>(in.number("harmonics", 16, 1, 512));
  int cycles = static_cast<int>(in.number("cycles", 1, 1, 1024));
  int voices = static_cast<int>(in.number("voices", 1, 1, 7));
  int spread = static_cast<int>(in.number("spread", 1, 0, 16));
  double duty = in.number("duty", 0.5, 0.01, 0.99);
  double bright = in.number("bright", 1.0, 0.25, 4.0);
  double gain = in.number("gain", 0.9, 0.01, 1.0);
  int bits = static_cast<int>(in.number("bits", 16, 8, 16));
  std::string loop = in.word("loop", "forward");
  if (!in.finish(error)) return false;
  if (harmonic_weight(shape, 1, duty) < -1e8 || !loop_kind(loop, s.loop) || (bits != 8 && bits != 16)) {
    error = "tone: bad shape, loop or bits";
    return false;
  }
  // The voices sit symmetrically about the nominal pitch, `spread` cycles of the loop apart, so
  // the ear hears their centre in tune. An even count has no middle voice: its loop holds twice
  // the periods, which puts every voice a whole number of (doubled) cycles off the centre.
  const int halves = voices % 2 ? 1 : 2;
  const int length = period * cycles * halves;
  std::vector<double> x(length, 0.0);
  Noise phases{0x417u + static_cast<uint32_t>(period * 31 + cycles)};
  for (int v = 0; v < voices; ++v) {
    int c = cycles * halves + (2 * v - (voices - 1)) * spread * halves / 2;  // whole cycles across the sample
    if (c < 1) c = 1;
    double phase = voices > 1 ? (phases.next() + 1.0) * kPi : 0.0;
    for (int k = 1; k <= harmonics && k * 2 < period; ++k) {
      double w = harmonic_weight(shape, k, duty);
      if (w == 0) continue;
      w /= det_exp2((bright - 1.0) * semitones_of_ratio(k) / 12.0);  // extra roll-off k^(1-bright)
      for (int n = 0; n < length; ++n) x[n] += w * det_sin(2.0 * kPi * k * c * n / length + k * phase);
    }
  }
  s.loopStart = 0;
  s.loopLength = static_cast<uint32_t>(length);
  tune_to_rate(kMiddleC * period, s);
  finish_frames(x, gain, bits, s);
  return true;
}

// Two-operator FM with a whole-number ratio: the index falls to its final value over `time`
// seconds (cubic curve), after which the wave is strictly periodic and `cycles` periods loop.
bool make_fm(Settings& in, SampleData& s, std::string& error) {
  int period = static_cast<int>(in.number("period", 64, 8, 1024));
  int ratio = static_cast<int>(in.number("ratio", 2, 1, 16));
  double index0 = in.number("index", 3.0, 0, 20);
  double index1 = in.number("final", 0.3, 0, 20);
  double time = in.number("time", 0.5, 0.01, 4);
  int cycles = static_cast<int>(in.number("cycles", 4, 1, 256));
  double gain = in.number("gain", 0.9, 0.01, 1.0);
  int bits = static_cast<int>(in.number("bits", 16, 8, 16));
  if (!in.finish(error)) return false;
  const double rate = kMiddleC * period;
  const int head = static_cast<int>(time * rate / period + 1) * period;
  const int length = head + period * cycles;
  std::vector<double> x(length);
  for (int n = 0; n < length; ++n) {
    double t = n / rate;
    double left = t < time ? 1.0 - t / time : 0.0;
    double index = index1 + (index0 - index1) * left * left * left;
    double p = 2.0 * kPi * (n % period) / period;
    x[n] = det_sin(p + index * det_sin(ratio * p));
  }
  s.loop = LoopKind::Forward;
  s.loopStart = static_cast<uint32_t>(head);
  s.loopLength = static_cast<uint32_t>(period * cycles);
  tune_to_rate(rate, s);
  finish_frames(x, gain, bits, s);
  return true;
}

// A sine whose pitch falls exponentially from f0 to f1, with a noise click and saturation.
bool make_drum(Settings& in, SampleData& s, std::string& error) {
  int rel = static_cast<int>(in.number("relnote", 24, -48, 48));
  double f0 = in.number("f0", 160, 10, 4000);
  double f1 = in.number("f1", 45, 10, 4000);
  double sweep = in.number("sweep", 0.03, 0.001, 2);
  double decay = in.number("decay", 0.3, 0.005, 8);
  double length = in.number("length", 0.5, 0.01, 8);
  double click = in.number("click", 0.3, 0, 4);
  double drive = in.number("drive", 1.0, 0.1, 8);
  double noise = in.number("noise", 0.0, 0, 4);
  double noiseDecay = in.number("noisedecay", 0.05, 0.001, 4);
  double gain = in.number("gain", 0.9, 0.01, 1.0);
  int bits = static_cast<int>(in.number("bits", 16, 8, 16));
  if (!in.finish(error)) return false;
  const double rate = kBaseRate * det_exp2(rel / 12.0);
  const int n = static_cast<int>(length * rate);
  std::vector<double> x(n);
  Noise white{0xD12u};
  OnePole clickFilter(6000, rate), noiseFilter(3000, rate);
  double phase = 0;
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double f = f1 + (f0 - f1) * det_exp(-t / sweep);
    phase += 2.0 * kPi * f / rate;
    double body = det_sin(phase) * det_exp(-t / decay);
    double c = clickFilter.low(white.next()) * click * det_exp(-t / 0.003);
    double hiss = noiseFilter.low(white.next()) * noise * det_exp(-t / noiseDecay);
    x[i] = saturate((body + c + hiss) * drive);
  }
  s.loop = LoopKind::None;
  s.relativeNote = rel;
  s.finetune = 0;
  finish_frames(x, gain, bits, s);
  return true;
}

// Filtered noise with an optional metallic square cluster and tonal body; for snares, hats,
// cymbals, wind and risers. `decay` 0 keeps the level constant (for looped textures).
bool make_noise(Settings& in, SampleData& s, std::string& error) {
  int rel = static_cast<int>(in.number("relnote", 24, -48, 48));
  double length = in.number("length", 0.5, 0.01, 8);
  double attack = in.number("attack", 0.0, 0, 8);
  double decay = in.number("decay", 0.0, 0, 8);
  double lp = in.number("lp", 0, 0, 30000);
  double hp = in.number("hp", 0, 0, 30000);
  double level = in.number("level", 1.0, 0, 4);
  double metal = in.number("metal", 0.0, 0, 4);
  double tone = in.number("tone", 0.0, 0, 8000);
  double toneLevel = in.number("tonelevel", 0.0, 0, 4);
  double toneDecay = in.number("tonedecay", 0.05, 0.001, 4);
  double reverse = in.number("reverse", 0, 0, 1);
  double gain = in.number("gain", 0.9, 0.01, 1.0);
  int bits = static_cast<int>(in.number("bits", 8, 8, 16));
  int seed = static_cast<int>(in.number("seed", 1, 0, 1e9));
  std::string loop = in.word("loop", "none");
  if (!in.finish(error)) return false;
  if (!loop_kind(loop, s.loop)) {
    error = "noise: loop is none, forward or pingpong";
    return false;
  }
  const double rate = kBaseRate * det_exp2(rel / 12.0);
  const int n = static_cast<int>(length * rate);
  std::vector<double> x(n);
  Noise white{static_cast<uint32_t>(seed) * 2654435761u + 1u};
  OnePole low(lp, rate), high(hp, rate), metalHigh(6000, rate);
  static const double kMetal[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};  // square cluster, Hz x 2
  double metalPhase[6] = {0, 0, 0, 0, 0, 0};
  double tonePhase = 0;
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double v = white.next() * level;
    if (metal > 0) {
      double m = 0;
      for (int k = 0; k < 6; ++k) {
        metalPhase[k] += 2.0 * kMetal[k] / rate;
        if (metalPhase[k] >= 1.0) metalPhase[k] -= 1.0;
        m += metalPhase[k] < 0.5 ? 1.0 : -1.0;
      }
      v += metalHigh.high(m / 6.0) * metal;
    }
    if (lp > 0) v = low.low(v);
    if (hp > 0) v = high.high(v);
    double env = 1.0;
    if (attack > 0 && t < attack) env = t / attack;
    if (decay > 0) env *= det_exp(-t / decay);
    v *= env;
    if (toneLevel > 0) {
      tonePhase += 2.0 * kPi * tone * (1.0 + 0.5 * det_exp(-t / 0.01)) / rate;
      v += det_sin(tonePhase) * toneLevel * det_exp(-t / toneDecay);
    }
    x[i] = v;
  }
  if (reverse > 0.5)
    for (int i = 0; i < n / 2; ++i) std::swap(x[i], x[n - 1 - i]);
  s.loopStart = 0;
  s.loopLength = static_cast<uint32_t>(n);
  s.relativeNote = rel;
  s.finetune = 0;
  finish_frames(x, gain, bits, s);
  return true;
}

}  // namespace

double semitones_of_ratio(double ratio) {
  if (ratio <= 0) return 0;
  double y = 0;
  // Coarse step to the right octave, then Newton on 2^y = ratio.
  while (det_exp2(y) < ratio) y += 1.0;
  while (det_exp2(y) > ratio) y -= 1.0;
  for (int i = 0; i < 30; ++i) {
    double p = det_exp2(y);
    y -= (p - ratio) / (p * kLn2);
  }
  return 12.0 * y;
}

bool synthesize(const SynthRecipe& recipe, SampleData& sample, std::string& error) {
  Settings settings(recipe);
  sample = SampleData{};
  if (recipe.kind == "tone") return make_tone(settings, sample, error);
  if (recipe.kind == "fm") return make_fm(settings, sample, error);
  if (recipe.kind == "drum") return make_drum(settings, sample, error);
  if (recipe.kind == "noise") return make_noise(settings, sample, error);
  error = "unknown sample recipe '" + recipe.kind + "'";
  return false;
}
