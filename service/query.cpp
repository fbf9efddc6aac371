#include "service/query.h"

#include "service/utf8.h"

namespace step_service {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes one key or value; a fault leaves `out` unspecified.
QueryFault Decode(std::string_view piece, std::string& out) {
  out.clear();
  for (size_t i = 0; i < piece.size(); ++i) {
    char c = piece[i];
    if (c == '%') {
      if (i + 2 >= piece.size()) return QueryFault::kBadEncoding;
      const int high = HexValue(piece[i + 1]);
      const int low = HexValue(piece[i + 2]);
      if (high < 0 || low < 0) return QueryFault::kBadEncoding;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c == '\0') return QueryFault::kBadEncoding;
    out.push_back(c);
  }
  if (!IsValidUtf8(out)) return QueryFault::kNotUtf8;
  return QueryFault::kNone;
}

}  // namespace

SubmissionQuery ParseSubmissionQuery(std::string_view rawQuery) {
  SubmissionQuery query;
  std::string key;
  std::string value;
  while (!rawQuery.empty() && query.fault == QueryFault::kNone) {
    const size_t amp = rawQuery.find('&');
    const std::string_view piece = rawQuery.substr(0, amp);
    rawQuery = amp == std::string_view::npos ? std::string_view() : rawQuery.substr(amp + 1);
    if (piece.empty()) continue;

    const size_t eq = piece.find('=');
    const std::string_view rawValue =
        eq == std::string_view::npos ? std::string_view() : piece.substr(eq + 1);
    if ((query.fault = Decode(piece.substr(0, eq), key)) != QueryFault::kNone) break;
    if ((query.fault = Decode(rawValue, value)) != QueryFault::kNone) break;

    std::optional<std::string>* slot = key == "user"       ? &query.user
                                       : key == "password" ? &query.password
                                       : key == "step"     ? &query.step
                                                           : nullptr;
    if (slot == nullptr) continue;
    if (slot->has_value()) {
      query.fault = QueryFault::kRepeated;
    } else if (value.size() > kMaxParameterBytes) {
      query.fault = QueryFault::kTooLong;
    } else {
      *slot = value;
    }
  }
  return query;
}

std::optional<int> ParseStepCount(std::string_view text) {
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kMaxSteps) return std::nullopt;
  }
  return static_cast<int>(value);
}

}  // namespace step_service
