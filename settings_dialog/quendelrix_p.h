// Quendelrix_P: the settings dialog. A borderless, skinned window with a
// title bar and close box, a picture area in which a magnifying lens glides
// over a photograph, and a panel with two scroll bars (number of balls,
// interval) and the Set and Cancel buttons.
//
// The form owns its state, layout and pictures and draws everything except
// text into one scene image; its window (the host) shows that scene, draws
// the label texts over it, owns the two real scroll bars and turns window
// messages into calls of the handlers below. Form_Load runs the lens
// animation itself and returns only when the dialog has closed; every other
// handler runs inside that loop's yields.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/form_input.h"
#include "common/image.h"
#include "common/numbers.h"
#include "effects/pic_effect.h"
#include "settings_dialog/dialog_accessibility.h"
#include "startup/module_values.h"
#include "startup/settings.h"
#include "startup/system_helpers.h"
#include "startup/window_titles.h"

namespace qx {

// The dialog's controls, in their front-to-back order: window level first,
// with the panel's own controls after Pic_a.
enum class DialogControl {
  kNone,
  Display,
  Pic_a,
  HS_1,
  HS_0,
  Num_1,
  lbl_1,
  lbl_Can,
  Img_Can,
  lbl_Set,
  Img_Set,
  Num_0,
  lbl_0,
  lbl_URL,
  lbl_9,
  Label9,
  ImgExit,
  Image1,
};

inline constexpr int kDialogWidth = 479;   // client area, pixels
inline constexpr int kDialogHeight = 302;
inline constexpr wchar_t kHomePageAddress[] = L"http://www.quendelrix.example/";
inline constexpr wchar_t kCreditText[] =
    L"Quendelrix Ver 1.01   (C) Quendelrix Project";
inline constexpr wchar_t kExitTooltip[] = L"exit button";
inline constexpr wchar_t kDialogFontFace[] = L"ＭＳ Ｐゴシック";
inline constexpr double kDialogFontPoints = 9.75;
inline constexpr int kShiftJisCharset = 128;

// The lens animation's frame period: the lens moves one step per frame.
inline constexpr double kFramePeriodSeconds = 1.0 / 60.0;
inline constexpr float kLensSize = 0.15f;
inline constexpr int32_t kLensStrength = 75;

// A short name of the picture area, for those who cannot see it.
inline constexpr wchar_t kPictureAreaName[] = L"花畑の写真とレンズ";
// What the default action of a button and of the link is called.
inline constexpr wchar_t kPressAction[] = L"押す";
inline constexpr wchar_t kJumpAction[] = L"ジャンプ";

// The colours the dialog draws its chrome in. Outside high contrast it wears
// its skin and takes only the window-text colour of the system (the captions
// of Set and Cancel); in high contrast every frame, panel, face, text, focus
// mark and the link take the system's colours, and there are no gradients
// and no skin pictures.
struct DialogLook {
  bool highContrast = false;
  Pixel window = 0;      // panels and the window's ground
  Pixel windowText = 0;  // texts and frames
  Pixel buttonFace = 0;
  Pixel buttonText = 0;
  Pixel highlight = 0;   // focus and pressed state
  Pixel hotLight = 0;    // the link
  friend bool operator==(const DialogLook&, const DialogLook&) = default;

  // The look the system asks for now.
  static DialogLook From(SystemCalls& system);
};

// The pictures the dialog shows, as the resources hold them.
struct DialogPictures {
  Image photo;         // 320 x 200 landscape the lens runs over (iImage)
  Image titleBar;      // 500 x 22, stretched over the top (Image1)
  Image buttonOff;     // 21 x 20 released face of Set and Cancel (Img_Off)
  Image buttonOn;      // 21 x 20 pressed face (Img_On)
  Image closeNormal;   // 15 x 15 close box (imgImages(0))
  Image closePressed;  // 16 x 15 close box, pressed (imgImages(1))
};

// One text label as the window draws it: transparent, over the scene.
struct LabelView {
  DialogControl id = DialogControl::kNone;
  Rect rect;  // window client coordinates
  std::wstring text;
  Pixel color = 0;
  bool dialogFont = true;        // the MS P Gothic face; else the default
  bool underline = false;
  bool centred = false;
  bool autoSize = false;  // the window sizes it to its text
};

// A horizontal scroll bar's state. Setting a value outside the range fails
// and leaves the value as it was.
struct ScrollBarState {
  int16_t min = 0;
  int16_t max = 0;
  int16_t value = 0;
  int16_t smallChange = 1;   // the arrows
  int16_t largeChange = 10;  // a click in the trough
  friend bool operator==(const ScrollBarState&, const ScrollBarState&) = default;
};

enum class ScrollAction {
  kLineLeft, kLineRight, kPageLeft, kPageRight, kThumb, kLeftEnd, kRightEnd,
};

enum class CursorKind { kArrow, kHand };

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// What the dialog needs from its window and the system.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  virtual WindowHandle Handle() = 0;
  virtual SystemCalls& System() = 0;
  virtual SettingsFiles& Files() = 0;
  // The photograph as a bitmap that can be captured.
  virtual PictureSource& Photo() = 0;
  // Makes the window visible at the centre of the screen (does not wait).
  virtual void Show() = 0;
  virtual bool CursorPos(ScreenPoint& point) = 0;
  // The window's top-left corner on the screen.
  virtual ScreenPoint WindowPos() = 0;
  virtual void MoveWindow(int32_t left, int32_t top) = 0;
  virtual void SetScrollBar(int index, const ScrollBarState& state) = 0;
  // Part of the scene changed; repaint it at the next yield.
  virtual void Invalidate(const Rect& area) = 0;
  // Repaint the whole window now.
  virtual void Refresh() = 0;
  // SetDIBitsToDevice of the record at the picture area's origin.
  virtual void DrawLensFrame(const DibImage& record) = 0;
  // Dispatches every pending window message, then returns.
  virtual void ProcessPendingMessages() = 0;
  // Sleeps until a message arrives or `seconds` have passed.
  virtual void WaitForInput(double seconds) = 0;
  virtual double NowSeconds() = 0;
  // Destroys the window and its controls.
  virtual void Destroy() = 0;
  virtual void OpenDocument(const std::wstring& address) = 0;
  virtual void ShowErrorMessage(const std::wstring& text) = 0;
  // The state of accessible child `child` changed (a button shows pressed
  // or released): tell the screen readers.
  virtual void AccessibleStateChanged(int child) = 0;
};

class Quendelrix_P {
 public:
  Quendelrix_P(DialogHost& host, ModuleValues& values,
               DialogPictures pictures);

  // Sets the dialog up, shows it and runs the lens animation until the
  // dialog has closed.
  void Form_Load();
  // Paints the two background gradients (the window's and the panel's).
  void Form_Resize();
  void Form_QueryUnload();
  void Form_Unload();
  // Closes the dialog: query, unload, destroy. Also the system's close.
  void Unload();

  // Mouse input in the dialog's units (its window's client area at 96 DPI);
  // `button` is the button that changed, `buttons` those held, as the
  // forms' input contract (common/form_input.h) has them.
  void MouseDown(int button, int shift, int x, int y);
  void MouseUp(int button, int shift, int x, int y);
  void MouseMove(int buttons, int shift, int x, int y);
  // The window lost the mouse capture (the system cancelled the press, or
  // another window took the mouse): the press is over. Faces return to
  // normal, a drag ends, no release handler runs.
  void CaptureLost();
  // A key went down (a virtual-key code); `repeat` when it is the
  // keyboard's auto-repeat. Enter acts as a click on Set and Esc as a click
  // on Cancel.
  void KeyDown(int keyCode, int shift, bool repeat);
  // A scroll bar was moved by the user (arrows, trough, thumb, keys).
  void HS_Scroll(int index, ScrollAction action, int thumbValue);
  // The keyboard focus came to scroll bar `index`, or left it. The bar with
  // the focus wears a focus mark.
  void HS_GotFocus(int index);
  void HS_LostFocus(int index);
  // The scroll bar that has the focus, or had it last (0 before either).
  int FocusBar() const { return focusBar_; }
  bool BarFocused() const { return barFocused_; }
  // The user switched high contrast on or off or changed the system
  // colours: the dialog takes the new look and repaints.
  void SystemColorsChanged();
  const DialogLook& Look() const { return look_; }

  // The dialog's controls for assistive technology, in reading order:
  // child k is element k - 1.
  std::vector<AccessibleItem> AccessibleChildren() const;
  // The child under a point of the client area (units), agreeing with the
  // places that take the mouse; kAccessibleSelf where no child is, -1
  // outside the dialog.
  int AccessibleChildAt(int x, int y) const;
  // The child that has the keyboard focus; kAccessibleSelf when none has.
  int AccessibleFocus() const;
  // The accessible child of a control; kAccessibleSelf for one that is not
  // a child of its own (the value labels, the panel, the title bar).
  static int AccessibleChildOf(DialogControl control);
  // The child reached from `from` in `direction`; kAccessibleSelf when there
  // is none.
  int AccessibleNavigate(int from, AccessibleDirection direction) const;
  // Runs the default action of `child` through the handlers a click runs;
  // false when the child has none (or the dialog has closed).
  bool DoDefaultAction(int child);

  // Handlers of the controls.
  void HS_Change(int index);
  void lbl_Set_MouseDown(int button, int shift, int x, int y);
  void lbl_Set_MouseUp(int button, int shift, int x, int y);
  void lbl_Can_MouseDown(int button, int shift, int x, int y);
  void lbl_Can_MouseUp(int button, int shift, int x, int y);
  void ImgExit_MouseDown(int button, int shift, int x, int y);
  void ImgExit_MouseUp(int button, int shift, int x, int y);
  void Image1_MouseDown(int button, int shift, int x, int y);
  void Image1_MouseMove(int button, int shift, int x, int y);
  void Image1_MouseUp(int button, int shift, int x, int y);
  void lbl_URL_MouseDown(int button, int shift, int x, int y);

  // The frontmost control at a point of the client area.
  DialogControl ControlAt(int x, int y) const;
  CursorKind CursorAt(int x, int y) const;
  Rect RectOf(DialogControl control) const;
  // The inside of the picture area's frame, where the lens frames go.
  Rect LensArea() const;
  // A label sized to its text takes the size the window measured.
  void AutoSizeLabel(DialogControl label, int width, int height);

  // Everything but the label texts and the lens frame.
  const Image& Scene() const { return scene_; }
  std::vector<LabelView> Labels() const;
  const DibImage& LensImage() const { return lensImage_; }
  const ScrollBarState& HS(int index) const { return hs_[index]; }
  bool Unloaded() const { return unloaded_; }

  // The gradient's level for row y of a surface of inner height h.
  static int16_t GradientLevel(int y, int h);

  // Dialog state, for the window and for tests.
  Bool16 ExitFlag() const { return ExitFlag_; }
  // 1 while the title bar is dragged, with the grab point's offset from the
  // window's top-left corner (device pixels).
  int16_t Dragging() const { return Dragging_; }
  int16_t DragOffsetX() const { return DragOffsetX_; }
  int16_t DragOffsetY() const { return DragOffsetY_; }
  // While the title bar is dragged, the window's scale may change (a move
  // onto a monitor of another DPI): the grab point then lies at a new offset
  // from the window's corner. Ignored when no drag is on.
  void MoveDragOffset(int16_t x, int16_t y);
  int32_t PicWidth() const { return PicWidth_; }
  int32_t PicHeight() const { return PicHeight_; }
  // The lens centre on the photograph and its step per frame.
  int32_t LensX() const { return LensX_; }
  int32_t LensY() const { return LensY_; }
  int32_t LensDX() const { return LensDX_; }
  int32_t LensDY() const { return LensDY_; }
  // Where the window zoomed open from, and zooms back to.
  int16_t OpenX() const { return OpenX_; }
  int16_t OpenY() const { return OpenY_; }

  // One pass of the lens loop: frame, draw, yield (and wait out the frame
  // period), step. Returns false once the dialog has been closed.
  bool AnimationPass();

 private:
  void SetScrollValue(int index, int value);
  void ShowFace(DialogControl image, bool pressed);
  void ComposeScene();
  void WaitForNextFrame();
  SaveResult SaveSettings();
  void Press(DialogControl label, int shift);
  void ComposeHighContrastScene();
  void DrawFocusMark();
  void Dispatch(DialogControl control, int kind, int button, int shift, int x,
                int y);

  DialogHost& host_;
  ModuleValues& values_;
  DialogPictures pictures_;

  Bool16 ExitFlag_ = kFalse16;
  int16_t Dragging_ = 0;
  int16_t DragOffsetX_ = 0;
  int16_t DragOffsetY_ = 0;
  int32_t PicWidth_ = 0;
  int32_t PicHeight_ = 0;
  int32_t LensX_ = 0;
  int32_t LensY_ = 0;
  int32_t LensDX_ = 0;
  int32_t LensDY_ = 0;
  int16_t OpenX_ = 0;
  int16_t OpenY_ = 0;

  std::unique_ptr<cPicEffect> Effect;
  DibImage lensImage_;
  std::array<ScrollBarState, 2> hs_;
  std::array<std::wstring, 2> numCaption_;
  bool setPressed_ = false;
  bool canPressed_ = false;
  bool exitPressed_ = false;
  bool unloaded_ = false;
  int focusBar_ = 0;
  bool barFocused_ = false;
  DialogLook look_;
  Rect displayRect_;
  Rect urlRect_, creditRect_, titleRect_, lbl0Rect_, lbl1Rect_;

  Image windowBacking_;  // the window's gradient
  Image panelBacking_;   // the panel's gradient
  Image scene_;

  DialogControl captured_ = DialogControl::kNone;
  int buttonsDown_ = 0;
  double nextFrame_ = 0;
};

}  // namespace qx
