#include "platform/x11/manual_page.h"

#include "platform/x11/options.h"

namespace qx::x11 {

namespace {

std::string Bold(std::string_view text) { return "\\fB" + RoffText(text) + "\\fR"; }
std::string Italic(std::string_view text) { return "\\fI" + RoffText(text) + "\\fR"; }

std::string OptionForm(const OptionHelp& option) {
  std::string form = Bold("--" + std::string(option.name));
  if (!option.value.empty()) form += " " + Italic(option.value);
  return form;
}

std::string TaggedParagraphs(const std::vector<TermHelp>& table) {
  std::string out;
  for (const TermHelp& t : table) out += ".TP\n" + Bold(t.term) + "\n" + RoffText(t.text) + "\n";
  return out;
}

}  // namespace

std::string RoffText(std::string_view text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

std::string ManualPage(std::string_view version, std::string_view date) {
  using Group = OptionHelp::Group;
  std::string page;
  page += ".TH QUENDELRIX 6 \"" + std::string(date) + "\" \"Quendelrix " + std::string(version) +
          "\" \"XScreenSaver display programs\"\n";
  // Option names and paths are not to be hyphenated.
  page += ".nh\n.ad l\n";
  page += ".SH NAME\nquendelrix \\- bright shaded balls that bounce, mix their colours and melt\n";
  page += ".SH SYNOPSIS\n.B quendelrix\n" + Synopsis(Group::kTarget, OptionForm) + "\n" +
          Synopsis(Group::kSetting, OptionForm) + "\n.br\n.B quendelrix\n" +
          Synopsis(Group::kCommand, OptionForm) + "\n";
  page += ".SH DESCRIPTION\n.B quendelrix\n" +
          RoffText("is a display program for XScreenSaver. Dozens of bright, shaded balls drift "
                   "and bounce on a black screen; where they overlap their colours mix by a "
                   "bitwise OR, and every few hundred frames the picture melts for a moment under "
                   "thousands of small block shifts before the balls come back.") +
          "\n.PP\n" +
          RoffText("XScreenSaver lists only the programs named in each user's ~/.xscreensaver. "
                   "Run quendelrix --register once to add it there, then choose \"Quendelrix\" in "
                   "xscreensaver-settings.") +
          "\n";
  page += ".SH OPTIONS\n" +
          RoffText("Every option may also be written with one dash, and a value may also follow "
                   "an equals sign (--count=40).") +
          "\n";
  for (const OptionHelp& option : OptionTable()) {
    page += ".TP\n" + OptionForm(option);
    if (!option.alias.empty()) page += ", " + Bold("-" + std::string(option.alias));
    page += "\n" + RoffText(option.text) + "\n";
  }
  page += ".SH ENVIRONMENT\n" + TaggedParagraphs(EnvironmentTable());
  page += ".SH \"EXIT STATUS\"\n" + TaggedParagraphs(ExitStatusTable());
  page += ".SH FILES\n.TP\n" + Italic("~/.xscreensaver") + "\n" +
          RoffText("XScreenSaver's settings of the user, with the list of display programs that "
                   "--register adds to; the file before the change is kept as "
                   "~/.xscreensaver.bak.") +
          "\n.TP\n" + Italic("/usr/share/xscreensaver/config/quendelrix.xml") + "\n" +
          RoffText("The settings description: the two sliders xscreensaver-settings shows.") + "\n";
  page += ".SH \"SEE ALSO\"\n.BR xscreensaver (1),\n.BR xscreensaver\\-settings (1),\n"
          ".BR xscreensaver\\-command (1)\n";
  return page;
}

}  // namespace qx::x11
