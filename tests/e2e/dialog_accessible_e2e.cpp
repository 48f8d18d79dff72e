// The settings dialog as a screen reader in another process meets it: the
// accessible objects of its window and of its scroll bars, reached through
// the system, their answers following the keyboard and their default
// actions doing what a click does; and the events the reader hears.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/dialog_accessible.h"
#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

using win32::ComRef;
using win32::kIidAccessible;

ComRef<IAccessible> ObjectOf(HWND hwnd) {
  void* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT),
                                        kIidAccessible, &object))) {
    return nullptr;
  }
  return ComRef<IAccessible>(static_cast<IAccessible*>(object));
}

VARIANT Child(long child) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = child;
  return v;
}

using Getter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

std::wstring TextOf(IAccessible* object, Getter get, long child) {
  BSTR text = nullptr;
  if ((object->*get)(Child(child), &text) != S_OK || !text) return L"";
  std::wstring out(text, SysStringLen(text));
  SysFreeString(text);
  return out;
}

long NumberOf(IAccessible* object,
              HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long child) {
  VARIANT v;
  VariantInit(&v);
  if ((object->*get)(Child(child), &v) != S_OK || v.vt != VT_I4) return -1;
  return v.lVal;
}

long FocusOf(IAccessible* object) {
  VARIANT v;
  VariantInit(&v);
  if (object->get_accFocus(&v) != S_OK || v.vt != VT_I4) return -1;
  return v.lVal;
}

// Win events from the dialog's process, as an out-of-context hook hears
// them (they arrive while this thread pumps its messages).
struct Heard {
  DWORD event;
  HWND hwnd;
  LONG object, child;
  friend bool operator==(const Heard&, const Heard&) = default;
};
std::vector<Heard> g_heard;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child,
                         DWORD, DWORD) {
  g_heard.push_back({event, hwnd, object, child});
}

class EventHook {
 public:
  explicit EventHook(DWORD pid) {
    g_heard.clear();
    hook_ = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent,
                            pid, 0, WINEVENT_OUTOFCONTEXT);
  }
  ~EventHook() {
    if (hook_) UnhookWinEvent(hook_);
  }
  bool Hears(const Heard& h) const {
    return WaitUntil([&] {
      return std::find(g_heard.begin(), g_heard.end(), h) != g_heard.end();
    });
  }

 private:
  HWINEVENTHOOK hook_ = nullptr;
};

class ComApartment {
 public:
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { CoUninitialize(); }
};

TEST(DialogAccessibleE2E, ReaderHearsTheControlsFollowsTheKeysAndPressesSet) {
  ComApartment com;
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  ASSERT_TRUE(dialog.Focused(0));
  EventHook hook(dialog.process().Pid());

  ComRef<IAccessible> acc = ObjectOf(dialog.hwnd());
  ASSERT_TRUE(acc) << "no accessible object for the dialog";
  long count = 0;
  ASSERT_EQ(acc->get_accChildCount(&count), S_OK);
  const struct { LONG role; std::wstring name, value, action; } tree[] = {
      {ROLE_SYSTEM_PUSHBUTTON, L"exit button", L"", L"押す"},
      {ROLE_SYSTEM_GRAPHIC, L"花畑の写真とレンズ", L"", L""},
      {ROLE_SYSTEM_STATICTEXT, L"球の数", L"", L""},
      {ROLE_SYSTEM_SLIDER, L"球の数", L"60", L""},
      {ROLE_SYSTEM_STATICTEXT, L"ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ", L"", L""},
      {ROLE_SYSTEM_SLIDER, L"ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ", L"300", L""},
      {ROLE_SYSTEM_PUSHBUTTON, L"設定", L"", L"押す"},
      {ROLE_SYSTEM_PUSHBUTTON, L"ｷｬﾝｾﾙ", L"", L"押す"},
      {ROLE_SYSTEM_STATICTEXT, std::wstring(kCreditText), L"", L""},
      {ROLE_SYSTEM_LINK, L"http://www.quendelrix.example/", L"http://www.quendelrix.example/",
       L"ジャンプ"},
  };
  ASSERT_EQ(count, static_cast<long>(std::size(tree)));
  EXPECT_EQ(NumberOf(acc.get(), &IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_CLIENT);
  EXPECT_EQ(TextOf(acc.get(), &IAccessible::get_accName, CHILDID_SELF), kDialogTitle);
  for (long child = 1; child <= count; ++child) {
    SCOPED_TRACE(testing::Message() << "child " << child);
    const auto& t = tree[child - 1];
    EXPECT_EQ(NumberOf(acc.get(), &IAccessible::get_accRole, child), t.role);
    EXPECT_EQ(TextOf(acc.get(), &IAccessible::get_accName, child), t.name);
    EXPECT_EQ(TextOf(acc.get(), &IAccessible::get_accValue, child), t.value);
    EXPECT_EQ(TextOf(acc.get(), &IAccessible::get_accDefaultAction, child), t.action);
    // Where the child says it is, the reader finds it again.
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(acc->accLocation(&x, &y, &w, &h, Child(child)), S_OK);
    VARIANT hit;
    VariantInit(&hit);
    ASSERT_EQ(acc->accHitTest(x + w / 2, y + h / 2, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, child);
  }
  {  // The Set button's place is the place a click presses it.
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(acc->accLocation(&x, &y, &w, &h, Child(7)), S_OK);
    const POINT set = dialog.Screen(POINT{365 + 40, 185 + 8});
    EXPECT_TRUE(set.x >= x && set.x < x + w && set.y >= y && set.y < y + h);
  }
  EXPECT_EQ(FocusOf(acc.get()), 4);
  EXPECT_EQ(NumberOf(acc.get(), &IAccessible::get_accState, 4),
            STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
  EXPECT_EQ(NumberOf(acc.get(), &IAccessible::get_accState, 7), STATE_SYSTEM_DEFAULT);

  // Each scroll bar answers for itself with the dialog's object of it.
  const auto bars = dialog.Bars();
  ASSERT_EQ(bars.size(), 2u);
  ComRef<IAccessible> balls = ObjectOf(bars[0]);
  ASSERT_TRUE(balls);
  EXPECT_EQ(NumberOf(balls.get(), &IAccessible::get_accRole, CHILDID_SELF),
            ROLE_SYSTEM_SLIDER);
  EXPECT_EQ(TextOf(balls.get(), &IAccessible::get_accName, CHILDID_SELF), L"球の数");

  // An arrow key moves the bar; the value read follows.
  PressKey(VK_RIGHT);
  ASSERT_EQ(dialog.BarOnceItIs(0, 61), 61);
  EXPECT_TRUE(WaitUntil([&] {
    return TextOf(balls.get(), &IAccessible::get_accValue, CHILDID_SELF) == L"61";
  }));
  EXPECT_EQ(TextOf(acc.get(), &IAccessible::get_accValue, 4), L"61");

  // Tab: the focus is on the other bar, for the window and the reader.
  PressKey(VK_TAB);
  ASSERT_TRUE(dialog.Focused(1));
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(acc.get()) == 6; }));
  EXPECT_TRUE(hook.Hears({EVENT_OBJECT_FOCUS, bars[1], OBJID_CLIENT, CHILDID_SELF}))
      << "no focus event for the bar that took the focus";
  ComRef<IAccessible> interval = ObjectOf(bars[1]);
  ASSERT_TRUE(interval);
  VARIANT self;
  VariantInit(&self);
  EXPECT_EQ(interval->get_accFocus(&self), S_OK);
  EXPECT_EQ(self.vt, VT_I4);

  // Set's default action: the button shows pressed and released, the file
  // is written and the dialog closes.
  EXPECT_EQ(acc->accDoDefaultAction(Child(7)), S_OK);
  EXPECT_TRUE(hook.Hears({EVENT_OBJECT_STATECHANGE, dialog.hwnd(), OBJID_CLIENT, 7}));
  ASSERT_TRUE(dialog.Closed());
  ExpectStored(folder.ini(), 61, 300);

  // The reader still holds the objects: every call fails, none hangs.
  BSTR name = nullptr;
  EXPECT_TRUE(FAILED(acc->get_accName(Child(4), &name)));
  EXPECT_TRUE(FAILED(balls->get_accValue(Child(CHILDID_SELF), &name)));
  long after = 0;
  EXPECT_TRUE(FAILED(acc->get_accChildCount(&after)));
}

TEST(DialogAccessibleE2E, CancelsDefaultActionClosesWithoutWriting) {
  ComApartment com;
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  ASSERT_TRUE(dialog.Focused(0));
  PressKey(VK_RIGHT);
  ASSERT_EQ(dialog.BarOnceItIs(0, 61), 61);
  ComRef<IAccessible> acc = ObjectOf(dialog.hwnd());
  ASSERT_TRUE(acc);
  // A child without an action, then one that is no child.
  EXPECT_EQ(acc->accDoDefaultAction(Child(4)), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(acc->accDoDefaultAction(Child(11)), E_INVALIDARG);
  ASSERT_TRUE(dialog.Handled());
  EXPECT_EQ(acc->accDoDefaultAction(Child(8)), S_OK);
  ASSERT_TRUE(dialog.Closed());
  EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(60, 300));
}

}  // namespace
}  // namespace qx::e2e
