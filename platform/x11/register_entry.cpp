#include "platform/x11/register_entry.h"

#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace qx::x11 {

namespace {

constexpr std::string_view kLabel = "\"Quendelrix\"";
constexpr std::string_view kResource = "programs:";
constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

// The lines of `text`, each without its '\n'; `endsWithNewline` says whether
// the last line had one.
std::vector<std::string> Lines(const std::string& text, bool& endsWithNewline) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start));
      endsWithNewline = false;
      return lines;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  endsWithNewline = true;
  return lines;
}

bool Continues(std::string_view line) {
  return !line.empty() && line.back() == '\\';
}

// The command word of one programs entry ("- GL: "Label" cmd --root \n\"):
// a leading '-' (disabled), a visual name ending in ':' and a quoted label
// are skipped.
std::string_view CommandWord(std::string_view entry) {
  entry = Trimmed(entry);
  if (entry.starts_with("-")) entry = Trimmed(entry.substr(1));
  const size_t word = entry.find_first_of(kBlanks);
  if (word != std::string_view::npos && entry.substr(0, word).ends_with(':')) {
    entry = Trimmed(entry.substr(word));
  }
  if (entry.starts_with("\"")) {
    const size_t close = entry.find('"', 1);
    entry = close == std::string_view::npos ? std::string_view{} : Trimmed(entry.substr(close + 1));
  }
  if (entry.starts_with("'")) {
    const size_t close = entry.find('\'', 1);
    return close == std::string_view::npos ? entry.substr(1) : entry.substr(1, close - 1);
  }
  return entry.substr(0, entry.find_first_of(kBlanks));
}

bool RunsThisProgram(std::string_view entry) {
  const std::string_view word = CommandWord(entry);
  const size_t slash = word.rfind('/');
  return (slash == std::string_view::npos ? word : word.substr(slash + 1)) == "quendelrix";
}

}  // namespace

std::string ProgramCommand(const std::filesystem::path& executable) {
  if (executable.parent_path() == std::filesystem::path(kSystemProgramFolder)) {
    return executable.filename().string();
  }
  const std::string path = executable.string();
  const bool plain = path.find_first_not_of(
                         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._+-") ==
                     std::string::npos;
  if (plain) return path;
  std::string quoted = "'";
  for (char c : path) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

EntryEdit AddProgramEntry(std::string& text, std::string_view command) {
  bool endsWithNewline = true;
  std::vector<std::string> lines = Lines(text, endsWithNewline);

  size_t first = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (Trimmed(lines[i]).starts_with(kResource)) {
      first = i;
      break;
    }
  }
  if (first == lines.size()) return EntryEdit::kNoProgramList;
  size_t last = first;
  while (last + 1 < lines.size() && Continues(lines[last])) ++last;

  // Every entry ends in "\n" in the resource's value; entries are split there.
  std::string value;
  for (size_t i = first; i <= last; ++i) {
    std::string_view line = lines[i];
    if (i == first) line = Trimmed(line).substr(kResource.size());
    if (Continues(line)) line.remove_suffix(1);
    value += line;
  }
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find("\\n", start);
    if (end == std::string::npos) end = value.size();
    if (RunsThisProgram(std::string_view(value).substr(start, end - start))) {
      return EntryEdit::kAlreadyListed;
    }
    start = end + 2;
  }

  const std::string entry = "\t\t\t\t" + std::string(kLabel) + " " + std::string(command) +
                            " --root\t\t\t    \\n";
  std::string& tail = lines[last];
  const std::string_view tailValue =
      last == first ? Trimmed(Trimmed(tail).substr(kResource.size())) : Trimmed(tail);
  if (tailValue.empty()) {
    if (last == first) {
      // "programs:" with nothing after it.
      tail += "\t\\";
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last) + 1, entry);
    } else {
      // Every entry continued and the list closed by a blank line, as
      // xscreensaver-settings writes it: one more such entry before the end.
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last), entry + "\\");
    }
  } else {
    while (!tail.empty() && kBlanks.find(tail.back()) != std::string_view::npos) tail.pop_back();
    if (!tail.ends_with("\\n")) tail += " \\n";
    tail += "\\";
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last) + 1, entry);
  }

  std::string result;
  for (size_t i = 0; i < lines.size(); ++i) {
    result += lines[i];
    if (i + 1 < lines.size() || endsWithNewline) result += '\n';
  }
  text = std::move(result);
  return EntryEdit::kAdded;
}

int RegisterProgram(const std::filesystem::path& home,
                    const std::filesystem::path& executable, std::string& out) {
  namespace fs = std::filesystem;
  const fs::path file = home / ".xscreensaver";
  const std::string howToCreate =
      "Run xscreensaver-settings once and press Save (or change any setting): it writes "
      "that file with the full list of display programs. Then run quendelrix --register "
      "again.\n";
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    out = file.string() + " does not exist yet, and a file holding only Quendelrix would "
          "hide every other display program.\n" + howToCreate;
    return 1;
  }
  std::ifstream in(file, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  if (!in) {
    out = "cannot read " + file.string() + "\n";
    return 1;
  }
  std::string text = buffer.str();
  switch (AddProgramEntry(text, ProgramCommand(executable))) {
    case EntryEdit::kAlreadyListed:
      out = "Quendelrix is already listed in " + file.string() + "\n";
      return 0;
    case EntryEdit::kNoProgramList:
      out = file.string() + " has no programs: list yet, and one holding only Quendelrix "
            "would hide every other display program.\n" + howToCreate;
      return 1;
    case EntryEdit::kAdded:
      break;
  }

  const fs::path backup = home / ".xscreensaver.bak";
  const fs::path temporary = home / ".xscreensaver.quendelrix-new";
  fs::copy_file(file, backup, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    out = "cannot write the backup " + backup.string() + ": " + ec.message() + "\n";
    return 1;
  }
  {
    std::ofstream os(temporary, std::ios::binary | std::ios::trunc);
    os << text;
    os.close();
    if (!os) {
      fs::remove(temporary, ec);
      out = "cannot write " + temporary.string() + "\n";
      return 1;
    }
  }
  fs::permissions(temporary, fs::status(file).permissions(), ec);
  fs::rename(temporary, file, ec);
  if (ec) {
    fs::remove(temporary, ec);
    out = "cannot replace " + file.string() + "\n";
    return 1;
  }
  out = "Quendelrix added to the display programs in " + file.string() + " (the old file is " +
        backup.string() + ")\n";
  return 0;
}

}  // namespace qx::x11
