// The settings dialog's window: a borderless popup that shows the form's
// scene, draws the label texts over it, owns the two scroll bars and the
// tooltip of the close box, and turns window messages into calls of the
// form's handlers. Everything the dialog decides lives in Quendelrix_P.
//
// The form works in its own units, the pixels of the dialog on a 96 DPI
// screen. The window maps them to the device at the DPI of the monitor it
// is on: it stretches the form's pictures, places the scroll bars, sizes
// the fonts and converts mouse positions, so the whole dialog scales as one
// piece and at 96 DPI is drawn pixel for pixel as the form made it.
//
// A screen reader asks the window (and each scroll bar) for its accessible
// object; the objects answer from the form's description of its controls.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "platform/win32/bitmap_picture.h"
#include "platform/win32/dialog_accessible.h"
#include "platform/win32/forms.h"
#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/screen_dpi.h"
#include "platform/win32/window_base.h"
#include "platform/win32/window_input.h"
#include "resources/resource_ids.h"
#include "settings_dialog/dialog_scale.h"
#include "settings_dialog/quendelrix_p.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuendelrixSettings";
constexpr wchar_t kMessageCaption[] = L"Quendelrix";
constexpr UINT_PTR kCloseBoxTool = 1;
constexpr UINT_PTR kBarSubclass = 1;
// Runs a screen reader's default action (wParam: the child) once its call
// has returned.
constexpr UINT kDefaultActionMessage = WM_APP + 1;

COLORREF ToColorRef(Pixel p) {
  return RGB(RedOf(p), GreenOf(p), BlueOf(p));
}

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The labels' font at a DPI: 9.75 points, Shift-JIS character set,
// underlined for the home-page address. Where the face is missing the system
// picks the nearest one that has the character set.
UniqueFont MakeLabelFont(bool underline, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(static_cast<int>(kDialogFontPoints * 100), dpi, 7200);
  lf.lfWeight = FW_NORMAL;
  lf.lfUnderline = underline ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(kShiftJisCharset);
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynW(lf.lfFaceName, kDialogFontFace, LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

// The two value labels take the dialog's default font: the system's GUI
// font, made for the system's DPI, here taken to the window's.
UniqueFont MakeValueFont(int dpi) {
  LOGFONTW lf{};
  if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return {};
  lf.lfHeight = MulDiv(lf.lfHeight, dpi, SystemDpi());
  lf.lfWidth = MulDiv(lf.lfWidth, dpi, SystemDpi());
  return UniqueFont(CreateFontIndirectW(&lf));
}

class DialogWindow final : public WindowBase, public DialogHost, AccessibleSource {
 public:
  DialogWindow(ModuleValues& values, SystemCalls& system)
      : values_(values), system_(system) {}
  ~DialogWindow() override {
    // While the form is still there to hear the window's end.
    if (Live()) DestroyWindow(Live());
    link_->source = nullptr;
  }

  bool Create();
  void Run() { form_->Form_Load(); }

  // DialogHost
  WindowHandle Handle() override { return FromHwnd(Live()); }
  SystemCalls& System() override { return system_; }
  SettingsFiles& Files() override { return files_; }
  PictureSource& Photo() override { return *photoSource_; }
  void Show() override;
  bool CursorPos(ScreenPoint& point) override;
  ScreenPoint WindowPos() override;
  void MoveWindow(int32_t left, int32_t top) override;
  void SetScrollBar(int index, const ScrollBarState& state) override;
  void Invalidate(const Rect& area) override;
  void Refresh() override;
  void DrawLensFrame(const DibImage& record) override;
  void ProcessPendingMessages() override { PumpPendingMessages(); }
  void WaitForInput(double seconds) override;
  double NowSeconds() override;
  void Destroy() override;
  void OpenDocument(const std::wstring& address) override;
  void ShowErrorMessage(const std::wstring& text) override;
  void AccessibleStateChanged(int child) override;

 private:
  // AccessibleSource
  const Quendelrix_P& Form() override { return *form_; }
  Rect ToScreen(const Rect& units) override;
  int ChildAtScreen(int x, int y) override;
  IAccessible* Object(int self) override { return NewDialogAccessible(link_, self); }
  IDispatch* WindowObject() override;
  bool PostDefaultAction(int child) override;
  bool TakeFocus(int child) override;
  // WM_GETOBJECT for the client area of the window (self kAccessibleSelf)
  // or of a scroll bar (self: the bar's child).
  LRESULT AnswerGetObject(WPARAM w, LPARAM l, int self);

  static LRESULT CALLBACK BarProc(HWND bar, UINT msg, WPARAM w, LPARAM l,
                                  UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override;
  // The window until the form has heard of its destruction; nullptr from
  // then on.
  HWND Live() const { return gone_ ? nullptr : Hwnd(); }
  void Paint();
  void DrawLabels(HDC dc);
  void AutoSizeLabels();
  void OnMouse(UINT msg, WPARAM w, LPARAM l);
  void OnScroll(WPARAM w, LPARAM l);
  bool OnKeyDown(WPARAM w, LPARAM l);
  void OnDpiChanged(int dpi, const RECT* suggested);
  void TakeScale(int dpi);
  void PlaceControls();
  void FocusBar();
  int ScrollIndex(HWND bar) const;
  RECT Device(const Rect& units) const { return ToRECT(scale_.ToDevice(units)); }

  ModuleValues& values_;
  HWND bars_[2] = {nullptr, nullptr};
  HWND tooltip_ = nullptr;
  bool destroying_ = false;  // WM_DESTROY has come
  bool gone_ = false;        // and the form has been unloaded
  SystemCalls& system_;
  std::shared_ptr<AccessibleLink> link_ = std::make_shared<AccessibleLink>();
  Win32SettingsFiles files_;
  UniqueBitmap photo_;
  std::unique_ptr<BitmapPicture> photoSource_;
  DialogScale scale_;
  UniqueFont labelFont_;  // at the window's DPI
  UniqueFont linkFont_;
  UniqueFont valueFont_;
  int focusBar_ = 0;  // the scroll bar that has, or last had, the focus
  HCURSOR hand_ = nullptr;   // a resource cursor: shared, never destroyed
  HCURSOR arrow_ = nullptr;
  std::unique_ptr<Quendelrix_P> form_;
};

bool DialogWindow::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  photo_.reset(static_cast<HBITMAP>(LoadImageW(
      instance, MAKEINTRESOURCEW(IDB_PHOTO), IMAGE_BITMAP, 0, 0,
      LR_CREATEDIBSECTION)));
  photoSource_ = std::make_unique<BitmapPicture>(photo_.get());
  DialogPictures pictures;
  pictures.photo = ImageFromBitmap(photo_.get());
  pictures.titleBar = LoadImageResource(IDB_TITLEBAR);
  pictures.buttonOff = LoadImageResource(IDB_BUTTON_OFF);
  pictures.buttonOn = LoadImageResource(IDB_BUTTON_ON);
  pictures.closeNormal = LoadImageResource(IDB_CLOSE_NORMAL);
  pictures.closePressed = LoadImageResource(IDB_CLOSE_PRESSED);
  form_ = std::make_unique<Quendelrix_P>(*this, values_, std::move(pictures));
  link_->source = this;

  hand_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER));
  arrow_ = LoadCursorW(nullptr, IDC_ARROW);

  WindowClassOptions options;
  options.icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  options.cursor = nullptr;  // chosen per control on WM_SETCURSOR

  // Made at the size of 96 DPI, then given the size of the monitor's DPI
  // (it is not shown yet) and placed at the centre of the screen.
  const std::wstring title(kDialogTitle);
  if (!CreateWindowOf(kClassName, options, WS_EX_APPWINDOW, title.c_str(),
                      WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, kDialogWidth,
                      kDialogHeight)) {
    return false;
  }
  TakeScale(WindowDpi(Live()));
  const int width = scale_.ToDevice(kDialogWidth);
  const int height = scale_.ToDevice(kDialogHeight);
  SetWindowPos(Live(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(Live(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(options.icon));
  SendMessageW(Live(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(options.icon));

  // HS(1) is created first: it lies in front of HS(0).
  for (int index : {1, 0}) {
    bars_[index] = CreateWindowExW(
        0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ,
        0, 0, 0, 0, Live(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + index)), instance,
        nullptr);
    if (bars_[index]) {
      SetWindowSubclass(bars_[index], BarProc, kBarSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
    }
  }

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, Live(), nullptr, instance, nullptr);
  if (tooltip_) {
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = Live();
    ti.uId = kCloseBoxTool;
    ti.rect = Device(form_->RectOf(DialogControl::ImgExit));
    ti.lpszText = const_cast<wchar_t*>(kExitTooltip);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  AutoSizeLabels();
  PlaceControls();
  return true;
}

void DialogWindow::TakeScale(int dpi) {
  scale_ = DialogScale(dpi);
  labelFont_ = MakeLabelFont(false, scale_.Dpi());
  linkFont_ = MakeLabelFont(true, scale_.Dpi());
  valueFont_ = MakeValueFont(scale_.Dpi());
}

// The scroll bars and the close box's tooltip at the current scale.
void DialogWindow::PlaceControls() {
  for (int index : {0, 1}) {
    if (!bars_[index]) continue;
    const RECT r = Device(
        form_->RectOf(index == 0 ? DialogControl::HS_0 : DialogControl::HS_1));
    SetWindowPos(bars_[index], nullptr, r.left, r.top, r.right - r.left,
                 r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (tooltip_) {
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.hwnd = Live();
    ti.uId = kCloseBoxTool;
    ti.rect = Device(form_->RectOf(DialogControl::ImgExit));
    SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

// Labels sized to their text are measured in the form's units: with the
// font as it is at 96 DPI.
void DialogWindow::AutoSizeLabels() {
  WindowDC dc(Live());
  if (!dc) return;
  const UniqueFont unitLabel = MakeLabelFont(false, DialogScale::kBaseDpi);
  const UniqueFont unitLink = MakeLabelFont(true, DialogScale::kBaseDpi);
  for (const LabelView& label : form_->Labels()) {
    if (!label.autoSize) continue;
    HFONT font = label.underline ? unitLink.get() : unitLabel.get();
    if (!font) continue;
    SelectGuard select(dc.get(), font);
    SIZE size{};
    if (GetTextExtentPoint32W(dc.get(), label.text.c_str(),
                              static_cast<int>(label.text.size()), &size)) {
      form_->AutoSizeLabel(label.id, size.cx, size.cy);
    }
  }
}

void DialogWindow::Show() {
  ShowWindow(Live(), SW_SHOW);
  SetForegroundWindow(Live());
  focusBar_ = 0;
  FocusBar();
}

void DialogWindow::FocusBar() {
  if (bars_[focusBar_]) SetFocus(bars_[focusBar_]);
}

bool DialogWindow::CursorPos(ScreenPoint& point) {
  POINT p;
  if (!GetCursorPos(&p)) return false;
  point = {p.x, p.y};
  return true;
}

ScreenPoint DialogWindow::WindowPos() {
  RECT r{};
  if (Live()) GetWindowRect(Live(), &r);
  return {r.left, r.top};
}

void DialogWindow::MoveWindow(int32_t left, int32_t top) {
  if (!Live()) return;
  SetWindowPos(Live(), nullptr, left, top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::SetScrollBar(int index, const ScrollBarState& state) {
  if (index < 0 || index > 1 || !bars_[index]) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  si.nMin = state.min;
  si.nMax = state.max;
  si.nPage = 0;
  si.nPos = state.value;
  SetScrollInfo(bars_[index], SB_CTL, &si, TRUE);
}

void DialogWindow::Invalidate(const Rect& area) {
  if (!Live()) return;
  RECT r = Device(area);
  // A stretched picture may take its pixels from a unit's neighbour.
  if (!scale_.Identity()) InflateRect(&r, 2, 2);
  InvalidateRect(Live(), &r, FALSE);
}

void DialogWindow::Refresh() {
  if (!Live()) return;
  InvalidateRect(Live(), nullptr, FALSE);
  UpdateWindow(Live());
}

void DialogWindow::DrawLensFrame(const DibImage& record) {
  if (!Live()) return;
  WindowDC dc(Live());
  if (!dc) return;
  DrawDibImage(dc.get(), Device(form_->LensArea()), record);
}

void DialogWindow::WaitForInput(double seconds) {
  const double ms = seconds * 1000.0;
  const DWORD wait = ms <= 0 ? 0 : ms >= 1000 ? 1000 : static_cast<DWORD>(ms + 0.999);
  MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

double DialogWindow::NowSeconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void DialogWindow::Destroy() {
  if (Live() && !destroying_) DestroyWindow(Live());
}

void DialogWindow::OpenDocument(const std::wstring& address) {
  ShellExecuteW(Live(), L"open", address.c_str(), L"", L"", SW_SHOWNORMAL);
}

void DialogWindow::ShowErrorMessage(const std::wstring& text) {
  MessageBoxW(Live(), text.c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
}

void DialogWindow::AccessibleStateChanged(int child) {
  if (Live() && child != kAccessibleSelf) {
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, Live(), OBJID_CLIENT, child);
  }
}

Rect DialogWindow::ToScreen(const Rect& units) {
  POINT origin{0, 0};
  if (Live()) ClientToScreen(Live(), &origin);
  return ScreenPlace(units, scale_, origin.x, origin.y);
}

int DialogWindow::ChildAtScreen(int x, int y) {
  POINT p{x, y};
  RECT client{};
  if (!Live() || !ScreenToClient(Live(), &p) || !GetClientRect(Live(), &client) ||
      !PtInRect(&client, p)) {
    return -1;
  }
  return form_->AccessibleChildAt(scale_.ToUnits(p.x), scale_.ToUnits(p.y));
}

IDispatch* DialogWindow::WindowObject() {
  void* object = nullptr;
  if (!Live() || FAILED(CreateStdAccessibleObject(Live(), OBJID_WINDOW, IID_IDispatch,
                                                  &object))) {
    return nullptr;
  }
  return static_cast<IDispatch*>(object);
}

bool DialogWindow::PostDefaultAction(int child) {
  const auto items = form_->AccessibleChildren();
  if (!Live() || child < 1 || child > static_cast<int>(items.size()) ||
      items[static_cast<size_t>(child - 1)].defaultAction.empty()) {
    return false;
  }
  // A message box of the dialog's own has the window disabled.
  if (!IsWindowEnabled(Live())) return false;
  return PostMessageW(Live(), kDefaultActionMessage, static_cast<WPARAM>(child), 0) != 0;
}

bool DialogWindow::TakeFocus(int child) {
  for (int index : {0, 1}) {
    if (bars_[index] && child == Quendelrix_P::AccessibleChildOf(
                                     index == 0 ? DialogControl::HS_0 : DialogControl::HS_1)) {
      if (GetForegroundWindow() != Live()) SetForegroundWindow(Live());
      SetFocus(bars_[index]);
      return GetFocus() == bars_[index];
    }
  }
  return false;
}

LRESULT DialogWindow::AnswerGetObject(WPARAM w, LPARAM l, int self) {
  if (static_cast<LONG>(l) != OBJID_CLIENT || !link_->source) return 0;
  IAccessible* object = NewDialogAccessible(link_, self);
  if (!object) return 0;
  const LRESULT result = LresultFromObject(kIidAccessible, w, object);
  object->Release();
  return result;
}

void DialogWindow::Paint() {
  PaintDC paint(Live());
  if (!paint.get()) return;
  // Compose in memory: scene, label texts, the current lens frame; then one
  // copy to the screen, so nothing flickers.
  const RECT whole = Device(Rect{0, 0, kDialogWidth, kDialogHeight});
  UniqueMemoryDC memory(CreateCompatibleDC(paint.get()));
  UniqueBitmap canvas(CreateCompatibleBitmap(paint.get(), whole.right, whole.bottom));
  if (!memory || !canvas) return;
  SelectGuard select(memory.get(), canvas.get());
  DrawImage(memory.get(), whole, form_->Scene());
  DrawLabels(memory.get());
  DrawDibImage(memory.get(), Device(form_->LensArea()), form_->LensImage());
  const RECT& dirty = paint.dirty();
  BitBlt(paint.get(), dirty.left, dirty.top, dirty.right - dirty.left,
         dirty.bottom - dirty.top, memory.get(), dirty.left, dirty.top, SRCCOPY);
}

void DialogWindow::DrawLabels(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  for (const LabelView& label : form_->Labels()) {
    HGDIOBJ font = label.dialogFont ? (label.underline ? linkFont_.get()
                                                       : labelFont_.get())
                                    : valueFont_.get();
    if (!font) font = GetStockObject(DEFAULT_GUI_FONT);
    SelectGuard select(dc, font);
    SetTextColor(dc, ToColorRef(label.color));
    RECT r = Device(label.rect);
    DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &r,
              DT_SINGLELINE | DT_NOPREFIX | DT_TOP | DT_NOCLIP |
                  (label.centred ? DT_CENTER : DT_LEFT));
  }
}

int DialogWindow::ScrollIndex(HWND bar) const {
  if (bar && bar == bars_[0]) return 0;
  if (bar && bar == bars_[1]) return 1;
  return -1;
}

void DialogWindow::OnScroll(WPARAM w, LPARAM l) {
  const int index = ScrollIndex(reinterpret_cast<HWND>(l));
  if (index < 0) return;
  ScrollAction action;
  int thumb = 0;
  switch (LOWORD(w)) {
    case SB_LINELEFT: action = ScrollAction::kLineLeft; break;
    case SB_LINERIGHT: action = ScrollAction::kLineRight; break;
    case SB_PAGELEFT: action = ScrollAction::kPageLeft; break;
    case SB_PAGERIGHT: action = ScrollAction::kPageRight; break;
    case SB_LEFT: action = ScrollAction::kLeftEnd; break;
    case SB_RIGHT: action = ScrollAction::kRightEnd; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(bars_[index], SB_CTL, &si);
      action = ScrollAction::kThumb;
      thumb = si.nTrackPos;
      break;
    }
    default:
      return;
  }
  form_->HS_Scroll(index, action, thumb);
}

// Mouse input in the form's units: the client pixels of the message mapped
// at the window's scale.
void DialogWindow::OnMouse(UINT msg, WPARAM w, LPARAM l) {
  const auto input = FormInputFromMessage(msg, w, l, ShiftState());
  if (!input) return;
  const int x = scale_.ToUnits(static_cast<int>(input->x));
  const int y = scale_.ToUnits(static_cast<int>(input->y));
  switch (input->kind) {
    case FormInput::Kind::kMouseDown:
      if (GetCapture() != Live()) SetCapture(Live());
      form_->MouseDown(input->button, input->shift, x, y);
      break;
    case FormInput::Kind::kMouseUp: {
      // The handler may close the dialog; the capture is let go either way.
      const bool last = HeldButtons(w) == 0;
      form_->MouseUp(input->button, input->shift, x, y);
      if (last && GetCapture() == Live()) ReleaseCapture();
      break;
    }
    case FormInput::Kind::kMouseMove:
      form_->MouseMove(input->button, input->shift, x, y);
      break;
    case FormInput::Kind::kKeyDown:
      break;
  }
}

// The scroll bars hand the dialog's own keys to the dialog, and note when
// they get the focus, so that it can go back to them.
LRESULT CALLBACK DialogWindow::BarProc(HWND bar, UINT msg, WPARAM w, LPARAM l,
                                       UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<DialogWindow*>(data);
  switch (msg) {
    case WM_KEYDOWN:
      if (w == VK_TAB || w == VK_RETURN || w == VK_ESCAPE) {
        // Acted on by the dialog after this call has returned: the action
        // may close the dialog and its scroll bars with it.
        PostMessageW(GetParent(bar), WM_KEYDOWN, w, l);
        return 0;
      }
      break;
    case WM_CHAR:
      if (w == L'\t' || w == L'\r' || w == 0x1B) return 0;
      break;
    case WM_SETFOCUS:
      if (const int index = self->ScrollIndex(bar); index >= 0) {
        self->focusBar_ = index;
        self->form_->HS_GotFocus(index);
      }
      break;
    case WM_KILLFOCUS:
      if (const int index = self->ScrollIndex(bar); index >= 0) {
        self->form_->HS_LostFocus(index);
      }
      break;
    case WM_GETOBJECT:
      // The system's object for a scroll bar knows neither its label nor
      // the number it stands for: the bar is the dialog's child.
      if (const int index = self->ScrollIndex(bar); index >= 0) {
        const LRESULT r = self->AnswerGetObject(
            w, l,
            Quendelrix_P::AccessibleChildOf(index == 0 ? DialogControl::HS_0
                                                       : DialogControl::HS_1));
        if (r != 0) return r;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(bar, BarProc, kBarSubclass);
      break;
  }
  return DefSubclassProc(bar, msg, w, l);
}

bool DialogWindow::OnKeyDown(WPARAM w, LPARAM l) {
  const bool repeat = (l & (1 << 30)) != 0;
  switch (w) {
    case VK_TAB:
      // Two bars: forwards and backwards both lead to the other one.
      focusBar_ = 1 - focusBar_;
      FocusBar();
      return true;
    case VK_RETURN:
      form_->KeyDown(kKeyReturn, ShiftState(), repeat);
      return true;
    case VK_ESCAPE:
      form_->KeyDown(kKeyEscape, ShiftState(), repeat);
      return true;
  }
  return false;
}

void DialogWindow::OnDpiChanged(int dpi, const RECT* suggested) {
  const DialogScale before = scale_;
  TakeScale(dpi);
  RECT r{};
  GetWindowRect(Live(), &r);
  if (suggested) {
    r = *suggested;
  } else {
    r.right = r.left + scale_.ToDevice(kDialogWidth);
    r.bottom = r.top + scale_.ToDevice(kDialogHeight);
  }
  if (form_->Dragging() == 1) {
    // The grab point keeps its place in the dialog and stays under the
    // cursor.
    form_->MoveDragOffset(static_cast<int16_t>(before.Rescale(form_->DragOffsetX(), scale_)),
                          static_cast<int16_t>(before.Rescale(form_->DragOffsetY(), scale_)));
    POINT cursor;
    if (GetCursorPos(&cursor)) {
      OffsetRect(&r, cursor.x - form_->DragOffsetX() - r.left,
                 cursor.y - form_->DragOffsetY() - r.top);
    }
  }
  SetWindowPos(Live(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceControls();
  InvalidateRect(Live(), nullptr, FALSE);
}

LRESULT DialogWindow::OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      OnMouse(msg, w, l);
      return 0;
    case WM_CANCELMODE:
      form_->CaptureLost();
      break;  // the default releases the capture
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(l) != hwnd) form_->CaptureLost();
      return 0;
    case WM_KEYDOWN:
      if (OnKeyDown(w, l)) return 0;
      break;
    case WM_ACTIVATE:
      // Back to the scroll bar that had the focus, so its keys keep working.
      if (LOWORD(w) != WA_INACTIVE && !HIWORD(w)) {
        FocusBar();
        return 0;
      }
      break;
    case WM_SETFOCUS:
      FocusBar();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(w), reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_SETCURSOR: {
      POINT p;
      // The scroll bars pass the question on to their parent.
      const bool ours = reinterpret_cast<HWND>(w) == hwnd ||
                        ScrollIndex(reinterpret_cast<HWND>(w)) >= 0;
      if (ours && static_cast<short>(LOWORD(l)) != HTERROR && GetCursorPos(&p) &&
          ScreenToClient(hwnd, &p)) {
        const int x = scale_.ToUnits(p.x), y = scale_.ToUnits(p.y);
        SetCursor(form_->CursorAt(x, y) == CursorKind::kHand && hand_ ? hand_ : arrow_);
        return TRUE;
      }
      break;
    }
    case WM_HSCROLL:
      OnScroll(w, l);
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT r = AnswerGetObject(w, l, kAccessibleSelf); r != 0) return r;
      break;
    case kDefaultActionMessage:
      form_->DoDefaultAction(static_cast<int>(w));
      return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
      // High contrast switched on or off, or other system colours.
      form_->SystemColorsChanged();
      break;
    case WM_CLOSE:
      form_->Unload();  // the system's close: as Cancel
      return 0;
    case WM_DESTROY:
      destroying_ = true;
      link_->source = nullptr;  // the accessible objects fail from now on
      form_->Unload();  // ends the lens loop if anything else destroyed us
      gone_ = true;
      bars_[0] = bars_[1] = nullptr;
      tooltip_ = nullptr;
      return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

}  // namespace

void ShowSettingsDialog(ModuleValues& values) {
  Win32SystemCalls system;
  ShowSettingsDialog(values, system);
}

void ShowSettingsDialog(ModuleValues& values, SystemCalls& system) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&icc);
  // The accessible objects go to screen readers in other processes.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    DialogWindow window(values, system);
    if (window.Create()) window.Run();
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace qx::win32
