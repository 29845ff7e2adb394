// The banner that opens every print file: product lines, the start time and
// one version header line per module of the collector.
#pragma once

#include <cstddef>

// The product's name and version, as the banner and version dumps show them.
extern const char kProductName[];
extern const char kProductVersion[];
extern const char kProductDate[];

// Formats one version header text into `out` (`size` bytes) as the "ush0100"
// banner line shows it. The text's blank-separated fields are program name,
// revision, check-in day, month and year, check-in time, author code, compile
// day, month and year, compile time and build stamp (the rest of the text);
// texts of 11 or 7..10 fields are shown cut after the eleventh or the seventh
// field, and a text of fewer fields is shown as it stands (at most 100 bytes).
void format_version_header(const char* text, char* out, size_t size);

// The version header texts of the collector's modules, in banner order, ended
// by a null entry.
const char* const* module_version_headers();

// Writes the banner lines (product, version, time, module versions) where
// messages go now; init_PRINT opens the print file first.
void write_banner();
