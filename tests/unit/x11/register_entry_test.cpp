#include "platform/x11/register_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "test_files.h"

namespace qx::x11 {
namespace {

using testing_files::Put;
using testing_files::Slurp;
using testing_files::TempDir;

// The shape xscreensaver-settings writes: entries padded with tabs, every
// line of the value but the last continued with a backslash.
const std::string kHead =
    "# XScreenSaver Preferences File\n"
    "mode:\t\tone\n"
    "selected:\t3\n"
    "\n";
const std::string kPrograms =
    "programs:\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "  \"Cosmic\" \t\t\tattraction --root --points 3\t    \\n\\\n"
    "- GL: \t\t\t\tsquirtorus --root\t\t\t    \\n\n";
const std::string kTail =
    "\n"
    "pointerPollTime:\t0:00:05\n";
const std::string kEntry = "\t\t\t\t\"Quendelrix\" quendelrix --root\t\t\t    \\n";

TEST(X11Register, AppendsOneEntryAtTheEndOfTheList) {
  struct Case {
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      // The usual file: the last entry gets its continuation, ours follows.
      {kHead + kPrograms + kTail,
       kHead +
           "programs:\t\t\t\t\t\t\t      \\\n"
           "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
           "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
           "  \"Cosmic\" \t\t\tattraction --root --points 3\t    \\n\\\n"
           "- GL: \t\t\t\tsquirtorus --root\t\t\t    \\n\\\n" +
           kEntry + "\n" + kTail},
      // A last entry without its "\n", and no newline at the end of file:
      // ours still ends its line.
      {"programs: maze -root", "programs: maze -root \\n\\\n" + kEntry + "\n"},
      // An empty list.
      {"a: 1\nprograms:\nb: 2\n", "a: 1\nprograms:\t\\\n" + kEntry + "\nb: 2\n"},
      // A list closed by a blank line, every entry continued (the settings
      // program's way): ours becomes the last line, without a continuation.
      {"programs: \\\n  maze -root \\n\\\n\nb: 2\n",
       "programs: \\\n  maze -root \\n\\\n" + kEntry + "\n\nb: 2\n"},
      // A list whose last line is continued at the very end of the file.
      {"programs: \\\n  maze -root \\n\\\n", "programs: \\\n  maze -root \\n\\\n" + kEntry + "\n"},
      {"programs: \\\n  maze -root \\n\\", "programs: \\\n  maze -root \\n\\\n" + kEntry + "\n"},
      {"programs:\t\\", "programs:\t\\\n" + kEntry + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    std::string text = c.before;
    EXPECT_EQ(AddProgramEntry(text, "quendelrix"), EntryEdit::kAdded);
    EXPECT_EQ(text, c.after);
    // Once is enough.
    const std::string once = text;
    EXPECT_EQ(AddProgramEntry(text, "/opt/q/quendelrix"), EntryEdit::kAlreadyListed);
    EXPECT_EQ(text, once);
  }
}

// A file saved with CRLF line ends: "\\\r\n" continues a line as "\\\n"
// does, and the file comes back as its LF twin would, since XScreenSaver
// reads no programs list continued over CRLF.
TEST(X11Register, KeepsAFileWithCrLfLineEndsWhole) {
  auto crlf = [](std::string text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) {
      text.insert(at, 1, '\r');
    }
    return text;
  };
  const std::string cases[] = {
      kHead + kPrograms + kTail,
      "programs: \\\n  maze -root \\n\\\n\nb: 2\n",
      "programs: \\\n  maze -root \\n\\\n",
      "a: 1\nprograms:\nb: 2\n",
      "a: 1\nprograms: maze -root \\n",
  };
  for (const std::string& lf : cases) {
    std::string expected = lf;
    ASSERT_EQ(AddProgramEntry(expected, "quendelrix"), EntryEdit::kAdded);
    std::string text = crlf(lf);
    EXPECT_EQ(AddProgramEntry(text, "quendelrix"), EntryEdit::kAdded) << lf;
    EXPECT_EQ(text, expected);
    std::string listed = crlf(expected);
    EXPECT_EQ(AddProgramEntry(listed, "quendelrix"), EntryEdit::kAlreadyListed);
  }
  // --register says so; the backup keeps the file as it was.
  TempDir home;
  Put(home.path() / ".xscreensaver", crlf(kHead + kPrograms + kTail));
  std::string message;
  EXPECT_EQ(RegisterProgram(home.path(), "/usr/libexec/xscreensaver/quendelrix", message), 0);
  EXPECT_NE(message.find("CRLF line ends are now LF"), std::string::npos) << message;
  EXPECT_EQ(Slurp(home.path() / ".xscreensaver.bak"), crlf(kHead + kPrograms + kTail));
  EXPECT_EQ(Slurp(home.path() / ".xscreensaver").find('\r'), std::string::npos);
}

TEST(X11Register, FindsAnEntryInEveryForm) {
  const std::string listed[] = {
      "programs: quendelrix --root\n",
      "programs: \\\n  maze -root \\n\\\n  /usr/local/bin/quendelrix -root --count 30 \\n\n",
      "programs: \\\n- \"Quendelrix\" quendelrix --root \\n\\\n  maze -root \\n\n",
      "programs: \\\n  maze -root \\n\\\n- default: 'my dir/quendelrix' --root \\n\n",
      "programs: maze -root \\n   quendelrix --root\n",
  };
  for (const std::string& before : listed) {
    std::string text = before;
    EXPECT_EQ(AddProgramEntry(text, "quendelrix"), EntryEdit::kAlreadyListed) << before;
    EXPECT_EQ(text, before);
  }
  // Names that only look alike are other programs.
  const std::string others[] = {
      "programs: quendelrix2 --root \\n\n",
      "programs: \"quendelrix\" maze --root \\n\n",
      "programs: maze --root --label quendelrix \\n\n",
  };
  for (const std::string& before : others) {
    std::string text = before;
    EXPECT_EQ(AddProgramEntry(text, "quendelrix"), EntryEdit::kAdded) << before;
  }
}

TEST(X11Register, NoProgramListLeavesTheTextAlone) {
  for (std::string text : {std::string{}, std::string("mode: one\nselected: 2\n"),
                           std::string("# programs: in a comment\n")}) {
    const std::string before = text;
    EXPECT_EQ(AddProgramEntry(text, "quendelrix"), EntryEdit::kNoProgramList);
    EXPECT_EQ(text, before);
  }
}

TEST(X11Register, CommandIsTheBareNameOnlyInXScreenSaversFolder) {
  EXPECT_EQ(ProgramCommand("/usr/libexec/xscreensaver/quendelrix"), "quendelrix");
  EXPECT_EQ(ProgramCommand("/usr/local/libexec/xscreensaver/quendelrix"),
            "/usr/local/libexec/xscreensaver/quendelrix");
  EXPECT_EQ(ProgramCommand("/home/u/build/quendelrix"), "/home/u/build/quendelrix");
  EXPECT_EQ(ProgramCommand("/home/u/my build/it's/quendelrix"),
            "'/home/u/my build/it'\\''s/quendelrix'");
}

TEST(X11Register, EditsTheFileKeepingABackup) {
  TempDir home;
  const auto file = home.path() / ".xscreensaver";
  std::string message;

  // No file: nothing is written, and the message says how to make one.
  EXPECT_EQ(RegisterProgram(home.path(), "/usr/libexec/xscreensaver/quendelrix", message), 1);
  EXPECT_NE(message.find("xscreensaver-settings"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));

  // A file without a list is not touched either.
  Put(file, kHead);
  EXPECT_EQ(RegisterProgram(home.path(), "/usr/libexec/xscreensaver/quendelrix", message), 1);
  EXPECT_NE(message.find("xscreensaver-settings"), std::string::npos);
  EXPECT_EQ(Slurp(file), kHead);
  EXPECT_FALSE(std::filesystem::exists(home.path() / ".xscreensaver.bak"));

  const std::string original = kHead + kPrograms + kTail;
  Put(file, original);
  chmod(file.c_str(), 0640);
  EXPECT_EQ(RegisterProgram(home.path(), "/usr/libexec/xscreensaver/quendelrix", message), 0);
  EXPECT_NE(message.find(file.string()), std::string::npos);
  EXPECT_EQ(Slurp(home.path() / ".xscreensaver.bak"), original);
  std::string expected = original;
  ASSERT_EQ(AddProgramEntry(expected, "quendelrix"), EntryEdit::kAdded);
  EXPECT_EQ(Slurp(file), expected);
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A second run finds the entry and changes nothing, backup included.
  EXPECT_EQ(RegisterProgram(home.path(), "/opt/quendelrix", message), 0);
  EXPECT_NE(message.find("already"), std::string::npos);
  EXPECT_EQ(Slurp(file), expected);
  EXPECT_EQ(Slurp(home.path() / ".xscreensaver.bak"), original);
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(home.path())) entries += !e.is_directory();
  EXPECT_EQ(entries, 2u);  // no temporary file left
}

TEST(X11Register, ALinkedFileIsEditedWhereItIs) {
  TempDir home;
  std::filesystem::create_directory(home.path() / "dotfiles");
  const auto real = home.path() / "dotfiles" / "xscreensaver";
  Put(real, kHead + kPrograms + kTail);
  std::filesystem::create_symlink("dotfiles/xscreensaver", home.path() / ".xscreensaver");
  std::string message;
  EXPECT_EQ(RegisterProgram(home.path(), "/usr/libexec/xscreensaver/quendelrix", message), 0)
      << message;
  EXPECT_TRUE(std::filesystem::is_symlink(home.path() / ".xscreensaver"));
  EXPECT_NE(Slurp(real).find("\"Quendelrix\" quendelrix --root"), std::string::npos);
  EXPECT_EQ(Slurp(home.path() / ".xscreensaver.bak"), kHead + kPrograms + kTail);
}

}  // namespace
}  // namespace qx::x11
