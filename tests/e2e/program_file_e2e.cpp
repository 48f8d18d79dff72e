// What the program file says about itself: its version resource, read the
// way the system's file properties read it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace qx::e2e {
namespace {

TEST(ProgramFileE2E, CarriesTheVersionResource) {
  const std::wstring scr = ScrPath().wstring();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(scr.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(scr.c_str(), 0, size, data.data()));

  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(translation->language, 0x0411);  // Japanese
  EXPECT_EQ(translation->codePage, 1200);    // Unicode

  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } fields[] = {
      {L"InternalName", L"Quendelrix"},       {L"ProductName", L"Quendelrix"},
      {L"OriginalFilename", L"Quendelrix.scr"}, {L"FileVersion", L"1.01"},
      {L"ProductVersion", L"1.01"},
  };
  for (const auto& f : fields) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + f.name;
    wchar_t* value = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value),
                               &length))
        << std::string(query.begin(), query.end());
    EXPECT_EQ(std::wstring(value), f.value);
  }
}

// The Screen Saver list names a saver by its string 1.
TEST(ProgramFileE2E, StringOneIsTheNameTheScreenSaverListShows) {
  HMODULE file = LoadLibraryExW(ScrPath().c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_TRUE(file);
  wchar_t name[64] = {};
  EXPECT_EQ(LoadStringW(file, 1, name, 64), 10);
  EXPECT_STREQ(name, L"Quendelrix");
  FreeLibrary(file);
}

}  // namespace
}  // namespace qx::e2e
