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

}  // namespace

std::string LogSafe(std::string_view text) {
  const bool valid = IsValidUtf8(text);
  std::string safe;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\' || (byte >= 0x80 && !valid)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      safe += escape;
    } else {
      safe += c;
    }
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
