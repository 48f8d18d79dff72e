// Listing the program in XScreenSaver's user settings: ~/.xscreensaver's
// "programs:" resource gets one more entry, and nothing else of the file
// changes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qx::x11 {

inline constexpr std::string_view kSystemProgramFolder = "/usr/libexec/xscreensaver";

enum class EntryEdit {
  kAdded,          // `text` has the entry now
  kAlreadyListed,  // an entry already runs quendelrix; `text` is unchanged
  kNoProgramList,  // the file has no "programs:" resource; `text` is unchanged
};

// The command XScreenSaver runs: the bare name for the program installed in
// XScreenSaver's own folder (which the daemon puts first on PATH), its
// absolute path (quoted for the shell when needed) otherwise.
std::string ProgramCommand(const std::filesystem::path& executable);

// Appends the entry `"Quendelrix" <command> --root` at the end of the
// programs list of the settings text `text`, so the positions of every other
// entry (which "selected:" counts by) stay as they were: ours becomes the
// list's last line. Lines may end in "\n" or "\r\n"; the text comes back
// with "\n" line ends only, the only ones XScreenSaver continues a line
// over (it reads no programs list of a file with CRLF line ends).
EntryEdit AddProgramEntry(std::string& text, std::string_view command);

// The --register command: edits `home`/.xscreensaver, keeping a copy of the
// old file beside it (.xscreensaver.bak). Messages go to `out`; returns the
// program's exit status.
int RegisterProgram(const std::filesystem::path& home,
                    const std::filesystem::path& executable, std::string& out);

}  // namespace qx::x11
