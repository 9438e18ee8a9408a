// Writes a Song as FastTracker 2 XM bytes (version 1.04 layout, linear frequency table).
// Samples are stored delta-coded, as 8-bit or 16-bit data according to each sample's bits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "song.h"

// False with a message when the song breaks a limit of the format (channels, rows, envelopes...).
bool write_xm(const Song& song, std::vector<uint8_t>& out, std::string& error);
