// The four built-in colour tables, red, green, blue per entry, 0-255.
#pragma once

#include <cstdint>
#include <vector>

std::vector<uint8_t> colour_table_2();
std::vector<uint8_t> colour_table_16();
std::vector<uint8_t> colour_table_64();
std::vector<uint8_t> colour_table_256();
