// The score language: header statements and instrument, phrase and pattern blocks up to "end".
// Subtle: '#' starts a comment only at the start of a word, so sharps such as C#4 survive.
#include "score.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "phrase.h"
#include "placement.h"
#include "synth.h"

namespace {

struct Line {
  std::string where;  // "file:line"
  std::vector<std::string> words;
};

std::vector<std::string> split_words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      quoted = !quoted;
      word += c;
    } else if (!quoted && c == '#' && word.empty()) {
      break;  // comment
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool to_int(const std::string& s, long lo, long hi, int& out) {
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

// "key=value" into its parts; false when there is no '='.
bool split_setting(const std::string& word, std::string& key, std::string& value) {
  size_t eq = word.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  key = word.substr(0, eq);
  value = word.substr(eq + 1);
  return true;
}

std::string unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

class Compiler {
 public:
  Compiler(Song& song, std::string& error) : song_(song), error_(error) {}

  bool run(const std::vector<Line>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
      const Line& line = lines[i];
      const std::string& key = line.words[0];
      size_t end = i;
      if (key == "instrument" || key == "phrase" || key == "pattern") {
        while (end < lines.size() && lines[end].words[0] != "end") ++end;
        if (end == lines.size()) return fail(line, "block without 'end'");
        std::vector<Line> body(lines.begin() + static_cast<long>(i) + 1, lines.begin() + static_cast<long>(end));
        bool ok = key == "instrument" ? instrument(line, body) : key == "phrase" ? phrase(line, body) : pattern(line, body);
        if (!ok) return false;
        i = end;
      } else if (!statement(line)) {
        return false;
      }
    }
    if (song_.orders.empty()) return fail(lines.empty() ? Line{"score", {}} : lines.back(), "no order list");
    return true;
  }

 private:
  bool fail(const Line& line, const std::string& message) {
    error_ = line.where + ": " + message;
    return false;
  }

  bool statement(const Line& line) {
    const std::vector<std::string>& w = line.words;
    if (w[0] == "song" && w.size() == 2) {
      song_.name = unquote(w[1]);
      return true;
    }
    if (w[0] == "speed" && w.size() == 2) return to_int(w[1], 1, 31, song_.speed) || fail(line, "speed is 1..31");
    if (w[0] == "bpm" && w.size() == 2) return to_int(w[1], 32, 255, song_.bpm) || fail(line, "bpm is 32..255");
    if (w[0] == "restart" && w.size() == 2) return to_int(w[1], 0, 255, song_.restart) || fail(line, "bad restart");
    if (w[0] == "channels") {
      if (!song_.channels.empty()) return fail(line, "channels given twice");
      song_.channels.assign(w.begin() + 1, w.end());
      if (song_.channels.empty() || song_.channels.size() > 32) return fail(line, "1 to 32 channels");
      return true;
    }
    if (w[0] == "order") {
      for (size_t k = 1; k < w.size(); ++k) {
        auto it = patternIndex_.find(w[k]);
        if (it == patternIndex_.end()) return fail(line, "no pattern '" + w[k] + "'");
        song_.orders.push_back(it->second);
      }
      return true;
    }
    return fail(line, "unknown statement '" + w[0] + "'");
  }

  bool envelope(const Line& line, Envelope& env) {
    env = Envelope{};
    for (size_t k = 1; k < line.words.size(); ++k) {
      const std::string& word = line.words[k];
      std::string key, value;
      if (split_setting(word, key, value)) {
        if (key == "sustain") {
          if (!to_int(value, 0, 11, env.sustain)) return fail(line, "bad sustain point");
        } else if (key == "loop") {
          size_t dash = value.find('-');
          if (dash == std::string::npos || !to_int(value.substr(0, dash), 0, 11, env.loopStart) || !to_int(value.substr(dash + 1), 0, 11, env.loopEnd))
            return fail(line, "loop is written loop=FIRST-LAST");
        } else {
          return fail(line, "unknown envelope setting '" + key + "'");
        }
        continue;
      }
      size_t colon = word.find(':');
      int x, y;
      if (colon == std::string::npos || !to_int(word.substr(0, colon), 0, 65535, x) || !to_int(word.substr(colon + 1), 0, 64, y))
        return fail(line, "envelope points are TICK:VALUE (value 0..64)");
      env.points.push_back(EnvelopePoint{static_cast<uint16_t>(x), static_cast<uint16_t>(y)});
    }
    return true;
  }

  bool instrument(const Line& head, const std::vector<Line>& body) {
    if (head.words.size() != 2 && !(head.words.size() == 4 && head.words[2] == "like"))
      return fail(head, "instrument NAME [like OTHER]");
    const std::string& name = head.words[1];
    if (instrumentIndex_.count(name)) return fail(head, "instrument '" + name + "' given twice");
    Instrument ins;
    bool hasSample = false;
    if (head.words.size() == 4) {
      auto it = instrumentIndex_.find(head.words[3]);
      if (it == instrumentIndex_.end()) return fail(head, "no instrument '" + head.words[3] + "'");
      ins = song_.instruments[it->second];
      hasSample = true;
    }
    ins.name = name;
    for (const Line& line : body) {
      const std::vector<std::string>& w = line.words;
      bool ok = true;
      if (w[0] == "synth" && w.size() >= 2) {
        SynthRecipe recipe{w[1], {}};
        for (size_t k = 2; k < w.size(); ++k) {
          std::string key, value;
          if (!split_setting(w[k], key, value)) return fail(line, "settings are key=value");
          recipe.values[key] = value;
        }
        std::string why;
        if (!synthesize(recipe, ins.sample, why)) return fail(line, why);
        hasSample = true;
      } else if (w[0] == "volume" && w.size() == 2) {
        ok = to_int(w[1], 0, 64, ins.volume);
      } else if (w[0] == "panning" && w.size() == 2) {
        ok = to_int(w[1], 0, 255, ins.panning);
      } else if (w[0] == "fadeout" && w.size() == 2) {
        ok = to_int(w[1], 0, 4095, ins.fadeout);
      } else if (w[0] == "vibrato" && w.size() == 5) {
        ok = to_int(w[1], 0, 3, ins.vibratoType) && to_int(w[2], 0, 255, ins.vibratoSweep) &&
             to_int(w[3], 0, 15, ins.vibratoDepth) && to_int(w[4], 0, 63, ins.vibratoRate);
      } else if (w[0] == "venv") {
        if (!envelope(line, ins.volumeEnvelope)) return false;
      } else if (w[0] == "penv") {
        if (!envelope(line, ins.panningEnvelope)) return false;
      } else {
        return fail(line, "unknown instrument line '" + w[0] + "'");
      }
      if (!ok) return fail(line, "bad value for '" + w[0] + "'");
    }
    if (!hasSample) return fail(head, "instrument without a synth line");
    if (song_.instruments.size() == 128) return fail(head, "more than 128 instruments");
    instrumentIndex_[name] = static_cast<int>(song_.instruments.size());
    song_.instruments.push_back(ins);
    return true;
  }

  bool phrase(const Line& head, const std::vector<Line>& body) {
    if (head.words.size() < 2) return fail(head, "phrase NAME [step=N] [inst=NAME]");
    Phrase p;
    p.name = head.words[1];
    if (placement_.phrases.count(p.name)) return fail(head, "phrase '" + p.name + "' given twice");
    for (size_t k = 2; k < head.words.size(); ++k) {
      std::string key, value;
      if (!split_setting(head.words[k], key, value)) return fail(head, "settings are key=value");
      if (key == "step") {
        if (!to_int(value, 1, 64, p.step)) return fail(head, "step is 1..64");
      } else if (key == "inst") {
        p.instrument = value;
      } else {
        return fail(head, "unknown phrase setting '" + key + "'");
      }
    }
    for (const Line& line : body) {
      std::string why;
      if (!append_phrase_tokens(line.words, p, why)) return fail(line, why);
    }
    placement_.phrases[p.name] = p;
    return true;
  }

  bool pattern(const Line& head, const std::vector<Line>& body) {
    if (song_.channels.empty()) return fail(head, "channels must come before patterns");
    Pattern p;
    if (head.words.size() < 2) return fail(head, "pattern NAME [rows=N] [like OTHER]");
    p.name = head.words[1];
    if (patternIndex_.count(p.name)) return fail(head, "pattern '" + p.name + "' given twice");
    int rows = 0;
    const Pattern* like = nullptr;
    for (size_t k = 2; k < head.words.size(); ++k) {
      std::string key, value;
      if (head.words[k] == "like" && k + 1 < head.words.size()) {
        auto it = patternIndex_.find(head.words[++k]);
        if (it == patternIndex_.end()) return fail(head, "no pattern '" + head.words[k] + "'");
        like = &song_.patterns[it->second];
      } else if (split_setting(head.words[k], key, value) && key == "rows") {
        if (!to_int(value, 1, 256, rows)) return fail(head, "rows is 1..256");
      } else {
        return fail(head, "unknown pattern setting '" + head.words[k] + "'");
      }
    }
    if (like) {
      p.rows = like->rows;
      p.cells = like->cells;
      if (rows && rows != like->rows) return fail(head, "a pattern made like another keeps its rows");
    } else {
      p.rows = rows ? rows : 64;
      p.cells.assign(static_cast<size_t>(p.rows) * song_.channels.size(), Cell{});
    }
    std::vector<bool> replaced(song_.channels.size(), like == nullptr);
    for (const Line& line : body) {
      std::string why;
      if (!place_line(placement_, song_, line.words, p, replaced, why)) return fail(line, why);
    }
    patternIndex_[p.name] = static_cast<int>(song_.patterns.size());
    song_.patterns.push_back(p);
    return true;
  }

  Song& song_;
  std::string& error_;
  std::map<std::string, int> instrumentIndex_, patternIndex_;
  PlacementContext placement_{instrumentIndex_, {}};
};

}  // namespace

bool compile_score(const std::vector<ScoreText>& files, Song& song, std::string& error) {
  std::vector<Line> lines;
  for (const ScoreText& file : files) {
    std::istringstream in(file.text);
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
      ++number;
      Line line{file.name + ":" + std::to_string(number), split_words(text)};
      if (!line.words.empty()) lines.push_back(line);
    }
  }
  song = Song{};
  Compiler compiler(song, error);
  return compiler.run(lines);
}
