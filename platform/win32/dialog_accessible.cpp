#include "platform/win32/dialog_accessible.h"

#include <atomic>
#include <new>
#include <string>
#include <utility>

namespace qx::win32 {

namespace {

// What a client passes as a child: a VT_I4 number (VT_EMPTY counts as self,
// as some clients send it). False for anything else.
bool ChildNumber(const VARIANT& v, int& child) {
  if (v.vt == VT_EMPTY) {
    child = CHILDID_SELF;
    return true;
  }
  if (v.vt != VT_I4) return false;
  child = static_cast<int>(v.lVal);
  return true;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

LONG RoleOf(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kSlider: return ROLE_SYSTEM_SLIDER;
    case AccessibleRole::kPushButton: return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleRole::kLink: return ROLE_SYSTEM_LINK;
    case AccessibleRole::kStaticText: return ROLE_SYSTEM_STATICTEXT;
    case AccessibleRole::kGraphic: return ROLE_SYSTEM_GRAPHIC;
  }
  return ROLE_SYSTEM_CLIENT;
}

LONG StateOf(const AccessibleItem& item) {
  LONG s = 0;
  if (item.focusable) s |= STATE_SYSTEM_FOCUSABLE;
  if (item.focused) s |= STATE_SYSTEM_FOCUSED;
  if (item.pressed) s |= STATE_SYSTEM_PRESSED;
  if (item.isDefault) s |= STATE_SYSTEM_DEFAULT;
  if (item.linked) s |= STATE_SYSTEM_LINKED;
  if (item.readOnly) s |= STATE_SYSTEM_READONLY;
  return s;
}

bool Direction(long navDir, AccessibleDirection& d) {
  switch (navDir) {
    case NAVDIR_FIRSTCHILD: d = AccessibleDirection::kFirstChild; return true;
    case NAVDIR_LASTCHILD: d = AccessibleDirection::kLastChild; return true;
    case NAVDIR_NEXT: d = AccessibleDirection::kNext; return true;
    case NAVDIR_PREVIOUS: d = AccessibleDirection::kPrevious; return true;
    case NAVDIR_UP: d = AccessibleDirection::kUp; return true;
    case NAVDIR_DOWN: d = AccessibleDirection::kDown; return true;
    case NAVDIR_LEFT: d = AccessibleDirection::kLeft; return true;
    case NAVDIR_RIGHT: d = AccessibleDirection::kRight; return true;
  }
  return false;
}

class DialogAccessible final : public IAccessible {
 public:
  DialogAccessible(std::shared_ptr<AccessibleLink> link, int self)
      : link_(std::move(link)), self_(self) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IDispatch: clients of this object use its IAccessible methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*,
                                   VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    AccessibleSource* s = Source();
    if (!s) return RPC_E_DISCONNECTED;
    if (self_ == kAccessibleSelf) {
      *parent = s->WindowObject();
    } else {
      *parent = s->Object(kAccessibleSelf);
    }
    return *parent ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    AccessibleSource* s = Source();
    if (!s) return RPC_E_DISCONNECTED;
    if (self_ == kAccessibleSelf) *count = static_cast<long>(s->Form().AccessibleChildren().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    int c = 0;
    const HRESULT hr = Resolve(child, c);
    if (hr != S_OK) return hr;
    // The children are simple elements of this object.
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleItem& i) { return i.name; },
                std::wstring(kDialogTitle));
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleItem& i) { return i.value; }, {});
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleItem&) { return std::wstring(); }, {});
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleItem&) { return std::wstring(); }, {});
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleItem& i) { return i.shortcut; }, {});
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleItem& i) { return i.defaultAction; }, {});
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return Source() ? S_FALSE : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    int c = 0;
    const HRESULT hr = Resolve(child, c);
    if (hr != S_OK) return hr;
    role->vt = VT_I4;
    role->lVal = c == kAccessibleSelf ? ROLE_SYSTEM_CLIENT : RoleOf(Item(c).role);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    int c = 0;
    const HRESULT hr = Resolve(child, c);
    if (hr != S_OK) return hr;
    state->vt = VT_I4;
    state->lVal = c == kAccessibleSelf ? 0 : StateOf(Item(c));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    AccessibleSource* s = Source();
    if (!s) return RPC_E_DISCONNECTED;
    const int f = s->Form().AccessibleFocus();
    if (f == kAccessibleSelf) return S_FALSE;
    if (self_ == kAccessibleSelf) {
      focus->vt = VT_I4;
      focus->lVal = f;
    } else if (f == self_) {
      focus->vt = VT_I4;
      focus->lVal = CHILDID_SELF;
    } else {
      return S_FALSE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return Source() ? S_FALSE : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    int c = 0;
    const HRESULT hr = Resolve(child, c);
    if (hr != S_OK) return hr;
    if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
    return Source()->TakeFocus(c) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h,
                                        VARIANT child) override {
    if (!x || !y || !w || !h) return E_POINTER;
    *x = *y = *w = *h = 0;
    int c = 0;
    const HRESULT hr = Resolve(child, c);
    if (hr != S_OK) return hr;
    const Rect units = c == kAccessibleSelf ? Rect{0, 0, kDialogWidth, kDialogHeight}
                                            : Item(c).place;
    const Rect r = Source()->ToScreen(units);
    *x = r.left;
    *y = r.top;
    *w = r.right - r.left;
    *h = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long navDir, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    int from = 0;
    const HRESULT hr = Resolve(start, from);
    if (hr != S_OK) return hr;
    AccessibleDirection d;
    if (!Direction(navDir, d)) return E_INVALIDARG;
    AccessibleSource* s = Source();
    const int to = s->Form().AccessibleNavigate(from, d);
    if (to == kAccessibleSelf) return S_FALSE;
    if (self_ == kAccessibleSelf) {
      end->vt = VT_I4;
      end->lVal = to;
    } else {
      // From a child's own object the way leads to the sibling's object.
      end->vt = VT_DISPATCH;
      end->pdispVal = s->Object(to);
      if (!end->pdispVal) {
        end->vt = VT_EMPTY;
        return S_FALSE;
      }
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    VariantInit(hit);
    AccessibleSource* s = Source();
    if (!s) return RPC_E_DISCONNECTED;
    const int c = s->ChildAtScreen(static_cast<int>(x), static_cast<int>(y));
    if (c < 0) return S_FALSE;
    if (self_ == kAccessibleSelf) {
      hit->vt = VT_I4;
      hit->lVal = c;
    } else if (c == self_) {
      hit->vt = VT_I4;
      hit->lVal = CHILDID_SELF;
    } else {
      return S_FALSE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    int c = 0;
    const HRESULT hr = Resolve(child, c);
    if (hr != S_OK) return hr;
    return Source()->PostDefaultAction(c) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override {
    return Source() ? E_NOTIMPL : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override {
    return Source() ? E_NOTIMPL : RPC_E_DISCONNECTED;
  }

 private:
  ~DialogAccessible() = default;

  AccessibleSource* Source() const { return link_->source; }

  // The child a client names, as a number of the dialog's children: S_OK,
  // RPC_E_DISCONNECTED once the window is gone, E_INVALIDARG for a child
  // this object does not have.
  HRESULT Resolve(const VARIANT& v, int& child) const {
    AccessibleSource* s = Source();
    if (!s) return RPC_E_DISCONNECTED;
    int c = 0;
    if (!ChildNumber(v, c)) return E_INVALIDARG;
    if (self_ != kAccessibleSelf) {
      // A child's own object has no children.
      if (c != CHILDID_SELF) return E_INVALIDARG;
      child = self_;
      return S_OK;
    }
    const int count = static_cast<int>(s->Form().AccessibleChildren().size());
    if (c < 0 || c > count) return E_INVALIDARG;
    child = c;
    return S_OK;
  }
  AccessibleItem Item(int child) const {
    return Source()->Form().AccessibleChildren()[static_cast<size_t>(child - 1)];
  }
  template <class Field>
  HRESULT Text(const VARIANT& v, BSTR* out, Field field, const std::wstring& ofSelf) {
    if (!out) return E_POINTER;
    *out = nullptr;
    int c = 0;
    const HRESULT hr = Resolve(v, c);
    if (hr != S_OK) return hr;
    return ReturnText(c == kAccessibleSelf ? ofSelf : field(Item(c)), out);
  }

  std::shared_ptr<AccessibleLink> link_;
  const int self_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace

IAccessible* NewDialogAccessible(std::shared_ptr<AccessibleLink> link, int self) {
  return new (std::nothrow) DialogAccessible(std::move(link), self);
}

}  // namespace qx::win32
