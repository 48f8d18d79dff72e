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

std::string Cut(std::string_view text, size_t bufferChars) {
  std::string s(text.substr(0, bufferChars - 1));
  const size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

}  // namespace

std::optional<std::string> IniFind(std::string_view content,
                                   std::string_view section,
                                   std::string_view key) {
  const auto lines = SplitLines(content);
  const auto span = FindSection(lines, content, section);
  if (!span) return std::nullopt;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    auto kv = ParseKeyLine(
        content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (kv && NamesEqual(kv->key, key)) return Unquote(kv->value);
  }
  return std::nullopt;
}

std::string IniLookup(std::string_view content, std::string_view section,
                      std::string_view key) {
  return IniFind(content, section, key).value_or(std::string());
}

std::string IniUpdate(std::string_view content, std::string_view section,
                      std::string_view key, std::string_view value,
                      std::string_view formerKey) {
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
  // The key's own line, else the line of its former spelling.
  std::optional<size_t> keyLine;
  std::optional<size_t> formerLine;
  for (size_t i = span->header + 1; i < span->end && !keyLine; ++i) {
    auto kv = ParseKeyLine(
        content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (!kv) continue;
    if (NamesEqual(kv->key, key)) keyLine = i;
    if (!formerKey.empty() && !formerLine && NamesEqual(kv->key, formerKey)) {
      formerLine = i;
    }
  }
  if (const auto replace = keyLine ? keyLine : formerLine) {
    const Line& line = lines[*replace];
    return std::string(content.substr(0, line.begin)) + newLine +
           std::string(content.substr(line.next));
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

SettingsFiles::Content PortableFiles::Read(const std::filesystem::path& file) {
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (status.type() == std::filesystem::file_type::not_found) return {};
  if (ec || status.type() != std::filesystem::file_type::regular) {
    return {ReadStatus::kUnreadable, {}};
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return {ReadStatus::kUnreadable, {}};
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return {ReadStatus::kUnreadable, {}};
  return {ReadStatus::kRead, buffer.str()};
}

bool PortableFiles::IsFile(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec);
}

std::optional<std::filesystem::path> PortableFiles::WriteBeside(
    const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::path temp = file;
  temp += L".tmp";
  bool written = false;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return std::nullopt;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    written = static_cast<bool>(out.flush());
  }
  if (!written) {
    Remove(temp);
    return std::nullopt;
  }
  return temp;
}

bool PortableFiles::Replace(const std::filesystem::path& temp,
                            const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  return !ec;
}

void PortableFiles::Remove(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::remove(file, ec);
}

bool PortableFiles::CreateFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
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

std::filesystem::path UserIniPathFor(const std::filesystem::path& userDataFolder) {
  if (userDataFolder.empty()) return {};
  return userDataFolder / kUserIniFolderName / kIniFileName;
}

SettingsFileText ReadSettingsFile(SettingsFiles& files,
                                  const std::filesystem::path& file) {
  SettingsFiles::Content content = files.Read(file);
  if (content.status != SettingsFiles::ReadStatus::kRead) return {content.status, {}};
  auto decoded = DecodeSettingsText(content.bytes);
  if (!decoded) return {SettingsFiles::ReadStatus::kUnreadable, {}};
  return {SettingsFiles::ReadStatus::kRead, std::move(*decoded)};
}

std::string ReadIniValue(SettingsFiles& files, std::string_view section,
                         const SettingsKey& key, const std::filesystem::path& file) {
  const SettingsFileText read = ReadSettingsFile(files, file);
  if (read.status != SettingsFiles::ReadStatus::kRead) return {};
  const SettingsText& content = read.content;
  auto value = IniFind(content.text, section, key.In(content.encoding));
  if (!value && content.encoding == TextEncoding::kBytes) {
    // A file the system's ANSI profile functions wrote under a code page
    // that does not keep the Shift-JIS bytes.
    const std::string stored = files.InSystemCodePage(key.shiftJis);
    if (stored != key.shiftJis) value = IniFind(content.text, section, stored);
  }
  return Cut(value.value_or(std::string()), kReadBufferChars);
}

bool WriteIniValues(SettingsFiles& files, std::string_view section,
                    std::initializer_list<IniEntry> entries,
                    const std::filesystem::path& file,
                    std::string_view newFileText) {
  const SettingsFileText old = ReadSettingsFile(files, file);
  // A file that is there but cannot be read or decoded is never
  // overwritten: what it holds would be lost.
  if (old.status == SettingsFiles::ReadStatus::kUnreadable) return false;
  SettingsText content = old.status == SettingsFiles::ReadStatus::kRead
                             ? old.content
                             : DecodeSettingsText(newFileText).value_or(SettingsText{});
  const std::string sectionName = Cut(section, kNameBufferChars);
  for (const IniEntry& entry : entries) {
    const std::string key = Cut(entry.key.In(content.encoding), kNameBufferChars);
    // Only the key in the file's own spelling is written; in a file without
    // a mark, a line the system's code page spelled differently becomes
    // that key's line.
    const std::string stored = content.encoding == TextEncoding::kBytes
                                   ? files.InSystemCodePage(key)
                                   : key;
    content.text = IniUpdate(content.text, sectionName, key, entry.value,
                             stored != key ? std::string_view(stored) : std::string_view());
  }
  const auto temp = files.WriteBeside(file, EncodeSettingsText(content));
  if (!temp) return false;
  if (!files.Replace(*temp, file)) {
    files.Remove(*temp);
    return false;
  }
  return true;
}

bool WriteIniValue(SettingsFiles& files, std::string_view section,
                   const SettingsKey& key, std::string_view value,
                   const std::filesystem::path& file) {
  return WriteIniValues(files, section, {{key, value}}, file);
}

std::filesystem::path SettingsFileToRead(SettingsFiles& files,
                                         const std::filesystem::path& programIni,
                                         const std::filesystem::path& userIni) {
  return !userIni.empty() && files.IsFile(userIni) ? userIni : programIni;
}

namespace {

// One setting: empty -> default, number -> its floor as a 16-bit value,
// anything else -> the setting keeps its value.
void LoadOne(ModuleValues& values, SettingsFiles& files,
             const SettingsKey& key, int16_t defaultValue, int16_t& setting,
             char decimalSeparator) {
  values.IniKey = std::string(key.shiftJis);
  values.IniValue = ReadIniValue(files, kIniSection, key, values.IniPath);
  if (values.IniValue.empty()) {
    setting = defaultValue;
    return;
  }
  const auto number = StrictNumber(values.IniValue, decimalSeparator);
  if (!number) return;
  if (auto whole = FloorTo<int16_t>(*number)) setting = *whole;
}

}  // namespace

void LoadSettings(ModuleValues& values, SettingsFiles& files,
                  const std::filesystem::path& programFolder,
                  char decimalSeparator) {
  values.ProgramIniPath = IniPathFor(programFolder);
  values.UserIniPath = UserIniPathFor(files.UserDataFolder());
  values.IniPath =
      SettingsFileToRead(files, values.ProgramIniPath, values.UserIniPath);
  LoadOne(values, files, kBallCountKey, kDefaultBallCount, values.BallCount,
          decimalSeparator);
  LoadOne(values, files, kIntervalKey, kDefaultInterval, values.Interval,
          decimalSeparator);
}

SaveResult SaveSettings(SettingsFiles& files, const ModuleValues& values,
                        std::string_view ballCountText,
                        std::string_view intervalText) {
  const std::initializer_list<IniEntry> entries = {
      {kBallCountKey, ballCountText}, {kIntervalKey, intervalText}};
  const std::filesystem::path& user = values.UserIniPath;
  const std::filesystem::path& program = values.ProgramIniPath;
  if (!user.empty() && files.IsFile(user)) {
    return {WriteIniValues(files, kIniSection, entries, user), user};
  }
  if (WriteIniValues(files, kIniSection, entries, program)) {
    return {true, program};
  }
  if (user.empty()) return {false, program};
  files.CreateFolders(user.parent_path());
  // The new file starts as the one beside the program, bytes and encoding.
  const SettingsFiles::Content beside = files.Read(program);
  std::string_view start;
  if (beside.status == SettingsFiles::ReadStatus::kRead) start = beside.bytes;
  return {WriteIniValues(files, kIniSection, entries, user, start), user};
}

}  // namespace qx
