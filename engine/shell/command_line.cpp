// Command-line splitting in one pass over a heap copy; arguments are cut out in place.
// Subtle: a quote opens only at a token's first character; the closing quote ends the argument.
#include "shell/command_line.h"

#include <cstdlib>
#include <cstring>

#include "platform/os.h"

namespace {
struct ArgumentList {
  char* text = nullptr;
  char** items = nullptr;
  int count = 0;
  int capacity = 0;
};
ArgumentList g_args;

void append(char* token) {
  if (g_args.count == g_args.capacity) {
    int capacity = g_args.capacity + 10;
    void* grown = std::realloc(g_args.items, sizeof(char*) * static_cast<size_t>(capacity));
    if (!grown) return;  // out of memory: the argument is dropped, nothing reads it anyway
    g_args.items = static_cast<char**>(grown);
    g_args.capacity = capacity;
  }
  g_args.items[g_args.count++] = token;
}
}  // namespace

int parse_command_line_text(const char* source) {
  free_command_line();
  size_t length = std::strlen(source);
  g_args.text = static_cast<char*>(std::malloc(length + 1));
  g_args.items = static_cast<char**>(std::malloc(sizeof(char*) * 10));
  if (!g_args.text || !g_args.items) {
    free_command_line();
    return 0;
  }
  std::memcpy(g_args.text, source, length + 1);
  g_args.capacity = 10;

  char* token = g_args.text;
  char quote = 0;
  for (char* p = g_args.text;; ++p) {
    char c = *p;
    bool ends = c == 0 || (quote != 0 && c == quote) || (quote == 0 && (c == ' ' || c == '\t'));
    if (ends) {
      if (p > token) {
        append(token);
        *p = 0;
        // An empty quoted token ("" at a token start) keeps its quote open, as the classic parser did.
        if (quote != 0 && c == quote) quote = 0;
      }
      if (c == 0) break;
      token = p + 1;
    } else if (c == '"' && quote == 0 && p == token) {
      quote = c;
      token = p + 1;
    }
  }
  return g_args.count;
}

int parse_command_line() { return parse_command_line_text(os_command_line()); }

void free_command_line() {
  std::free(g_args.text);
  std::free(g_args.items);
  g_args = ArgumentList{};
}

int command_line_count() { return g_args.count; }
int command_line_capacity() { return g_args.capacity; }
const char* command_line_argument(int index) {
  return index >= 0 && index < g_args.count ? g_args.items[index] : nullptr;
}
