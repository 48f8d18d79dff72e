// The program's entry: builds the Windows host of the start procedure and
// runs it. Everything the start procedure decides lives in startup/.
#include <windows.h>

#include "platform/win32/startup_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return qx::win32::RunProgram(GetCommandLineW());
}
