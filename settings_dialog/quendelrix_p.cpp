#include "settings_dialog/quendelrix_p.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "common/raster.h"
#include "startup/setting_ranges.h"

namespace qx {

namespace {

constexpr Rect Sized(int left, int top, int width, int height) {
  return Rect{left, top, left + width, top + height};
}
constexpr Rect Offset(Rect r, int dx, int dy) {
  return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
constexpr bool Inside(const Rect& r, int x, int y) {
  return x >= r.left && y >= r.top && x < r.right && y < r.bottom;
}
constexpr Rect Inflate(Rect r, int d) {
  return Rect{r.left - d, r.top - d, r.right + d, r.bottom + d};
}

// Window-level controls (client coordinates). The picture area's rectangle
// includes its one-pixel frame; the photograph lies just inside.
constexpr Rect kDisplayStart = Sized(20, 40, 321, 201);
constexpr int kDisplayBorder = 1;
constexpr Rect kPanel = Sized(356, 40, 101, 201);
constexpr Rect kTitleBar = Sized(0, 0, kDialogWidth, 22);
constexpr int kCloseLeft = 456, kCloseTop = 4;
// The panel's thin frame is its outermost pixel; its controls are placed
// relative to the inside.
constexpr int kPanelInnerX = kPanel.left + 1;
constexpr int kPanelInnerY = kPanel.top + 1;
constexpr int kPanelInnerWidth = 99;
constexpr int kPanelInnerHeight = 199;
constexpr Rect kPanelInner =
    Sized(kPanelInnerX, kPanelInnerY, kPanelInnerWidth, kPanelInnerHeight);
constexpr Rect InPanel(int left, int top, int width, int height) {
  return Offset(Sized(left, top, width, height), kPanelInnerX, kPanelInnerY);
}
constexpr Rect kHS1 = InPanel(8, 88, 81, 17);
constexpr Rect kHS0 = InPanel(8, 28, 81, 17);
constexpr Rect kNum1 = InPanel(8, 108, 81, 13);
constexpr Rect kLbl1 = InPanel(8, 72, 73, 13);
constexpr Rect kLblCan = InPanel(8, 172, 81, 17);
constexpr Rect kImgCan = InPanel(8, 168, 81, 22);
constexpr Rect kLblSet = InPanel(8, 144, 81, 17);
constexpr Rect kImgSet = InPanel(8, 140, 81, 22);
constexpr Rect kNum0 = InPanel(8, 48, 81, 13);
constexpr Rect kLbl0 = InPanel(8, 12, 39, 13);

constexpr DialogControl kWindowOrder[] = {
    DialogControl::Display, DialogControl::Pic_a,  DialogControl::lbl_URL,
    DialogControl::lbl_9,   DialogControl::Label9, DialogControl::ImgExit,
    DialogControl::Image1,
};
constexpr DialogControl kPanelOrder[] = {
    DialogControl::HS_1,    DialogControl::HS_0,    DialogControl::Num_1,
    DialogControl::lbl_1,   DialogControl::lbl_Can, DialogControl::Img_Can,
    DialogControl::lbl_Set, DialogControl::Img_Set, DialogControl::Num_0,
    DialogControl::lbl_0,
};

// The captions of the labels and buttons.
constexpr wchar_t kTitleCaption[] = L"Quendelrix";
constexpr wchar_t kBallsCaption[] = L"球の数";
constexpr wchar_t kIntervalCaption[] = L"ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ";
constexpr wchar_t kSetCaption[] = L"設定";
constexpr wchar_t kCancelCaption[] = L"ｷｬﾝｾﾙ";

// The controls a screen reader meets, in reading order: the close box on
// the title bar, the picture on the left, the panel top to bottom, then the
// two lines below the picture.
constexpr DialogControl kReadingOrder[] = {
    DialogControl::ImgExit, DialogControl::Display, DialogControl::lbl_0,
    DialogControl::HS_0,    DialogControl::lbl_1,   DialogControl::HS_1,
    DialogControl::lbl_Set, DialogControl::lbl_Can, DialogControl::lbl_9,
    DialogControl::lbl_URL,
};
constexpr int kChildCount = static_cast<int>(std::size(kReadingOrder));

// The accessible child of a control; kAccessibleSelf for one that is not a
// child of its own.
int ChildOf(DialogControl control) {
  for (int i = 0; i < kChildCount; ++i) {
    if (kReadingOrder[i] == control) return i + 1;
  }
  return kAccessibleSelf;
}

// In high contrast a pressed button and the focus are framed this thick in
// the highlight colour; other frames are one pixel.
constexpr int kHighlightFrame = 2;

constexpr Pixel kCream = Rgb(255, 255, 192);
constexpr Pixel kWhite = Rgb(255, 255, 255);
constexpr Pixel kBlue = Rgb(0, 0, 255);
constexpr Pixel kFormBackground = Rgb(128, 128, 128);
constexpr Pixel kFrameShadow = Rgb(40, 40, 64);
constexpr Pixel kFrameLight = Rgb(236, 236, 255);

enum MouseKind { kDown, kUp, kMove };

// Nearest-neighbour stretch of `src` over `area` of `dst` (clipped).
void StretchInto(Image& dst, const Rect& area, const Image& src) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (src.Empty() || w <= 0 || h <= 0) return;
  for (int y = 0; y < h; ++y) {
    const int dy = area.top + y;
    if (dy < 0 || dy >= dst.Height()) continue;
    const int sy = static_cast<int>((static_cast<int64_t>(y) * src.Height()) / h);
    for (int x = 0; x < w; ++x) {
      const int dx = area.left + x;
      if (dx < 0 || dx >= dst.Width()) continue;
      const int sx = static_cast<int>((static_cast<int64_t>(x) * src.Width()) / w);
      dst.At(dx, dy) = src.At(sx, sy);
    }
  }
}

// A one-pixel sunken frame on the outermost pixels of `outer`.
void ThinFrame(Image& img, const Rect& outer) {
  HLine(img, outer.left, outer.right, outer.top, kFrameShadow);
  HLine(img, outer.left, outer.right, outer.bottom - 1, kFrameLight);
  FillRect(img, Rect{outer.left, outer.top, outer.left + 1, outer.bottom - 1},
           kFrameShadow);
  FillRect(img,
           Rect{outer.right - 1, outer.top + 1, outer.right, outer.bottom},
           kFrameLight);
}

// A frame `width` pixels thick on the outermost pixels of `outer`.
void Outline(Image& img, const Rect& outer, int width, Pixel color) {
  FillRect(img, Rect{outer.left, outer.top, outer.right, outer.top + width}, color);
  FillRect(img, Rect{outer.left, outer.bottom - width, outer.right, outer.bottom}, color);
  FillRect(img, Rect{outer.left, outer.top + width, outer.left + width, outer.bottom - width},
           color);
  FillRect(img, Rect{outer.right - width, outer.top + width, outer.right, outer.bottom - width},
           color);
}

// The system's focus rectangle: every other pixel of the outermost ring of
// `outer` inverted, so that it shows on any ground.
void DottedOutline(Image& img, const Rect& outer) {
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0 && x >= 0 && y >= 0 && x < img.Width() && y < img.Height()) {
      img.At(x, y) ^= 0xFFFFFFu;
    }
  };
  for (int x = outer.left; x < outer.right; ++x) {
    dot(x, outer.top);
    dot(x, outer.bottom - 1);
  }
  for (int y = outer.top + 1; y < outer.bottom - 1; ++y) {
    dot(outer.left, y);
    dot(outer.right - 1, y);
  }
}

// A one-pixel x over the middle of a square-ish box, four pixels in from
// its edges.
void DrawCross(Image& img, const Rect& box, Pixel color) {
  constexpr int kMargin = 4;
  const int n = std::min(box.right - box.left, box.bottom - box.top);
  for (int k = 0; k < n - 2 * kMargin; ++k) {
    const int y = box.top + kMargin + k;
    FillRect(img, Sized(box.left + kMargin + k, y, 1, 1), color);
    FillRect(img, Sized(box.left + n - 1 - kMargin - k, y, 1, 1), color);
  }
}

void PaintGradient(Image& surface) {
  const int w = surface.Width();
  const int h = surface.Height();
  for (int y = 0; y <= h; ++y) {  // row h lies just outside and is clipped
    const int level = Quendelrix_P::GradientLevel(y, h);
    HLine(surface, 0, w, y, Rgb(level, level, level + 30));
  }
}

std::wstring SaveFailedMessage(const std::filesystem::path& file) {
  return L"設定を保存できませんでした。\n\n" + file.wstring() +
         L"\n\nこのファイルに書き込めません。ファイルとフォルダーが書き込み"
         L"できるか確かめてから、もう一度「設定」を押してください。";
}

}  // namespace

Quendelrix_P::Quendelrix_P(DialogHost& host, ModuleValues& values,
                           DialogPictures pictures)
    : host_(host),
      values_(values),
      pictures_(std::move(pictures)),
      displayRect_(kDisplayStart),
      urlRect_(Sized(20, 272, 214, 13)),
      creditRect_(Sized(20, 252, 165, 13)),
      titleRect_(Sized(12, 4, 56, 13)),
      lbl0Rect_(kLbl0),
      lbl1Rect_(kLbl1),
      windowBacking_(kDialogWidth, kDialogHeight, kFormBackground),
      panelBacking_(kPanelInnerWidth, kPanelInnerHeight, kFormBackground) {
  // Each bar starts at the low end of its setting's range; Form_Load sets
  // the stored value.
  hs_[0] = ScrollBarState{kMinBallCount, kMaxBallCount, kMinBallCount};
  hs_[1] = ScrollBarState{kMinInterval, kMaxInterval, kMinInterval};
  look_ = DialogLook::From(host_.System());
  ComposeScene();
}

DialogLook DialogLook::From(SystemCalls& system) {
  DialogLook look;
  look.highContrast = system.HighContrastOn();
  look.window = system.SystemColor(kColorWindow);
  look.windowText = system.SystemColor(kColorWindowText);
  look.buttonFace = system.SystemColor(kColorButtonFace);
  look.buttonText = system.SystemColor(kColorButtonText);
  look.highlight = system.SystemColor(kColorHighlight);
  look.hotLight = system.SystemColor(kColorHotLight);
  return look;
}

void Quendelrix_P::SystemColorsChanged() {
  if (unloaded_) return;
  const DialogLook look = DialogLook::From(host_.System());
  if (look == look_) return;
  look_ = look;
  ComposeScene();
  host_.Refresh();
}

int16_t Quendelrix_P::GradientLevel(int y, int h) {
  const double d = static_cast<double>(h) / 3.142;
  const double level = std::fabs(220.0 * std::sin(static_cast<double>(y) / d));
  return ToInt16(level).value_or(0);
}

void Quendelrix_P::Form_Load() {
  for (int i = 0; i < 2; ++i) host_.SetScrollBar(i, hs_[i]);
  Dragging_ = 0;
  setPressed_ = canPressed_ = false;  // both buttons show the released face
  SetScrollValue(0, values_.BallCount);
  SetScrollValue(1, values_.Interval);
  HS_Change(0);  // also when the value was refused or already in place
  HS_Change(1);
  PicWidth_ = pictures_.photo.Width();
  PicHeight_ = pictures_.photo.Height();
  displayRect_ = Sized(kDisplayStart.left, kDisplayStart.top,
                       PicWidth_ + 2 * kDisplayBorder,
                       PicHeight_ + 2 * kDisplayBorder);
  ComposeScene();
  ExitFlag_ = kFalse16;

  host_.Show();
  Form_Resize();  // the window gets its size when it is first shown

  ScreenPoint cursor;
  OpenX_ = OpenY_ = 0;
  if (host_.CursorPos(cursor)) {
    if (auto x = Narrow<int16_t>(cursor.x)) OpenX_ = *x;
    if (auto y = Narrow<int16_t>(cursor.y)) OpenY_ = *y;
  }
  ZoomWindowOpen(host_.System(), host_.Handle(), OpenX_, OpenY_);

  Effect = std::make_unique<cPicEffect>();
  try {
    Effect->BitsTakeFromPicture(host_.Photo(), PicWidth_, PicHeight_);
  } catch (const PicEffectError&) {
  }
  try {
    const Image pixels = Effect->Bits();
    cPicEffect::MakeDibImage(lensImage_, pixels, PicWidth_, PicHeight_);
  } catch (const PicEffectError&) {
  }
  LensDX_ = 3;
  LensDY_ = 2;

  while (AnimationPass()) {
  }
}

bool Quendelrix_P::AnimationPass() {
  const float centerX = static_cast<float>(static_cast<double>(LensX_) / PicWidth_);
  const float centerY = static_cast<float>(static_cast<double>(LensY_) / PicHeight_);
  try {
    lensImage_.Pixels = Effect->Lens(centerX, centerY, kLensSize, kLensStrength);
  } catch (const PicEffectError&) {
    // The previous frame's pixels are drawn again.
  }
  // Only a pixel array of the size the header describes may be handed over.
  const BitmapInfoHeader& h = lensImage_.Header;
  if (!lensImage_.Pixels.Empty() && lensImage_.Pixels.Width() == h.biWidth &&
      lensImage_.Pixels.Height() == -h.biHeight) {
    host_.DrawLensFrame(lensImage_);
  }

  host_.ProcessPendingMessages();
  WaitForNextFrame();

  LensX_ += LensDX_;
  if (LensX_ >= PicWidth_ - 1 || LensX_ <= 0) LensDX_ = -LensDX_;
  LensY_ += LensDY_;
  if (LensY_ >= PicHeight_ - 1 || LensY_ <= 0) LensDY_ = -LensDY_;
  return ExitFlag_ == kFalse16;
}

void Quendelrix_P::WaitForNextFrame() {
  // Frames are due one period apart; a loop that fell behind starts anew
  // from now instead of racing to catch up.
  double now = host_.NowSeconds();
  if (nextFrame_ == 0 || now > nextFrame_ + kFramePeriodSeconds) {
    nextFrame_ = now + kFramePeriodSeconds;
  }
  while (ExitFlag_ == kFalse16 && now < nextFrame_) {
    host_.WaitForInput(nextFrame_ - now);
    host_.ProcessPendingMessages();
    now = host_.NowSeconds();
  }
  nextFrame_ += kFramePeriodSeconds;
}

void Quendelrix_P::Form_Resize() {
  PaintGradient(windowBacking_);
  PaintGradient(panelBacking_);
  ComposeScene();
  host_.Refresh();
}

void Quendelrix_P::Form_QueryUnload() { ExitFlag_ = kTrue16; }

void Quendelrix_P::Form_Unload() {
  ZoomWindowClose(host_.System(), host_.Handle(), OpenX_, OpenY_);
}

void Quendelrix_P::Unload() {
  if (unloaded_) return;
  Form_QueryUnload();
  Form_Unload();
  unloaded_ = true;
  host_.Destroy();
}

void Quendelrix_P::SetScrollValue(int index, int value) {
  ScrollBarState& bar = hs_[static_cast<size_t>(index)];
  if (value < bar.min || value > bar.max) return;  // refused: keeps its value
  if (value == bar.value) return;
  bar.value = static_cast<int16_t>(value);
  host_.SetScrollBar(index, bar);
  HS_Change(index);
}

void Quendelrix_P::HS_Scroll(int index, ScrollAction action, int thumbValue) {
  if (index < 0 || index > 1 || unloaded_) return;
  const ScrollBarState& bar = hs_[static_cast<size_t>(index)];
  int v = bar.value;
  switch (action) {
    case ScrollAction::kLineLeft: v -= bar.smallChange; break;
    case ScrollAction::kLineRight: v += bar.smallChange; break;
    case ScrollAction::kPageLeft: v -= bar.largeChange; break;
    case ScrollAction::kPageRight: v += bar.largeChange; break;
    case ScrollAction::kThumb: v = thumbValue; break;
    case ScrollAction::kLeftEnd: v = bar.min; break;
    case ScrollAction::kRightEnd: v = bar.max; break;
  }
  if (v < bar.min) v = bar.min;
  if (v > bar.max) v = bar.max;
  if (v != bar.value) {
    SetScrollValue(index, v);
  } else {
    host_.SetScrollBar(index, bar);  // puts a dragged thumb back in place
  }
}

void Quendelrix_P::HS_Change(int index) {
  const size_t i = static_cast<size_t>(index);
  numCaption_[i] = std::to_wstring(hs_[i].value);
  host_.Invalidate(index == 0 ? kNum0 : kNum1);
}

void Quendelrix_P::ShowFace(DialogControl image, bool pressed) {
  Rect area = RectOf(image);
  bool* face = &exitPressed_;
  DialogControl button = DialogControl::ImgExit;
  if (image == DialogControl::Img_Set) {
    face = &setPressed_;
    button = DialogControl::lbl_Set;
  } else if (image == DialogControl::Img_Can) {
    face = &canPressed_;
    button = DialogControl::lbl_Can;
  } else {
    area.right = area.left + 16;  // covers both sizes of the close box
  }
  const bool changed = *face != pressed;
  *face = pressed;
  ComposeScene();
  host_.Invalidate(area);
  if (changed) host_.AccessibleStateChanged(ChildOf(button));
}

void Quendelrix_P::HS_GotFocus(int index) {
  if (index < 0 || index > 1) return;
  focusBar_ = index;
  barFocused_ = true;
  ComposeScene();
  host_.Invalidate(Inflate(kHS0, kHighlightFrame));
  host_.Invalidate(Inflate(kHS1, kHighlightFrame));
}

void Quendelrix_P::HS_LostFocus(int index) {
  if (!barFocused_ || index != focusBar_) return;
  barFocused_ = false;
  ComposeScene();
  host_.Invalidate(Inflate(index == 0 ? kHS0 : kHS1, kHighlightFrame));
}

void Quendelrix_P::lbl_Set_MouseDown(int, int, int, int) {
  ShowFace(DialogControl::Img_Set, true);
}

void Quendelrix_P::lbl_Set_MouseUp(int, int, int, int) {
  ShowFace(DialogControl::Img_Set, false);
  host_.ProcessPendingMessages();
  if (unloaded_) return;  // closed by another control meanwhile: not saved
  const SaveResult saved = SaveSettings();
  if (!saved.saved) {
    host_.ShowErrorMessage(SaveFailedMessage(saved.file));
    return;  // stays open with the user's values
  }
  Unload();
}

void Quendelrix_P::lbl_Can_MouseDown(int, int, int, int) {
  ShowFace(DialogControl::Img_Can, true);
}

void Quendelrix_P::lbl_Can_MouseUp(int, int, int, int) {
  ShowFace(DialogControl::Img_Can, false);
  host_.ProcessPendingMessages();
  Unload();
}

void Quendelrix_P::ImgExit_MouseDown(int, int, int, int) {
  ShowFace(DialogControl::ImgExit, true);
}

void Quendelrix_P::ImgExit_MouseUp(int, int, int, int) {
  ShowFace(DialogControl::ImgExit, false);
  host_.ProcessPendingMessages();
  Unload();
}

void Quendelrix_P::Image1_MouseDown(int button, int, int, int) {
  if (button != kLeftButton) return;
  Dragging_ = 1;
  ScreenPoint cursor;
  host_.CursorPos(cursor);  // a failed call leaves (0, 0)
  const ScreenPoint window = host_.WindowPos();
  if (auto dx = Narrow<int16_t>(int64_t{cursor.x} - window.x)) DragOffsetX_ = *dx;
  if (auto dy = Narrow<int16_t>(int64_t{cursor.y} - window.y)) DragOffsetY_ = *dy;
}

void Quendelrix_P::Image1_MouseMove(int, int, int, int) {
  if (Dragging_ != 1) return;
  ScreenPoint cursor;
  host_.CursorPos(cursor);
  host_.MoveWindow(cursor.x - DragOffsetX_, cursor.y - DragOffsetY_);
}

void Quendelrix_P::Image1_MouseUp(int, int, int, int) { Dragging_ = 0; }

void Quendelrix_P::MoveDragOffset(int16_t x, int16_t y) {
  if (Dragging_ != 1) return;
  DragOffsetX_ = x;
  DragOffsetY_ = y;
}

void Quendelrix_P::lbl_URL_MouseDown(int, int, int, int) {
  host_.OpenDocument(kHomePageAddress);
}

SaveResult Quendelrix_P::SaveSettings() {
  // Both keys go to the file in one replace: they change together or not at
  // all, and a failure leaves the old file as it was.
  const std::string balls = SignedDecimalText(hs_[0].value);
  const std::string interval = SignedDecimalText(hs_[1].value);
  values_.IniValue = interval;  // the last value passed to the file
  return qx::SaveSettings(host_.Files(), values_, balls, interval);
}

void Quendelrix_P::MouseDown(int button, int shift, int x, int y) {
  if (buttonsDown_ == 0) captured_ = ControlAt(x, y);
  buttonsDown_ |= button;
  Dispatch(captured_, kDown, button, shift, x, y);
}

void Quendelrix_P::MouseUp(int button, int shift, int x, int y) {
  if ((buttonsDown_ & button) == 0) return;  // its press went elsewhere
  const DialogControl target = captured_;
  buttonsDown_ &= ~button;
  if (buttonsDown_ == 0) captured_ = DialogControl::kNone;
  Dispatch(target, kUp, button, shift, x, y);
}

void Quendelrix_P::MouseMove(int buttons, int shift, int x, int y) {
  const DialogControl target =
      captured_ != DialogControl::kNone ? captured_ : ControlAt(x, y);
  Dispatch(target, kMove, buttons, shift, x, y);
}

void Quendelrix_P::CaptureLost() {
  captured_ = DialogControl::kNone;
  buttonsDown_ = 0;
  Dragging_ = 0;
  if (setPressed_) ShowFace(DialogControl::Img_Set, false);
  if (canPressed_) ShowFace(DialogControl::Img_Can, false);
  if (exitPressed_) ShowFace(DialogControl::ImgExit, false);
}

void Quendelrix_P::KeyDown(int keyCode, int shift, bool repeat) {
  if (repeat || unloaded_) return;
  if (keyCode == kKeyReturn) Press(DialogControl::lbl_Set, shift);
  if (keyCode == kKeyEscape) Press(DialogControl::lbl_Can, shift);
}

void Quendelrix_P::Press(DialogControl label, int shift) {
  // A click without a mouse (a key, a screen reader's default action): the
  // button is seen pressed, then the click's own release handler runs.
  const Rect r = RectOf(label);
  const int x = (r.right - r.left) / 2, y = (r.bottom - r.top) / 2;
  Dispatch(label, kDown, kLeftButton, shift, x, y);
  host_.Refresh();
  Dispatch(label, kUp, kLeftButton, shift, x, y);
}

void Quendelrix_P::Dispatch(DialogControl control, int kind, int button,
                            int shift, int x, int y) {
  if (unloaded_) return;
  const Rect r = RectOf(control);
  const int cx = x - r.left, cy = y - r.top;
  switch (control) {
    case DialogControl::lbl_Set:
      if (kind == kDown) lbl_Set_MouseDown(button, shift, cx, cy);
      if (kind == kUp) lbl_Set_MouseUp(button, shift, cx, cy);
      break;
    case DialogControl::lbl_Can:
      if (kind == kDown) lbl_Can_MouseDown(button, shift, cx, cy);
      if (kind == kUp) lbl_Can_MouseUp(button, shift, cx, cy);
      break;
    case DialogControl::ImgExit:
      if (kind == kDown) ImgExit_MouseDown(button, shift, cx, cy);
      if (kind == kUp) ImgExit_MouseUp(button, shift, cx, cy);
      break;
    case DialogControl::Image1:
      if (kind == kDown) Image1_MouseDown(button, shift, cx, cy);
      if (kind == kMove) Image1_MouseMove(button, shift, cx, cy);
      if (kind == kUp) Image1_MouseUp(button, shift, cx, cy);
      break;
    case DialogControl::lbl_URL:
      if (kind == kDown) lbl_URL_MouseDown(button, shift, cx, cy);
      break;
    default:
      break;
  }
}

Rect Quendelrix_P::RectOf(DialogControl control) const {
  switch (control) {
    case DialogControl::Display: return displayRect_;
    case DialogControl::Pic_a: return kPanel;
    case DialogControl::HS_1: return kHS1;
    case DialogControl::HS_0: return kHS0;
    case DialogControl::Num_1: return kNum1;
    case DialogControl::lbl_1: return lbl1Rect_;
    case DialogControl::lbl_Can: return kLblCan;
    case DialogControl::Img_Can: return kImgCan;
    case DialogControl::lbl_Set: return kLblSet;
    case DialogControl::Img_Set: return kImgSet;
    case DialogControl::Num_0: return kNum0;
    case DialogControl::lbl_0: return lbl0Rect_;
    case DialogControl::lbl_URL: return urlRect_;
    case DialogControl::lbl_9: return creditRect_;
    case DialogControl::Label9: return titleRect_;
    case DialogControl::ImgExit: {
      const Image& pic =
          exitPressed_ ? pictures_.closePressed : pictures_.closeNormal;
      const int w = pic.Empty() ? 15 : pic.Width();
      const int h = pic.Empty() ? 15 : pic.Height();
      return Sized(kCloseLeft, kCloseTop, w, h);
    }
    case DialogControl::Image1: return kTitleBar;
    case DialogControl::kNone: break;
  }
  return Sized(0, 0, kDialogWidth, kDialogHeight);
}

Rect Quendelrix_P::LensArea() const {
  return Rect{displayRect_.left + kDisplayBorder, displayRect_.top + kDisplayBorder,
              displayRect_.right - kDisplayBorder,
              displayRect_.bottom - kDisplayBorder};
}

void Quendelrix_P::AutoSizeLabel(DialogControl label, int width, int height) {
  Rect* r = nullptr;
  switch (label) {
    case DialogControl::lbl_URL: r = &urlRect_; break;
    case DialogControl::lbl_9: r = &creditRect_; break;
    case DialogControl::Label9: r = &titleRect_; break;
    case DialogControl::lbl_0: r = &lbl0Rect_; break;
    case DialogControl::lbl_1: r = &lbl1Rect_; break;
    default: return;
  }
  if (width <= 0 || height <= 0) return;
  r->right = r->left + width;
  r->bottom = r->top + height;
}

DialogControl Quendelrix_P::ControlAt(int x, int y) const {
  for (DialogControl c : kWindowOrder) {
    if (!Inside(RectOf(c), x, y)) continue;
    if (c == DialogControl::Pic_a && Inside(kPanelInner, x, y)) {
      for (DialogControl inner : kPanelOrder) {
        if (Inside(RectOf(inner), x, y)) return inner;
      }
    }
    return c;
  }
  return DialogControl::kNone;
}

CursorKind Quendelrix_P::CursorAt(int x, int y) const {
  switch (ControlAt(x, y)) {
    case DialogControl::HS_0:
    case DialogControl::HS_1:
    case DialogControl::lbl_Can:
    case DialogControl::lbl_Set:
    case DialogControl::ImgExit:
    case DialogControl::lbl_URL:
      return CursorKind::kHand;
    default:
      return CursorKind::kArrow;
  }
}

void Quendelrix_P::ComposeScene() {
  if (look_.highContrast) {
    ComposeHighContrastScene();
    DrawFocusMark();
    return;
  }
  // Back to front; the label texts go over this in the window.
  scene_ = windowBacking_;
  StretchInto(scene_, kTitleBar, pictures_.titleBar);
  const Image& close =
      exitPressed_ ? pictures_.closePressed : pictures_.closeNormal;
  CopyBlock(scene_, kCloseLeft, kCloseTop, close.Width(), close.Height(), close,
            0, 0);
  ThinFrame(scene_, kPanel);
  CopyBlock(scene_, kPanelInnerX, kPanelInnerY, kPanelInnerWidth,
            kPanelInnerHeight, panelBacking_, 0, 0);
  StretchInto(scene_, kImgCan,
              canPressed_ ? pictures_.buttonOn : pictures_.buttonOff);
  StretchInto(scene_, kImgSet,
              setPressed_ ? pictures_.buttonOn : pictures_.buttonOff);
  // The picture area's frame is its outermost pixel; the window draws the
  // lens frames inside it.
  ThinFrame(scene_, displayRect_);
  FillRect(scene_, LensArea(), Rgb(0, 0, 0));
  DrawFocusMark();
}

// The same places in the system's colours: plain grounds and one-pixel
// frames, a button face with its caption, a x for the close box, and the
// highlight colour where a button is held.
void Quendelrix_P::ComposeHighContrastScene() {
  const DialogLook& c = look_;
  scene_ = Image(kDialogWidth, kDialogHeight, c.window);
  Outline(scene_, Sized(0, 0, kDialogWidth, kDialogHeight), 1, c.windowText);
  HLine(scene_, kTitleBar.left, kTitleBar.right, kTitleBar.bottom - 1, c.windowText);
  const Rect close = RectOf(DialogControl::ImgExit);
  FillRect(scene_, close, c.buttonFace);
  DrawCross(scene_, close, c.buttonText);
  Outline(scene_, close, exitPressed_ ? kHighlightFrame : 1,
          exitPressed_ ? c.highlight : c.buttonText);
  Outline(scene_, kPanel, 1, c.windowText);
  for (const auto& [face, pressed] : {std::pair{kImgSet, setPressed_},
                                      std::pair{kImgCan, canPressed_}}) {
    FillRect(scene_, face, c.buttonFace);
    Outline(scene_, face, pressed ? kHighlightFrame : 1, pressed ? c.highlight : c.buttonText);
  }
  Outline(scene_, displayRect_, 1, c.windowText);
  FillRect(scene_, LensArea(), Rgb(0, 0, 0));
}

// Around the scroll bar that has the keyboard focus, just outside it: the
// system's dotted focus rectangle, or in high contrast a frame in the
// highlight colour.
void Quendelrix_P::DrawFocusMark() {
  if (!barFocused_) return;
  const Rect bar = focusBar_ == 0 ? kHS0 : kHS1;
  if (look_.highContrast) {
    Outline(scene_, Inflate(bar, kHighlightFrame), kHighlightFrame, look_.highlight);
  } else {
    DottedOutline(scene_, Inflate(bar, 1));
  }
}

std::vector<LabelView> Quendelrix_P::Labels() const {
  // In high contrast the texts take the system's text colours.
  const bool hc = look_.highContrast;
  auto text = [&](Pixel skin) { return hc ? look_.windowText : skin; };
  const Pixel button = hc ? look_.buttonText : look_.windowText;
  std::vector<LabelView> labels;
  auto add = [&](DialogControl id, std::wstring text, Pixel color) {
    LabelView v;
    v.id = id;
    v.rect = RectOf(id);
    v.text = std::move(text);
    v.color = color;
    labels.push_back(std::move(v));
    return &labels.back();
  };
  LabelView* v = add(DialogControl::lbl_URL, kHomePageAddress, hc ? look_.hotLight : kCream);
  v->underline = true;
  v->autoSize = true;
  add(DialogControl::lbl_9, kCreditText, text(kCream))->autoSize = true;
  add(DialogControl::Label9, kTitleCaption, text(kWhite))->autoSize = true;
  v = add(DialogControl::Num_1, numCaption_[1], text(kBlue));
  v->centred = true;
  v->dialogFont = false;
  add(DialogControl::lbl_1, kIntervalCaption, text(kBlue))->autoSize = true;
  add(DialogControl::lbl_Can, kCancelCaption, button)->centred = true;
  add(DialogControl::lbl_Set, kSetCaption, button)->centred = true;
  v = add(DialogControl::Num_0, numCaption_[0], text(kCream));
  v->centred = true;
  v->dialogFont = false;
  add(DialogControl::lbl_0, kBallsCaption, text(kCream))->autoSize = true;
  return labels;
}

std::vector<AccessibleItem> Quendelrix_P::AccessibleChildren() const {
  std::vector<AccessibleItem> items;
  for (DialogControl c : kReadingOrder) {
    AccessibleItem item;
    item.control = c;
    item.place = RectOf(c);
    switch (c) {
      case DialogControl::ImgExit:
        item.role = AccessibleRole::kPushButton;
        item.name = kExitTooltip;
        item.defaultAction = kPressAction;
        item.pressed = exitPressed_;
        break;
      case DialogControl::Display:
        item.role = AccessibleRole::kGraphic;
        item.name = kPictureAreaName;
        item.readOnly = true;
        break;
      case DialogControl::lbl_0:
      case DialogControl::lbl_1:
        item.role = AccessibleRole::kStaticText;
        item.name = c == DialogControl::lbl_0 ? kBallsCaption : kIntervalCaption;
        item.readOnly = true;
        break;
      case DialogControl::HS_0:
      case DialogControl::HS_1: {
        const int index = c == DialogControl::HS_0 ? 0 : 1;
        item.role = AccessibleRole::kSlider;
        item.name = index == 0 ? kBallsCaption : kIntervalCaption;
        item.value = numCaption_[static_cast<size_t>(index)];
        item.focusable = true;
        item.focused = barFocused_ && focusBar_ == index;
        break;
      }
      case DialogControl::lbl_Set:
      case DialogControl::lbl_Can: {
        const bool set = c == DialogControl::lbl_Set;
        item.role = AccessibleRole::kPushButton;
        item.name = set ? kSetCaption : kCancelCaption;
        item.defaultAction = kPressAction;
        item.shortcut = set ? L"Enter" : L"Esc";
        item.pressed = set ? setPressed_ : canPressed_;
        item.isDefault = set;
        break;
      }
      case DialogControl::lbl_9:
        item.role = AccessibleRole::kStaticText;
        item.name = kCreditText;
        item.readOnly = true;
        break;
      case DialogControl::lbl_URL:
        item.role = AccessibleRole::kLink;
        item.name = kHomePageAddress;
        item.value = kHomePageAddress;
        item.defaultAction = kJumpAction;
        item.linked = true;
        break;
      default:
        break;
    }
    items.push_back(std::move(item));
  }
  return items;
}

int Quendelrix_P::AccessibleChildAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= kDialogWidth || y >= kDialogHeight) return -1;
  return ChildOf(ControlAt(x, y));
}

int Quendelrix_P::AccessibleChildOf(DialogControl control) { return ChildOf(control); }

int Quendelrix_P::AccessibleFocus() const {
  if (!barFocused_) return kAccessibleSelf;
  return ChildOf(focusBar_ == 0 ? DialogControl::HS_0 : DialogControl::HS_1);
}

int Quendelrix_P::AccessibleNavigate(int from, AccessibleDirection direction) const {
  switch (direction) {
    case AccessibleDirection::kFirstChild:
      return from == kAccessibleSelf ? 1 : kAccessibleSelf;
    case AccessibleDirection::kLastChild:
      return from == kAccessibleSelf ? kChildCount : kAccessibleSelf;
    case AccessibleDirection::kNext:
      return from >= 1 && from < kChildCount ? from + 1 : kAccessibleSelf;
    case AccessibleDirection::kPrevious:
      return from > 1 && from <= kChildCount ? from - 1 : kAccessibleSelf;
    default:
      break;
  }
  if (from < 1 || from > kChildCount) return kAccessibleSelf;
  // The nearest child that lies wholly beyond the start in that direction:
  // the gap in the direction plus the offset of the centres across it, the
  // earlier child in reading order on a tie.
  const Rect f = RectOf(kReadingOrder[from - 1]);
  int best = kAccessibleSelf;
  long long bestScore = 0;
  for (int child = 1; child <= kChildCount; ++child) {
    if (child == from) continue;
    const Rect c = RectOf(kReadingOrder[child - 1]);
    long long gap = 0, across = 0;
    const long long dx = (c.left + c.right) - (f.left + f.right);  // twice
    const long long dy = (c.top + c.bottom) - (f.top + f.bottom);
    switch (direction) {
      case AccessibleDirection::kDown:
        if (c.top < f.bottom) continue;
        gap = c.top - f.bottom, across = std::llabs(dx) / 2;
        break;
      case AccessibleDirection::kUp:
        if (c.bottom > f.top) continue;
        gap = f.top - c.bottom, across = std::llabs(dx) / 2;
        break;
      case AccessibleDirection::kRight:
        if (c.left < f.right) continue;
        gap = c.left - f.right, across = std::llabs(dy) / 2;
        break;
      case AccessibleDirection::kLeft:
        if (c.right > f.left) continue;
        gap = f.left - c.right, across = std::llabs(dy) / 2;
        break;
      default:
        continue;
    }
    const long long score = gap + across;
    if (best == kAccessibleSelf || score < bestScore) {
      best = child;
      bestScore = score;
    }
  }
  return best;
}

bool Quendelrix_P::DoDefaultAction(int child) {
  if (unloaded_ || child < 1 || child > kChildCount) return false;
  if (AccessibleChildren()[static_cast<size_t>(child - 1)].defaultAction.empty()) return false;
  Press(kReadingOrder[child - 1], 0);
  return true;
}

}  // namespace qx
