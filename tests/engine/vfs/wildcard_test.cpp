// Wildcard rules of pak enumeration, and the linear glob against its recursive definition.
// The exhaustive comparison covers names holding '*', which a crafted archive may carry.
#include <gtest/gtest.h>

#include <string>

#include "vfs/wildcard.h"

namespace {
// The definition, written out as recursion: a '*' may not start at the end of the name.
bool reference_glob(const char* s, const char* p) {
  while (*s && *p) {
    if (*p == '?' || *p == *s) {
      ++s;
      ++p;
      continue;
    }
    if (*p != '*') return false;
    ++p;
    if (!*p) return true;
    for (const char* t = s; *t; ++t) {
      if (reference_glob(t, p)) return true;
    }
    return false;
  }
  return !*s && !*p;
}

void all_strings(const std::string& alphabet, size_t max_length, std::vector<std::string>* out) {
  out->push_back("");
  for (size_t start = 0; start < out->size(); ++start) {
    if ((*out)[start].size() == max_length) continue;
    for (char c : alphabet) out->push_back((*out)[start] + c);
  }
}
}  // namespace

TEST(Wildcard, StarNeedsANameCharacterToStartOn) {
  EXPECT_FALSE(glob_match("AB", "AB*"));
  EXPECT_TRUE(glob_match("ABC", "AB*"));
  EXPECT_TRUE(glob_match("AB", "A*B"));
  EXPECT_FALSE(glob_match("", "*"));
  EXPECT_TRUE(glob_match("A", "*"));
  EXPECT_TRUE(glob_match("FINI.XM", "F*"));
  EXPECT_FALSE(glob_match("64.pcx", "*.PCX"));  // letter case counts
}

TEST(Wildcard, SpecialPatternsAndTrailingDots) {
  EXPECT_TRUE(wildcard_match("FINI.XM", "*.*"));
  EXPECT_TRUE(wildcard_match("/SUB", "*.*"));
  EXPECT_TRUE(wildcard_match("ANY", "."));
  EXPECT_FALSE(wildcard_match("ANY", ""));
  // Trailing dots: only names without a dot, matched against the shortened pattern.
  EXPECT_FALSE(wildcard_match("64.PCX", "*."));
  EXPECT_TRUE(wildcard_match("README", "*."));
  EXPECT_TRUE(wildcard_match("README", "READ*.."));
  EXPECT_FALSE(wildcard_match("README", "X*."));
  EXPECT_TRUE(wildcard_match("/SUB", "*"));
  EXPECT_FALSE(wildcard_match("/SUB", "S*"));  // directories are seen with their '/'
}

TEST(Wildcard, LinearGlobAgreesWithTheRecursiveDefinition) {
  std::vector<std::string> names, patterns;
  all_strings("AB*", 5, &names);     // names may hold '*' in a crafted archive
  all_strings("AB*?", 5, &patterns);
  for (const std::string& name : names) {
    for (const std::string& pattern : patterns) {
      ASSERT_EQ(glob_match(name.c_str(), pattern.c_str()), reference_glob(name.c_str(), pattern.c_str()))
          << "name '" << name << "' pattern '" << pattern << "'";
    }
  }
}
