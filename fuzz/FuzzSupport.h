#pragma once
// Helpers shared by the libFuzzer targets of the text readers.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Writes the input to this process's own temporary file (made on first use, with `suffix`,
// removed at exit) and returns its path; the readers under test take file names.
const std::string& WriteInput(const uint8_t* data, size_t size, const char* suffix);

// For readers that look for companions beside their input: writes the bytes as `name` in this
// process's own temporary folder (made on first use, removed at exit with what was written into
// it) and returns its path.
std::string WriteFolderFile(const std::string& name, const uint8_t* data, size_t size);
// Removes `name` from that folder, so that a companion of an earlier input is not found.
void RemoveFolderFile(const std::string& name);

}  // namespace fuzzsupport
