// The pak tool's commands, callable from tests: create, list and extract.
// Each prints its own messages (to report) and returns the process exit code (0 success, 1 failure).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "pak_writer.h"

// Reads files and directories (recursively) into root entries named by their base names.
bool pak_gather(const std::vector<std::string>& inputs, std::vector<PakNode>* root, std::string* error);
// Writes bytes to path through a temporary file beside it, renamed over path only when complete.
bool pak_write_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

int pak_create(const std::string& out, const std::vector<std::string>& inputs, const PakOptions& options, FILE* report);
int pak_list(const std::string& archive, FILE* out, FILE* report);  // listing to out, errors to report
int pak_extract(const std::string& archive, const std::string& directory, FILE* report);
