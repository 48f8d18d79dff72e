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

// One line of the file, without its line end ("\n" or "\r\n"), and whether
// it had one (the last line of a file may not).
struct Line {
  std::string text;
  bool ended = true;
};

std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.push_back({std::string(text.substr(start)), false});
      break;
    }
    const bool crlf = nl > start && text[nl - 1] == '\r';
    lines.push_back({std::string(text.substr(start, nl - start - crlf)), true});
    start = nl + 1;
  }
  return lines;
}

void TrimEnd(std::string& line) {
  while (!line.empty() && kBlanks.find(line.back()) != std::string_view::npos) line.pop_back();
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
  std::vector<Line> lines = Lines(text);

  size_t first = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (Trimmed(lines[i].text).starts_with(kResource)) {
      first = i;
      break;
    }
  }
  if (first == lines.size()) return EntryEdit::kNoProgramList;
  size_t last = first;
  while (last + 1 < lines.size() && Continues(lines[last].text)) ++last;

  // Every entry ends in "\n" in the resource's value; entries are split there.
  std::string value;
  for (size_t i = first; i <= last; ++i) {
    std::string_view line = lines[i].text;
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

  // The list's last line that holds something: a continued list closed by a
  // blank line (xscreensaver-settings writes it so) ends on the line before.
  size_t tail = last;
  if (tail > first && Trimmed(lines[tail].text).empty()) --tail;
  Line& line = lines[tail];
  TrimEnd(line.text);
  if (!Continues(line.text)) {
    const std::string_view entries =
        tail == first ? Trimmed(Trimmed(line.text).substr(kResource.size())) : Trimmed(line.text);
    if (entries.empty()) {
      line.text += "\t";  // "programs:" with nothing after it
    } else if (!line.text.ends_with("\\n")) {
      line.text += " \\n";
    }
    line.text += "\\";
  }
  line.ended = true;
  // Ours becomes the list's last line: a line end and no continuation.
  const Line entry{"\t\t\t\t" + std::string(kLabel) + " " + std::string(command) +
                   " --root\t\t\t    \\n"};
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(tail) + 1, entry);

  // XScreenSaver continues a line only over "\\\n": a list continued over
  // CRLF line ends is not read at all, so every line ends in "\n".
  std::string result;
  for (const Line& l : lines) result += l.text + (l.ended ? "\n" : "");
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
  const bool crlf = text.find("\r\n") != std::string::npos;
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
  // A linked settings file (kept with other dotfiles) is edited where it is.
  const fs::path target = fs::is_symlink(file, ec) ? fs::canonical(file, ec) : file;
  if (ec) {
    out = "cannot follow the link " + file.string() + ": " + ec.message() + "\n";
    return 1;
  }
  fs::path temporary = target;
  temporary += ".quendelrix-new";
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
  fs::permissions(temporary, fs::status(target).permissions(), ec);
  fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    out = "cannot replace " + target.string() + "\n";
    return 1;
  }
  out = "Quendelrix added to the display programs in " + file.string() + " (the old file is " +
        backup.string() + ")\n";
  if (crlf) {
    out += "Its CRLF line ends are now LF line ends: XScreenSaver reads no list of programs "
           "continued over CRLF line ends.\n";
  }
  return 0;
}

}  // namespace qx::x11
