// The dialog's accessible objects once their window is gone: a screen
// reader keeps its references, and every call fails without touching the
// window or the form.
#include "platform/win32/dialog_accessible.h"

#include <gtest/gtest.h>

namespace qx::win32 {
namespace {

TEST(DialogAccessible, CutOffObjectsFailEveryCall) {
  auto link = std::make_shared<AccessibleLink>();  // no window behind it
  for (const int self : {kAccessibleSelf, 4}) {
    SCOPED_TRACE(self);
    ComRef<IAccessible> object(NewDialogAccessible(link, self));
    ASSERT_TRUE(object);
    // The object is still one, under its own IID and the base ones.
    void* same = nullptr;
    ASSERT_EQ(object->QueryInterface(kIidAccessible, &same), S_OK);
    static_cast<IUnknown*>(same)->Release();
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, &same), S_OK);
    static_cast<IUnknown*>(same)->Release();
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &same), E_NOINTERFACE);
    EXPECT_EQ(same, nullptr);

    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = CHILDID_SELF;
    VARIANT out;
    VariantInit(&out);
    BSTR text = nullptr;
    long n = 0;
    IDispatch* dispatch = nullptr;
    EXPECT_EQ(object->get_accName(child, &text), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->get_accValue(child, &text), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->get_accDefaultAction(child, &text), RPC_E_DISCONNECTED);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(object->get_accRole(child, &out), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->get_accState(child, &out), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->get_accFocus(&out), RPC_E_DISCONNECTED);
    EXPECT_EQ(out.vt, VT_EMPTY);
    EXPECT_EQ(object->get_accChildCount(&n), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->get_accParent(&dispatch), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->get_accChild(child, &dispatch), RPC_E_DISCONNECTED);
    EXPECT_EQ(dispatch, nullptr);
    EXPECT_EQ(object->accLocation(&n, &n, &n, &n, child), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->accHitTest(10, 10, &out), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->accNavigate(NAVDIR_NEXT, child, &out), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, child), RPC_E_DISCONNECTED);
    EXPECT_EQ(object->accDoDefaultAction(child), RPC_E_DISCONNECTED);
  }
}

}  // namespace
}  // namespace qx::win32
