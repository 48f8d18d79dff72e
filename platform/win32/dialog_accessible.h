// The settings dialog's Active Accessibility objects. The dialog draws its
// own controls, so the system has nothing to tell a screen reader about
// them; these objects answer from the form's description of its controls
// (role, name, value, state, place) and nothing else.
//
// The object of the client area (self kAccessibleSelf) has the controls as
// its children, simple elements numbered in reading order. An object whose
// self is one of those children is what a scroll bar's own window answers
// with, and what navigation from such an object leads to.
//
// Clients keep their references as long as they like. The window cuts the
// objects off when it is destroyed: from then on every method fails with
// RPC_E_DISCONNECTED and touches nothing of the window or the form.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <memory>

#include "settings_dialog/quendelrix_p.h"

namespace qx::win32 {

// IID_IAccessible. The value in MinGW-w64's oleacc import library is wrong
// (marshalling to another process then fails with E_NOINTERFACE), so the
// program carries its own.
inline constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// What the objects ask of the dialog's window.
class AccessibleSource {
 public:
  virtual ~AccessibleSource() = default;
  virtual const Quendelrix_P& Form() = 0;
  // A place of the form (its units) in screen pixels.
  virtual Rect ToScreen(const Rect& units) = 0;
  // The child under a screen pixel, as Quendelrix_P::AccessibleChildAt.
  virtual int ChildAtScreen(int x, int y) = 0;
  // The object whose self is `self`, with a reference for the caller.
  virtual IAccessible* Object(int self) = 0;
  // The window object around the client area, with a reference for the
  // caller; nullptr when there is none.
  virtual IDispatch* WindowObject() = 0;
  // Queues the default action of `child`, to run after the caller's call
  // has returned. False when it cannot run (no such action, or the window
  // is disabled by a message box of its own).
  virtual bool PostDefaultAction(int child) = 0;
  // Gives the keyboard focus to `child`; false when it cannot take it.
  virtual bool TakeFocus(int child) = 0;
};

// Owns one reference to a COM object.
struct ComRelease {
  void operator()(IUnknown* p) const { p->Release(); }
};
template <class T>
using ComRef = std::unique_ptr<T, ComRelease>;

// The link from the objects to their window, shared by all of them; the
// window clears `source` when it is destroyed.
struct AccessibleLink {
  AccessibleSource* source = nullptr;
};

// A new object for `self` over `link`, with one reference for the caller.
IAccessible* NewDialogAccessible(std::shared_ptr<AccessibleLink> link, int self);

}  // namespace qx::win32
