// wildcard_match and glob_match for pak enumeration.
// glob_match backtracks only to the last '*' seen, which keeps it linear in practice; a '*' that
// starts at the end of the name cannot match, exactly as the recursive definition has it.
#include "vfs/wildcard.h"

#include <cstring>

namespace {
// The pattern is the first length bytes of pattern.
bool glob_match_n(const char* name, const char* pattern, size_t length) {
  const char* s = name;
  const char* p = pattern;
  const char* end = pattern + length;
  const char* star = nullptr;  // pattern just after the last '*'
  const char* resume = nullptr;  // where that '*' match ends now
  while (*s) {
    if (p != end && (*p == '?' || *p == *s)) {
      ++s;
      ++p;
    } else if (p != end && *p == '*') {
      star = ++p;
      resume = s;
    } else if (star) {
      p = star;
      s = ++resume;
    } else {
      return false;
    }
  }
  return p == end;
}
}  // namespace

bool glob_match(const char* name, const char* pattern) { return glob_match_n(name, pattern, std::strlen(pattern)); }

bool wildcard_match(const char* name, const char* pattern) {
  if (!pattern[0]) return false;
  if (std::strcmp(pattern, "*.*") == 0 || std::strcmp(pattern, ".") == 0) return true;
  size_t length = std::strlen(pattern);
  size_t kept = length;
  while (kept > 0 && pattern[kept - 1] == '.') --kept;
  if (kept < length && std::strchr(name, '.')) return false;
  return glob_match_n(name, pattern, kept);
}
