// Command-line splitting: blanks, quotes and the capacity growth of the argument array.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_line.h"

namespace {
std::vector<std::string> split(const char* text) {
  int count = parse_command_line_text(text);
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.emplace_back(command_line_argument(i));
  return result;
}
using Args = std::vector<std::string>;
}  // namespace

TEST(CommandLine, BlanksSeparateAndNeverMakeEmptyArguments) {
  EXPECT_EQ(split("prog  a\t\tb "), (Args{"prog", "a", "b"}));
  EXPECT_EQ(split("   \t  "), Args{});
  EXPECT_EQ(split(""), Args{});
  EXPECT_EQ(split("a "), Args{"a"});
}

TEST(CommandLine, QuotesGroupBlanksAndCloseTheArgument) {
  EXPECT_EQ(split("a \"b c\" d"), (Args{"a", "b c", "d"}));
  // The closing quote ends the argument even when text follows directly.
  EXPECT_EQ(split("\"ab\"cd"), (Args{"ab", "cd"}));
  // A quote inside a token is an ordinary character.
  EXPECT_EQ(split("x\"y z"), (Args{"x\"y", "z"}));
  // An unclosed quote takes the rest of the line, blanks included.
  EXPECT_EQ(split("p \"rest of  line"), (Args{"p", "rest of  line"}));
}

TEST(CommandLine, EmptyQuotedTokenKeepsTheQuoteOpen) {
  // The classic parser adds nothing for "" and leaves the quote open up to the next one.
  EXPECT_EQ(split("a \"\" b c\" d"), (Args{"a", " b c", "d"}));
}

TEST(CommandLine, CapacityGrowsByTen) {
  std::string line;
  for (int i = 0; i < 25; ++i) line += "x ";
  EXPECT_EQ(parse_command_line_text(line.c_str()), 25);
  EXPECT_EQ(command_line_capacity(), 30);
  EXPECT_STREQ(command_line_argument(24), "x");
  free_command_line();
  EXPECT_EQ(command_line_count(), 0);
  EXPECT_EQ(command_line_capacity(), 0);
  EXPECT_EQ(command_line_argument(0), nullptr);
}
