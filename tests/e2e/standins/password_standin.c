/* A stand-in for the screen-saver password check of the Windows 95 family.
 * Its answer comes from "password_answer.txt" beside it: a file starting with
 * '1' passes the check, anything else (or no file) refuses it. Every call
 * appends the owner window's handle to "password_calls.txt" beside it. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static HMODULE g_self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

/* The file `name` in this library's folder. */
static void Beside(const wchar_t* name, wchar_t* out, DWORD size) {
  DWORD n = GetModuleFileNameW(g_self, out, size);
  if (n == 0 || n >= size) {
    out[0] = 0;
    return;
  }
  wchar_t* slash = wcsrchr(out, L'\\');
  if (!slash) slash = wcsrchr(out, L'/');
  if (!slash || (size_t)(slash - out) + 1 + wcslen(name) + 1 > size) {
    out[0] = 0;
    return;
  }
  wcscpy(slash + 1, name);
}

BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  wchar_t path[MAX_PATH * 2];
  Beside(L"password_calls.txt", path, MAX_PATH * 2);
  if (path[0]) {
    FILE* log = _wfopen(path, L"ab");
    if (log) {
      fprintf(log, "VerifyScreenSavePwd|%lld\n", (long long)(LONG_PTR)owner);
      fclose(log);
    }
  }
  Beside(L"password_answer.txt", path, MAX_PATH * 2);
  if (!path[0]) return FALSE;
  FILE* answer = _wfopen(path, L"rb");
  if (!answer) return FALSE;
  int c = fgetc(answer);
  fclose(answer);
  return c == '1' ? TRUE : FALSE;
}
