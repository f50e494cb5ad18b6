#pragma once
// INI files kept in the toolkit's file store (the settings file, display settings beside a
// recording): read once through the guarded read, so that a file rewritten meanwhile is never
// taken as a mix of versions, and written through the safe writer, so that a failed save leaves
// the old file whole. The store itself never touches the file.
#include <cstddef>
#include <memory>
#include <string>

class wxFileConfig;

// A store holding the entries of `size` bytes of INI text (UTF-8, or what the toolkit's
// automatic conversion takes); empty for no bytes.
std::unique_ptr<wxFileConfig> ConfigFromBytes(const void* data, size_t size);

// The store of the file at `path`: empty when there is no such file, null when the file exists
// but cannot be read (the reason in `error`).
std::unique_ptr<wxFileConfig> ReadConfigFile(const std::string& path, std::string* error);

// Writes the store's entries to `path` through the safe writer; false with the reason in `error`.
bool WriteConfigFile(wxFileConfig& config, const std::string& path, std::string* error);
