#include "startup/settings.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "common/numbers.h"

namespace qx {

namespace {

constexpr size_t kReadBufferChars = 256;  // value is cut to 255 characters
constexpr size_t kNameBufferChars = 128;  // section and key to 127

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

struct Line {
  size_t begin;  // offset of the line in the content
  size_t end;    // offset just past its text (before "\r\n" or "\n")
  size_t next;   // offset of the following line
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    const size_t next = nl == std::string_view::npos ? content.size() : nl + 1;
    size_t end = nl == std::string_view::npos ? content.size() : nl;
    if (end > pos && content[end - 1] == '\r') --end;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

// "[name]" -> name; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Where a section's lines are: index of its header and one past its last line.
struct SectionSpan {
  size_t header;
  size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines,
                                       std::string_view content,
                                       std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(content.substr(lines[i].begin,
                                           lines[i].end - lines[i].begin));
    if (!name || !NamesEqual(*name, section)) continue;
    size_t j = i + 1;
    while (j < lines.size() &&
           !SectionName(content.substr(lines[j].begin,
                                       lines[j].end - lines[j].begin))) {
      ++j;
    }
    return SectionSpan{i, j};
  }
  return std::nullopt;
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 &&
      ((value.front() == '"' && value.back() == '"') ||
       (value.front() == '\'' && value.back() == '\''))) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string Cut(std::string_view text, size_t bufferChars) {
  std::string s(text.substr(0, bufferChars - 1));
  const size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

}  // namespace

std::string IniLookup(std::string_view content, std::string_view section,
                      std::string_view key) {
  const auto lines = SplitLines(content);
  const auto span = FindSection(lines, content, section);
  if (!span) return {};
  for (size_t i = span->header + 1; i < span->end; ++i) {
    auto kv = ParseKeyLine(
        content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (kv && NamesEqual(kv->key, key)) return Unquote(kv->value);
  }
  return {};
}

std::string IniUpdate(std::string_view content, std::string_view section,
                      std::string_view key, std::string_view value) {
  std::string newLine;
  newLine.append(key).append("=").append(value).append("\r\n");
  const auto lines = SplitLines(content);
  const auto span = FindSection(lines, content, section);
  if (!span) {
    std::string out(content);
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    if (!out.empty()) out += "\r\n";
    out.append("[").append(section).append("]\r\n").append(newLine);
    return out;
  }
  for (size_t i = span->header + 1; i < span->end; ++i) {
    auto kv = ParseKeyLine(
        content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (kv && NamesEqual(kv->key, key)) {
      return std::string(content.substr(0, lines[i].begin)) + newLine +
             std::string(content.substr(lines[i].next));
    }
  }
  // New key: after the section's last line that is not blank.
  size_t after = span->header;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    if (!Trim(content.substr(lines[i].begin, lines[i].end - lines[i].begin))
             .empty()) {
      after = i;
    }
  }
  const Line& last = lines[after];
  std::string out(content.substr(0, last.next));
  if (last.next == last.end) out += "\r\n";  // the file ended without one
  out += newLine;
  out += content.substr(last.next);
  return out;
}

std::string IniFileStore::Read(std::string_view section, std::string_view key,
                               const std::filesystem::path& file) {
  const auto content = ReadWholeFile(file);
  if (!content) return {};
  return IniLookup(*content, section, key);
}

bool IniFileStore::Write(std::string_view section, std::string_view key,
                         std::string_view value,
                         const std::filesystem::path& file) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) return false;
  const std::string content = ReadWholeFile(file).value_or(std::string());
  const std::string updated = IniUpdate(content, section, key, value);
  // Write beside the file and rename over it, so a failed write never leaves
  // a half-written settings file.
  std::filesystem::path temp = file;
  temp += L".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
    if (!out.flush()) {
      out.close();
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

std::filesystem::path IniPathFor(const std::filesystem::path& programFolder) {
  // Always add a separator, as the program always has: a drive root such as
  // "C:\" then yields "C:\\Quendelrix.ini", which the system accepts.
  std::wstring folder = programFolder.wstring();
#ifdef _WIN32
  constexpr wchar_t kSeparator = L'\\';
#else
  constexpr wchar_t kSeparator = L'/';
#endif
  return std::filesystem::path(folder + kSeparator + std::wstring(kIniFileName));
}

std::string ReadIniValue(ProfileStore& store, std::string_view section,
                         std::string_view key,
                         const std::filesystem::path& file) {
  return Cut(store.Read(section, key, file), kReadBufferChars);
}

bool WriteIniValue(ProfileStore& store, std::string_view section,
                   std::string_view key, std::string_view value,
                   const std::filesystem::path& file) {
  return store.Write(Cut(section, kNameBufferChars), Cut(key, kNameBufferChars),
                     value, file);
}

namespace {

// Steps 2-3 and 4-5 of the load: empty -> default, number -> its floor as a
// 16-bit value, anything else -> the setting keeps its value.
void LoadOne(ModuleValues& values, ProfileStore& store,
             std::string_view key, int16_t defaultValue, int16_t& setting,
             char decimalSeparator) {
  values.IniKey = std::string(key);
  values.IniValue = ReadIniValue(store, kIniSection, key, values.IniPath);
  if (values.IniValue.empty()) {
    setting = defaultValue;
    return;
  }
  const auto number = StrictNumber(values.IniValue, decimalSeparator);
  if (!number) return;
  if (auto whole = FloorTo<int16_t>(*number)) setting = *whole;
}

}  // namespace

void LoadSettings(ModuleValues& values, ProfileStore& store,
                  const std::filesystem::path& programFolder,
                  char decimalSeparator) {
  values.IniPath = IniPathFor(programFolder);
  LoadOne(values, store, kKeyBallCount, kDefaultBallCount, values.BallCount,
          decimalSeparator);
  LoadOne(values, store, kKeyInterval, kDefaultInterval, values.Interval,
          decimalSeparator);
}

}  // namespace qx
