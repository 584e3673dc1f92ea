// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace aq::cli {

// Readers of the values a dialog field would take. Surrounding blanks are allowed,
// anything else left over refuses the text.

// A finite real number in plain or exponent form.
std::optional<double> ParseReal(std::string_view text);
// An optionally signed decimal integer within [min, max].
std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max);

// A local date and time "YYYY-MM-DD HH:MM:SS" as seconds, in the zone of the run.
// As the filter dialog converts it, a year before 1900 gives 0. On refusal the
// reason is left in error.
std::optional<int64_t> ParseLocalTime(std::string_view text, std::string& error);

}  // namespace aq::cli
