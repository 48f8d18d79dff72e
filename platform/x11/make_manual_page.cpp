// Writes the manual page quendelrix(6) at build time:
//   make_manual_page <output file> <date YYYY-MM-DD>
#include <cstdio>
#include <fstream>

#include "platform/x11/manual_page.h"
#include "platform/x11/version.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: make_manual_page <output file> <date>\n", stderr);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << qx::x11::ManualPage(qx::x11::kVersion, argv[2]);
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_manual_page: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
