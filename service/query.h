#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace step_service {

// Longest value, in bytes after decoding, that a query parameter may carry.
inline constexpr size_t kMaxParameterBytes = 1024;

// Highest step count a day may record.
inline constexpr int kMaxSteps = 98800;

enum class QueryFault {
  kNone,
  kBadEncoding,  // a '%' not followed by two hex digits, or a NUL byte
  kNotUtf8,      // a key or value that does not decode to well-formed UTF-8
  kRepeated,     // user, password or step given more than once
  kTooLong,      // a decoded value over kMaxParameterBytes
};

// The three values of a submission, decoded; a key that was absent stays empty.
struct SubmissionQuery {
  QueryFault fault = QueryFault::kNone;
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::optional<std::string> step;
};

// Splits the raw query (the part after '?', still percent-encoded) at '&' and '=' and decodes
// each piece with RFC 3986 percent-decoding ('+' stays '+'). Keys other than user, password and
// step are ignored. On any fault the values are not to be used.
SubmissionQuery ParseSubmissionQuery(std::string_view rawQuery);

// The step count when `text` is a plain decimal integer from 0 to kMaxSteps (digits only, no
// sign or spaces); nothing otherwise.
std::optional<int> ParseStepCount(std::string_view text);

}  // namespace step_service
