#pragma once
// Helpers shared by the libFuzzer targets of the text readers.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Writes the input to this process's own temporary file (made on first use, with `suffix`,
// removed at exit) and returns its path; the readers under test take file names.
const std::string& WriteInput(const uint8_t* data, size_t size, const char* suffix);

}  // namespace fuzzsupport
