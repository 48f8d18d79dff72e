// Writes the generated pictures into the resources folder:
//   generate_resources <resources-folder>
// Deterministic: the same files on every run, so the committed pictures can be
// checked against a fresh run.
#include <cstdio>
#include <filesystem>

#include "tools/bmp_file.h"
#include "tools/dialog_pictures.h"
#include "tools/icon_file.h"
#include "tools/preview_picture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <resources-folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  bool ok = true;
  ok &= qx::tools::WriteFileBytes(dir / "preview.bmp",
                                  qx::tools::EncodeBmp24(qx::tools::MakePreviewPicture()));
  ok &= qx::tools::WriteDialogResources(dir);
  if (!ok) {
    std::fprintf(stderr, "could not write the pictures into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
