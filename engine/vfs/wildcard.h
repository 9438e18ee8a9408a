// Wildcard matching of stored pak names, the way the archive's enumeration has always behaved.
// Kept on purpose: "*.*" and "." match everything; trailing dots in the pattern mean
// "names without a dot"; a '*' reached when the name is used up fails (AB* misses AB).
#pragma once

bool wildcard_match(const char* name, const char* pattern);
// Exact bytes, '?' one character, '*' any run, but never starting at the end of the name.
bool glob_match(const char* name, const char* pattern);
