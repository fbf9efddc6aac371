#include "platform/files/profile_text.h"

#include <vector>

namespace {

std::string_view Trim(std::string_view s) {
  std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// ASCII letters equal in either case; a double-byte character (lead byte 0x81 and above) must
// match exactly, so that its trail byte is never folded.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (static_cast<unsigned char>(a[i]) >= 0x81 && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view content) {
  std::vector<std::string_view> lines;
  while (!content.empty()) {
    std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + 1);
  }
  return lines;
}

// The name of a "[name]" line; none for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line[0] != '[') return std::nullopt;
  return Trim(line.substr(1, line.find(']') - 1));
}

// A "key=value" line split at its first '='; a line without one is a key with no value.
std::pair<std::string_view, std::string_view> Entry(std::string_view line) {
  std::size_t sign = line.find('=');
  if (sign == std::string_view::npos) return {Trim(line), {}};
  return {Trim(line.substr(0, sign)), Trim(line.substr(sign + 1))};
}

struct Located {
  std::optional<std::size_t> sectionLine;  // the "[section]" line
  std::size_t sectionEnd = 0;              // one past its last non-blank line
  std::optional<std::size_t> keyLine;
};

Located Locate(const std::vector<std::string_view>& lines, std::string_view section,
               std::string_view key) {
  Located found;
  section = Trim(section);
  key = Trim(key);
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string_view> name = SectionName(lines[i]);
    if (name) {
      if (found.sectionLine) break;  // past the first matching section
      inside = SameName(*name, section);
      if (inside) {
        found.sectionLine = i;
        found.sectionEnd = i + 1;
      }
      continue;
    }
    if (!inside || Trim(lines[i]).empty()) continue;
    found.sectionEnd = i + 1;
    if (!found.keyLine && SameName(Entry(lines[i]).first, key)) found.keyLine = i;
  }
  return found;
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
  std::vector<std::string_view> lines = SplitLines(content);
  Located found = Locate(lines, section, key);
  if (!found.keyLine) return std::nullopt;
  return std::string(Entry(lines[*found.keyLine]).second);
}

std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value) {
  std::vector<std::string_view> lines = SplitLines(content);
  Located found = Locate(lines, section, key);
  const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  const std::string header = "[" + std::string(Trim(section)) + "]";

  std::vector<std::string_view> out(lines.begin(), lines.end());
  if (found.keyLine) {
    out[*found.keyLine] = entry;
  } else if (found.sectionLine) {
    out.insert(out.begin() + found.sectionEnd, entry);
  } else {
    out.push_back(header);
    out.push_back(entry);
  }
  std::string result;
  for (std::string_view line : out) {
    result.append(line);
    result.append("\r\n");
  }
  return result;
}
