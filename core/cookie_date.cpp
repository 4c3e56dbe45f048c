#include "cookie_date.h"

#include <array>
#include <vector>

#include "http_ascii.h"

namespace tolvane {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDelimiter(char ch) {
  const auto code = static_cast<unsigned char>(ch);
  return code == 0x09 || (code >= 0x20 && code <= 0x2F) || (code >= 0x3B && code <= 0x40) ||
         (code >= 0x5B && code <= 0x60) || (code >= 0x7B && code <= 0x7E);
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || IsDelimiter(text[i])) {
      if (i > start) tokens.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return tokens;
}

// Reads min_digits..max_digits digits at the start of `token`; what follows them must not be a
// digit. Advances `token` past the digits.
std::optional<int> TakeNumber(std::string_view& token, std::size_t min_digits,
                              std::size_t max_digits) {
  std::size_t count = 0;
  int value = 0;
  while (count < token.size() && ascii::IsDigit(token[count])) {
    if (count == max_digits) return std::nullopt;
    value = value * 10 + (token[count] - '0');
    ++count;
  }
  if (count < min_digits) return std::nullopt;
  token.remove_prefix(count);
  return value;
}

std::optional<int> LeadingNumber(std::string_view token, std::size_t min_digits,
                                 std::size_t max_digits) {
  return TakeNumber(token, min_digits, max_digits);
}

struct Time {
  int hour, minute, second;
};

// hh:mm:ss with one or two digits each, anything not a digit after.
std::optional<Time> TakeTime(std::string_view token) {
  const auto hour = TakeNumber(token, 1, 2);
  if (!hour || token.empty() || token.front() != ':') return std::nullopt;
  token.remove_prefix(1);
  const auto minute = TakeNumber(token, 1, 2);
  if (!minute || token.empty() || token.front() != ':') return std::nullopt;
  token.remove_prefix(1);
  const auto second = TakeNumber(token, 1, 2);
  if (!second) return std::nullopt;
  return Time{*hour, *minute, *second};
}

std::optional<int> TakeMonth(std::string_view token) {
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (ascii::StartsWithNoCase(token, kMonths[i])) return static_cast<int>(i + 1);
  }
  return std::nullopt;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar (year >= 1601).
std::int64_t DaysFromEpoch(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = y / 400;
  const int year_of_era = y - era * 400;
  const int day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return static_cast<std::int64_t>(era) * 146097 + day_of_era - 719468;
}

}  // namespace

std::optional<std::int64_t> ParseCookieDate(std::string_view text) {
  std::optional<Time> time;
  std::optional<int> day;
  std::optional<int> month;
  std::optional<int> year;
  for (std::string_view token : Tokens(text)) {
    if (!time && (time = TakeTime(token))) continue;
    if (!day && (day = LeadingNumber(token, 1, 2))) continue;
    if (!month && (month = TakeMonth(token))) continue;
    if (!year) year = LeadingNumber(token, 2, 4);
  }
  if (!time || !day || !month || !year) return std::nullopt;
  if (*year >= 70 && *year <= 99) *year += 1900;
  if (*year >= 0 && *year <= 69) *year += 2000;
  if (*year < 1601 || *day < 1 || *day > DaysInMonth(*year, *month) || time->hour > 23 ||
      time->minute > 59 || time->second > 59) {
    return std::nullopt;
  }
  return DaysFromEpoch(*year, *month, *day) * 86400 + time->hour * 3600 + time->minute * 60 +
         time->second;
}

}  // namespace tolvane
