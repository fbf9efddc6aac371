#include "service/request_log.h"

#include <cstdio>
#include <ctime>

#include "service/utf8.h"

namespace step_service {
namespace {

std::string UtcNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

void Emit(const std::string& line) {
  // One write per line, so lines of parallel requests never interleave.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// Characters that are valid UTF-8 yet change how a line reads: C1 controls, the bidirectional
// marks, embeddings, overrides and isolates (a U+202E turns the rest of the line around), and
// the line and paragraph separators.
bool DisturbsTheLine(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The code point of the well-formed UTF-8 sequence at the start of `text`, and its length.
char32_t DecodeFirst(std::string_view text, size_t& length) {
  const auto lead = static_cast<unsigned char>(text[0]);
  length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  return c;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (const char c : bytes) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
    out += escape;
  }
}

}  // namespace

std::string LogSafe(std::string_view text) {
  // Text that is not UTF-8 cannot be decoded; there every byte stands for itself.
  const bool valid = IsValidUtf8(text);
  std::string safe;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    const char32_t c =
        valid ? DecodeFirst(text.substr(i), length) : static_cast<unsigned char>(text[i]);
    const std::string_view bytes = text.substr(i, length);
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || (!valid && c >= 0x80) ||
        DisturbsTheLine(c)) {
      AppendEscaped(safe, bytes);
    } else {
      safe += bytes;
    }
    i += length;
  }
  return safe;
}

void WriteRequestLine(const RequestLine& line) {
  // A request too broken to parse has neither method nor path.
  const auto orDash = [](std::string_view text) { return text.empty() ? "-" : LogSafe(text); };
  std::string text = UtcNow() + ' ' + orDash(line.method) + ' ' + orDash(line.path) + " account=";
  text += line.account.empty() ? "-" : '"' + LogSafe(line.account) + '"';
  text += " outcome=" + std::string(line.outcome) + " status=" + std::to_string(line.status);
  if (line.timed) {
    char ms[32];
    std::snprintf(ms, sizeof ms, " ms=%.1f",
                  std::chrono::duration<double, std::milli>(line.duration).count());
    text += ms;
  } else {
    text += " ms=-";
  }
  Emit(text + '\n');
}

void WriteServiceLine(std::string_view message) {
  Emit(UtcNow() + ' ' + std::string(message) + '\n');
}

}  // namespace step_service
