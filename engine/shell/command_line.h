// Splitting the process command line into arguments, cut out in place in one heap copy.
// Quotes open only at the start of a token; the closing quote ends the argument even mid-word.
#pragma once

// Splits os_command_line(); gives the argument count. free_command_line releases everything.
int parse_command_line();
void free_command_line();

// Splits a given text (the part above that tests drive); the result stays valid until the next
// parse or free.
int parse_command_line_text(const char* text);
int command_line_count();
const char* command_line_argument(int index);
int command_line_capacity();
