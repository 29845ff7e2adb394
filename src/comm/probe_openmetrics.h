// The probe's OpenMetrics rendering: a cursor's decoded answer as gauge
// families a Prometheus server can scrape. Numeric columns become samples,
// text columns their labels.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "comm/probe_format.h"

// `text` lowered, every character but a-z, 0-9 and '_' replaced by '_'.
std::string metric_name_part(std::string_view text);

// `v` as it stands between the double quotes of a label value or in a HELP
// text: backslash, double quote and line feed escaped, bytes that do not form
// UTF-8 replaced by U+FFFD.
std::string openmetrics_escape(std::string_view v);

// Appends the families of one answer to `out`: for each integer or real
// column one gauge family "<prefix>_<cursor>_<column>" (names through
// metric_name_part, made unique by a "_2", "_3" ... suffix) with TYPE and HELP
// lines and one sample a row. The text columns of the row are the sample's
// labels (values escaped, bytes that are not UTF-8 replaced by U+FFFD); when
// two rows would carry the same labels, every sample gets a "row" label with
// its 1-based row number. A value that is no number (NaN, or a text no number
// can be read from) is skipped; infinities are written "+Inf" and "-Inf".
// Returns how many values were skipped. Nothing is appended for an answer
// without rows or numeric columns.
int append_openmetrics(const answer_table& table, std::string_view prefix, std::string_view cursor,
                       std::string* out);

// The whole exposition of one answer: its families, a gauge
// "<prefix>_skipped_values" with the count of skipped values and the label
// cursor, and the closing "# EOF" line.
std::string format_openmetrics(const answer_table& table, std::string_view prefix,
                               std::string_view cursor);

// format_openmetrics of what decode_cursor_answer makes of a cursor's
// records, read in place and appended to `out` (in pieces through `sink` when
// one is given). False, leaving `out` untouched, when the layout does not
// describe the records.
bool format_cursor_openmetrics(const probe_answer& answer, std::span<const column_layout> layout,
                               std::string_view prefix, std::string_view cursor, std::string* out,
                               const text_sink& sink = {});
