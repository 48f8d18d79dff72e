/* A stand-in for the password-change service of the Windows 95 family: it
 * appends the arguments it receives to the file named by QX_STANDIN_LOG, one
 * call per line, so that a test can check what the program passed. */
#include <windows.h>
#include <stdio.h>

DWORD WINAPI PwdChangePasswordA(LPCSTR regkey, HWND owner, DWORD reserved1,
                                DWORD reserved2) {
  char path[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("QX_STANDIN_LOG", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  FILE* f = fopen(path, "ab");
  if (!f) return 0;
  fprintf(f, "PwdChangePasswordA|%s|%lld|%lu|%lu\n", regkey ? regkey : "(null)",
          (long long)(LONG_PTR)owner, (unsigned long)reserved1,
          (unsigned long)reserved2);
  fclose(f);
  return 0;
}
