#include "settings_dialog/quendelrix_p.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/unit/memory_files.h"

namespace qx {
namespace {

// Records what the dialog asks of its window and the system, as text lines,
// and runs scripted input inside the dialog's yields.
class RecordingHost final : public DialogHost, SystemCalls {
 public:
  std::vector<std::string> log;
  std::deque<std::function<void()>> atYield;  // one per yield, in order
  int passesBeforeClose = 1;  // system close after this many yields
  Quendelrix_P* form = nullptr;
  ScreenPoint cursor{200, 150};
  bool cursorFails = false;
  ScreenPoint window{272, 233};
  testing_files::MemoryFiles files;  // the program's folder is /data
  std::vector<std::pair<int, int>> lensPositions;  // at each drawn frame
  int framesDrawn = 0;
  double clock = 100.0;
  int yields = 0;
  ImagePicture photo{Image(320, 200, Rgb(10, 20, 30))};
  bool photoOpens = true;

  class Photo final : public PictureSource {
   public:
    explicit Photo(RecordingHost& h) : h_(h) {}
    bool ReadPixels(const BitmapInfoHeader& header, Image& pixels) override {
      return h_.photoOpens && h_.photo.ReadPixels(header, pixels);
    }

   private:
    RecordingHost& h_;
  } photoSource{*this};

  // DialogHost
  WindowHandle Handle() override { return 0x1234; }
  SystemCalls& System() override { return *this; }
  SettingsFiles& Files() override { return files; }
  PictureSource& Photo() override { return photoSource; }
  void Show() override { log.push_back("Show"); }
  bool CursorPos(ScreenPoint& p) override {
    if (cursorFails) return false;
    p = cursor;
    return true;
  }
  ScreenPoint WindowPos() override { return window; }
  void MoveWindow(int32_t left, int32_t top) override {
    log.push_back("Move " + std::to_string(left) + "," + std::to_string(top));
    window = {left, top};
  }
  void SetScrollBar(int index, const ScrollBarState& s) override {
    log.push_back("Bar " + std::to_string(index) + " " + std::to_string(s.min) +
                  ".." + std::to_string(s.max) + "=" + std::to_string(s.value));
  }
  void Invalidate(const Rect&) override {}
  std::function<void()> onRefresh;
  void Refresh() override {
    log.push_back("Refresh");
    if (onRefresh) onRefresh();
  }
  void DrawLensFrame(const DibImage&) override {
    ++framesDrawn;
    lensPositions.emplace_back(form->LensX(), form->LensY());
  }
  void ProcessPendingMessages() override {
    ++yields;
    log.push_back("Yield");
    if (yields > 100000 && form && !form->Unloaded()) {
      ADD_FAILURE() << "the dialog did not close";
      form->Unload();
      return;
    }
    if (!atYield.empty()) {
      auto next = std::move(atYield.front());
      atYield.pop_front();
      next();
    } else if (form && framesDrawn >= passesBeforeClose && !form->Unloaded()) {
      form->Unload();
    }
  }
  void WaitForInput(double seconds) override { clock += seconds; }
  double NowSeconds() override { return clock; }
  void Destroy() override { log.push_back("Destroy"); }
  void OpenDocument(const std::wstring& address) override {
    log.push_back("Open " + std::string(address.begin(), address.end()));
  }
  void ShowErrorMessage(const std::wstring& text) override {
    errorText = text;
    log.push_back("Message");
  }
  void AccessibleStateChanged(int child) override {
    log.push_back("State " + std::to_string(child));
  }
  std::wstring errorText;
  // SystemCalls
  bool highContrast = false;
  std::map<int, Pixel> colors;  // the standard look's where not given
  bool HighContrastOn() override { return highContrast; }
  Pixel SystemColor(int index) override {
    const auto it = colors.find(index);
    return it != colors.end() ? it->second : StandardSystemColor(index);
  }
  int SetSystemParameter(uint32_t, uint32_t, uint32_t) override { return 1; }
  VersionAnswer QueryVersion() override { return {}; }
  bool GetWindowRect(WindowHandle, Rect& r) override {
    r = Rect{window.x, window.y, window.x + kDialogWidth, window.y + kDialogHeight};
    return true;
  }
  void DrawAnimatedRects(WindowHandle, int, const Rect& from,
                         const Rect& to) override {
    log.push_back("Zoom " + Text(from) + " -> " + Text(to));
  }
  static std::string Text(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom);
  }

  RecordingHost() {
    files.folders.insert("/data");
    files.mirror = &log;
  }
  // A value in the settings file beside the program.
  std::string Stored(std::string_view key) {
    return IniLookup(files.files["/data/Quendelrix.ini"], kIniSection, key);
  }
};

DialogPictures TestPictures() {
  DialogPictures p;
  p.photo = Image(320, 200, Rgb(10, 20, 30));
  p.titleBar = Image(500, 22, Rgb(0, 0, 90));
  p.buttonOff = Image(21, 20, Rgb(200, 200, 200));
  p.buttonOn = Image(21, 20, Rgb(150, 220, 0));
  p.closeNormal = Image(15, 15, Rgb(80, 120, 220));
  p.closePressed = Image(16, 15, Rgb(40, 60, 110));
  return p;
}

struct Dialog {
  RecordingHost host;
  ModuleValues values;
  std::unique_ptr<Quendelrix_P> form;

  explicit Dialog(int16_t balls = 60, int16_t interval = 300) {
    values.BallCount = balls;
    values.Interval = interval;
    values.IniPath = values.ProgramIniPath = "/data/Quendelrix.ini";
    form = std::make_unique<Quendelrix_P>(host, values, TestPictures());
    host.form = form.get();
  }
  // Runs Form_Load; `script` runs inside the first yields, in order.
  void Load(std::vector<std::function<void()>> script = {}) {
    for (auto& s : script) host.atYield.push_back(std::move(s));
    form->Form_Load();
  }
  std::wstring Num(int index) const {
    for (const auto& l : form->Labels()) {
      if (l.id == (index == 0 ? DialogControl::Num_0 : DialogControl::Num_1))
        return l.text;
    }
    return L"?";
  }
  std::vector<std::string> LogFrom(const std::string& first) const {
    std::vector<std::string> out;
    bool on = false;
    for (const auto& line : host.log) {
      if (line == first) on = true;
      if (on && line != "Yield") out.push_back(line);
    }
    return out;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& line : host.log) n += line.rfind(prefix, 0) == 0;
    return n;
  }
  // A point in the middle of a control.
  std::pair<int, int> Centre(DialogControl c) const {
    const Rect r = form->RectOf(c);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Click(DialogControl c, int button = kLeftButton) {
    auto [x, y] = Centre(c);
    form->MouseDown(button, 0, x, y);
    form->MouseUp(button, 0, x, y);
  }
};

TEST(DialogLoad, ScrollBarsTakeStoredValuesInRangeOnly) {
  const struct { int16_t balls, interval; int16_t hs0, hs1; } cases[] = {
      {60, 300, 60, 300},   {20, 100, 20, 100},   {100, 500, 100, 500},
      {150, 300, 20, 300},  {10, 300, 20, 300},   {60, 50, 60, 100},
      {60, -5, 60, 100},    {19, 501, 20, 100},   {21, 499, 21, 499},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "balls " << c.balls << ", interval " << c.interval);
    Dialog d(c.balls, c.interval);
    d.Load();
    EXPECT_EQ(d.form->HS(0).value, c.hs0);
    EXPECT_EQ(d.form->HS(1).value, c.hs1);
    EXPECT_EQ(d.Num(0), std::to_wstring(c.hs0));
    EXPECT_EQ(d.Num(1), std::to_wstring(c.hs1));
    EXPECT_EQ(d.form->HS(0).min, 20);
    EXPECT_EQ(d.form->HS(0).max, 100);
    EXPECT_EQ(d.form->HS(1).min, 100);
    EXPECT_EQ(d.form->HS(1).max, 500);
  }
}

TEST(DialogLoad, ShowsZoomsFromTheCursorAndAnimatesUntilClosed) {
  Dialog d;
  d.host.passesBeforeClose = 3;
  d.Load();
  EXPECT_EQ(d.form->PicWidth(), 320);
  EXPECT_EQ(d.form->PicHeight(), 200);
  // The frame's corners at (20, 40) and (341, 241), the photograph inside.
  EXPECT_EQ(d.form->RectOf(DialogControl::Display), (Rect{20, 40, 342, 242}));
  EXPECT_EQ(d.form->LensArea(), (Rect{21, 41, 341, 241}));
  EXPECT_EQ(d.LogFrom("Show"),
            (std::vector<std::string>{
                "Show", "Refresh", "Zoom 200,150,200,150 -> 272,233,751,535",
                "Zoom 272,233,751,535 -> 200,150,200,150", "Destroy"}));
  EXPECT_EQ(d.host.framesDrawn, 3);
  EXPECT_EQ(d.form->ExitFlag(), kTrue16);
  EXPECT_EQ(d.Count("Write"), 0);  // the system's close saves nothing
}

TEST(DialogLoad, FailedCursorQueryZoomsFromTheScreenCorner) {
  Dialog d;
  d.host.cursorFails = true;
  d.Load();
  EXPECT_EQ(d.Count("Zoom 0,0,0,0 -> 272,233,751,535"), 1);
  EXPECT_EQ(d.Count("Zoom 272,233,751,535 -> 0,0,0,0"), 1);
}

TEST(DialogLoad, UnreadablePhotoDrawsNothingAndStillCloses) {
  Dialog d;
  d.host.photoOpens = false;
  d.host.passesBeforeClose = 0;
  d.host.atYield = {[] {}, [] {}, [&] { d.form->Unload(); }};
  d.form->Form_Load();
  EXPECT_EQ(d.host.framesDrawn, 0);
  EXPECT_EQ(d.Count("Destroy"), 1);
}

TEST(DialogLens, PathOfTheLensFrameByFrame) {
  Dialog d;
  d.host.passesBeforeClose = 215;
  d.Load();
  const auto& p = d.host.lensPositions;
  ASSERT_GE(p.size(), 215u);
  const struct { size_t frame; int x, y; } cases[] = {
      {0, 0, 0},      {1, 3, 2},      {100, 300, 200}, {101, 303, 198},
      {107, 321, 186}, {108, 318, 184}, {200, 42, 0},   {214, 0, 28},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "frame " << c.frame);
    EXPECT_EQ(p[c.frame], std::make_pair(c.x, c.y));
  }
}

TEST(DialogLens, ClosedInsideAYieldTheLoopFinishesThePassWithoutDrawing) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[] {}, [] {}, [&] { d.form->Unload(); }});  // in the second pass
  EXPECT_EQ(d.host.framesDrawn, 2);
  EXPECT_EQ(d.form->LensX(), 6);  // steps 4 and 5 of that pass still ran
  EXPECT_EQ(d.form->LensY(), 4);
  EXPECT_EQ(d.host.yields, 3);  // no waiting for a frame after the close
}

TEST(DialogLens, FramesArePacedToSixtyASecond) {
  Dialog d;
  d.host.passesBeforeClose = 120;
  const double start = d.host.clock;
  d.Load();
  EXPECT_NEAR(d.host.clock - start, 120.0 / 60.0, 2.0 / 60.0);
}

TEST(DialogGradient, DarkBlueEdgesPaleMiddle) {
  EXPECT_EQ(Quendelrix_P::GradientLevel(0, 302), 0);
  EXPECT_EQ(Quendelrix_P::GradientLevel(302, 302), 0);
  EXPECT_EQ(Quendelrix_P::GradientLevel(151, 302), 220);
  EXPECT_EQ(Quendelrix_P::GradientLevel(301, 302), 2);
  EXPECT_EQ(Quendelrix_P::GradientLevel(0, 199), 0);
  EXPECT_EQ(Quendelrix_P::GradientLevel(199, 199), 0);
  EXPECT_EQ(Quendelrix_P::GradientLevel(99, 199), 220);

  Dialog d;
  d.Load();
  const Image& s = d.form->Scene();
  // Window: below the title bar and away from the controls.
  EXPECT_EQ(s.At(5, 151), Rgb(220, 220, 250));
  EXPECT_EQ(s.At(5, 301), Rgb(2, 2, 32));
  const int l30 = Quendelrix_P::GradientLevel(30, 302);
  EXPECT_EQ(s.At(470, 30), Rgb(l30, l30, l30 + 30));
  // Panel: its inside starts at (357, 41), 99 x 199.
  EXPECT_EQ(s.At(357 + 95, 41), Rgb(0, 0, 30));
  EXPECT_EQ(s.At(357 + 95, 41 + 99), Rgb(220, 220, 250));
  EXPECT_EQ(s.At(357 + 95, 41 + 198), Rgb(3, 3, 33));
  // The title bar is stretched across the top; the close box lies on it.
  EXPECT_EQ(s.At(478, 0), Rgb(0, 0, 90));
  EXPECT_EQ(s.At(456, 4), Rgb(80, 120, 220));
  EXPECT_EQ(s.At(456 + 14, 4 + 14), Rgb(80, 120, 220));
}

TEST(DialogControls, HandCursorOnExactlySixControls) {
  Dialog d;
  d.Load();
  std::set<DialogControl> hand;
  for (int y = 0; y < kDialogHeight; ++y)
    for (int x = 0; x < kDialogWidth; ++x)
      if (d.form->CursorAt(x, y) == CursorKind::kHand)
        hand.insert(d.form->ControlAt(x, y));
  EXPECT_EQ(hand, (std::set<DialogControl>{
                      DialogControl::HS_0, DialogControl::HS_1,
                      DialogControl::lbl_Set, DialogControl::lbl_Can,
                      DialogControl::ImgExit, DialogControl::lbl_URL}));

  const struct { int x, y; DialogControl c; } points[] = {
      {1, 1, DialogControl::Image1},     {14, 6, DialogControl::Label9},
      {456, 4, DialogControl::ImgExit},  {470, 18, DialogControl::ImgExit},
      {471, 4, DialogControl::Image1},   {20, 40, DialogControl::Display},
      {341, 241, DialogControl::Display}, {342, 242, DialogControl::kNone},
      {356, 40, DialogControl::Pic_a},   {365, 69, DialogControl::HS_0},
      {365, 129, DialogControl::HS_1},   {365, 181, DialogControl::Img_Set},
      {365, 185, DialogControl::lbl_Set}, {365, 213, DialogControl::lbl_Can},
      {365, 230, DialogControl::Img_Can}, {20, 272, DialogControl::lbl_URL},
      {20, 252, DialogControl::lbl_9},    {450, 280, DialogControl::kNone},
  };
  for (const auto& p : points) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(d.form->ControlAt(p.x, p.y), p.c);
  }
  // A label sized to its text takes the measured size.
  d.form->AutoSizeLabel(DialogControl::lbl_URL, 150, 13);
  EXPECT_EQ(d.form->ControlAt(180, 275), DialogControl::kNone);
}

TEST(DialogControls, ScrollBarStepsAndLimits) {
  const struct { int bar; ScrollAction a; int thumb; int16_t want; } cases[] = {
      {0, ScrollAction::kLineRight, 0, 61}, {0, ScrollAction::kLineLeft, 0, 59},
      {0, ScrollAction::kPageRight, 0, 70}, {0, ScrollAction::kPageLeft, 0, 50},
      {0, ScrollAction::kThumb, 87, 87},     {0, ScrollAction::kRightEnd, 0, 100},
      {0, ScrollAction::kLeftEnd, 0, 20},    {0, ScrollAction::kThumb, 400, 100},
      {1, ScrollAction::kPageRight, 0, 310}, {1, ScrollAction::kLineLeft, 0, 299},
      {1, ScrollAction::kLeftEnd, 0, 100},   {1, ScrollAction::kThumb, 5, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "bar " << c.bar << ", action "
                                    << static_cast<int>(c.a) << ", thumb " << c.thumb);
    Dialog d;
    d.host.passesBeforeClose = 1 << 30;
    d.Load({[&] {
      d.form->HS_Scroll(c.bar, c.a, c.thumb);
      d.form->Unload();
    }});
    EXPECT_EQ(d.form->HS(c.bar).value, c.want);
    EXPECT_EQ(d.Num(c.bar), std::to_wstring(c.want));
  }
  // Near the ends a step stops at the limit.
  Dialog d(98, 495);
  d.Load({[&] {
    d.form->HS_Scroll(0, ScrollAction::kPageRight, 0);
    d.form->HS_Scroll(1, ScrollAction::kPageRight, 0);
    d.form->Unload();
  }});
  EXPECT_EQ(d.form->HS(0).value, 100);
  EXPECT_EQ(d.form->HS(1).value, 500);
}

TEST(DialogSet, WritesBothKeysInOrderThenCloses) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
    d.form->HS_Scroll(0, ScrollAction::kRightEnd, 0);
    d.form->HS_Scroll(1, ScrollAction::kLeftEnd, 0);
    const auto [x, y] = d.Centre(DialogControl::lbl_Set);
    d.form->MouseDown(kLeftButton, 0, x, y);
    EXPECT_EQ(d.form->Scene().At(366, 182), Rgb(150, 220, 0));  // pressed face
    d.form->MouseUp(kLeftButton, 0, x, y);
  }});
  // One replace of the file carries both keys, before the closing zoom.
  EXPECT_EQ(d.LogFrom("WriteBeside /data/Quendelrix.ini"),
            (std::vector<std::string>{
                "WriteBeside /data/Quendelrix.ini", "Replace /data/Quendelrix.ini",
                "Zoom 272,233,751,535 -> 200,150,200,150", "Destroy"}));
  EXPECT_EQ(d.host.files.files["/data/Quendelrix.ini"],
            "[Section]\r\n" + std::string(kKeyBallCount) + "= 100\r\n" +
                std::string(kKeyInterval) + "= 100\r\n");
  EXPECT_EQ(d.values.IniValue, " 100");
  EXPECT_EQ(d.form->Scene().At(366, 182), Rgb(200, 200, 200));  // released
  EXPECT_EQ(d.values.BallCount, 60);  // the running values stay as loaded
}

TEST(DialogSet, ReleasedOffTheButtonStillSaves) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
    const auto [x, y] = d.Centre(DialogControl::lbl_Set);
    d.form->MouseDown(kRightButton, 0, x, y);
    d.form->MouseMove(kRightButton, 0, 5, 290);
    d.form->MouseUp(kRightButton, 0, 5, 290);
  }});
  EXPECT_EQ(d.host.Stored(kKeyBallCount), "60");
  EXPECT_EQ(d.host.Stored(kKeyInterval), "300");
  EXPECT_EQ(d.Count("Destroy"), 1);
}

TEST(DialogClose, CancelCloseBoxAndSystemCloseWriteNothing) {
  const std::function<void(Dialog&)> closers[] = {
      [](Dialog& d) { d.Click(DialogControl::lbl_Can); },
      [](Dialog& d) { d.Click(DialogControl::lbl_Can, kRightButton); },
      [](Dialog& d) { d.Click(DialogControl::ImgExit); },
      [](Dialog& d) { d.form->Unload(); },
  };
  for (const auto& close : closers) {
    SCOPED_TRACE(testing::Message() << "closer " << (&close - closers));
    Dialog d;
    d.host.passesBeforeClose = 1 << 30;
    d.Load({[&] { close(d); }});
    EXPECT_EQ(d.Count("Write"), 0);
    EXPECT_EQ(d.Count("Zoom 272,233,751,535 -> 200,150,200,150"), 1);
    EXPECT_EQ(d.Count("Destroy"), 1);
    EXPECT_EQ(d.form->ExitFlag(), kTrue16);
  }
}

TEST(DialogClose, CloseBoxShowsItsPressedPictureWhileHeld) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
    d.form->MouseDown(kLeftButton, 0, 460, 8);
    EXPECT_EQ(d.form->RectOf(DialogControl::ImgExit), (Rect{456, 4, 472, 19}));
    EXPECT_EQ(d.form->Scene().At(471, 10), Rgb(40, 60, 110));
    d.form->MouseUp(kLeftButton, 0, 460, 8);
  }});
  EXPECT_EQ(d.form->RectOf(DialogControl::ImgExit), (Rect{456, 4, 471, 19}));
  EXPECT_EQ(d.Count("Destroy"), 1);
}

TEST(DialogClose, AControlClosingDuringSetsYieldWins) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
            const auto [x, y] = d.Centre(DialogControl::lbl_Set);
            d.form->MouseDown(kLeftButton, 0, x, y);
            d.form->MouseUp(kLeftButton, 0, x, y);  // yields: Cancel next
          },
          [&] { d.Click(DialogControl::lbl_Can); },
          [] {}});
  EXPECT_EQ(d.Count("Write"), 0);
  EXPECT_EQ(d.Count("Destroy"), 1);
}

TEST(DialogSet, FailedSaveKeepsTheDialogOpenAndTheFileAsItWas) {
  // The program's folder may not be written and there is no user's folder to
  // fall back to; or the temporary file is written and the replace fails.
  const std::string before = "[Section]\r\n; before\r\n";
  for (bool failReplace : {false, true}) {
    Dialog d;
    d.host.files.files["/data/Quendelrix.ini"] = before;
    if (failReplace) {
      d.host.files.failReplace = true;
    } else {
      d.host.files.readOnlyFolders.insert("/data");
    }
    d.host.passesBeforeClose = 1 << 30;
    d.Load({[&] {
              d.form->HS_Scroll(0, ScrollAction::kLineRight, 0);
              d.Click(DialogControl::lbl_Set);
            },
            [] {}, [] {}, [] {},
            [&] {
              EXPECT_FALSE(d.form->Unloaded());
              EXPECT_EQ(d.form->ExitFlag(), kFalse16);
              d.form->Unload();
            }});
    EXPECT_EQ(d.Count("WriteBeside"), 1) << failReplace;
    EXPECT_EQ(d.Count("Remove /data/Quendelrix.ini.tmp"), failReplace ? 1 : 0);
    EXPECT_EQ(d.host.files.files,
              (std::map<std::filesystem::path, std::string>{
                  {"/data/Quendelrix.ini", before}}));
    EXPECT_EQ(d.Count("Message"), 1);
    EXPECT_NE(d.host.errorText.find(L"Quendelrix.ini"), std::wstring::npos);
    EXPECT_NE(d.host.errorText.find(L"保存できませんでした"), std::wstring::npos);
    EXPECT_EQ(d.form->HS(0).value, 61);  // the user's value is still there
    EXPECT_GT(d.host.framesDrawn, 1);    // the lens went on after the message
  }
}

TEST(DialogDrag, LeftButtonOnTheTitleBarMovesTheWindow) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
    d.host.cursor = {200, 240};
    d.form->MouseDown(kRightButton, 0, 100, 10);
    EXPECT_EQ(d.form->Dragging(), 0);
    d.host.cursor = {260, 250};
    d.form->MouseMove(kRightButton, 0, 100, 10);
    d.form->MouseUp(kRightButton, 0, 100, 10);
    EXPECT_EQ(d.Count("Move"), 0);

    d.host.window = {300, 200};
    d.host.cursor = {400, 210};
    d.form->MouseDown(kLeftButton, 0, 100, 10);
    EXPECT_EQ(d.form->Dragging(), 1);
    EXPECT_EQ(d.form->DragOffsetX(), 100);
    EXPECT_EQ(d.form->DragOffsetY(), 10);
    d.host.cursor = {500, 300};
    d.form->MouseMove(kLeftButton, 0, 200, 100);  // captured by the bar
    EXPECT_EQ(d.host.log.back(), "Move 400,290");
    // The window's scale changed mid-drag: the grab point moves with it.
    d.form->MoveDragOffset(150, 15);
    d.form->MouseMove(kLeftButton, 0, 200, 100);
    EXPECT_EQ(d.host.log.back(), "Move 350,285");
    d.form->MouseDown(kRightButton, 0, 200, 100);
    d.form->MouseUp(kRightButton, 0, 200, 100);  // any release ends the drag
    EXPECT_EQ(d.form->Dragging(), 0);
    d.form->MoveDragOffset(1, 1);  // no drag: nothing to move
    EXPECT_EQ(d.form->DragOffsetX(), 150);
    d.form->MouseUp(kLeftButton, 0, 200, 100);
    d.host.cursor = {10, 10};
    d.form->MouseMove(0, 0, 200, 100);
    EXPECT_EQ(d.host.log.back(), "Move 350,285");
    d.form->Unload();
  }});
}

TEST(DialogHomePage, OpensTheAddressAndKeepsAnimating) {
  Dialog d;
  d.host.passesBeforeClose = 5;
  d.Load({[&] { d.Click(DialogControl::lbl_URL); }});
  EXPECT_EQ(d.Count("Open http://www.quendelrix.example/"), 1);
  EXPECT_EQ(d.host.framesDrawn, 5);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

constexpr Pixel kReleasedFace = Rgb(200, 200, 200);
constexpr Pixel kPressedFace = Rgb(150, 220, 0);

TEST(DialogFrame, ThinFrameOnThePictureAreaWithThePhotographJustInside) {
  Dialog d;
  d.Load();
  const Image& s = d.form->Scene();
  // Shadow on the top and left edges, light on the bottom and right.
  EXPECT_EQ(s.At(20, 40), Rgb(40, 40, 64));
  EXPECT_EQ(s.At(341, 40), Rgb(40, 40, 64));
  EXPECT_EQ(s.At(341, 41), Rgb(236, 236, 255));
  EXPECT_EQ(s.At(20, 241), Rgb(236, 236, 255));
  EXPECT_EQ(s.At(341, 241), Rgb(236, 236, 255));
  EXPECT_EQ(s.At(200, 40), Rgb(40, 40, 64));
  // Inside: black until the lens frame is drawn over it; outside: gradient.
  EXPECT_EQ(s.At(21, 41), Rgb(0, 0, 0));
  EXPECT_EQ(s.At(340, 240), Rgb(0, 0, 0));
  const int l = Quendelrix_P::GradientLevel(39, 302);
  EXPECT_EQ(s.At(19, 39), Rgb(l, l, l + 30));
}

// A press whose mouse capture is taken away is over: whatever control it
// began on, the next click acts on the control it lands on.
TEST(DialogCapture, ALostCaptureEndsThePressWithoutItsRelease) {
  const struct {
    const char* name;
    DialogControl pressed;
    int button;
  } cases[] = {
      {"Cancel", DialogControl::lbl_Can, kLeftButton},
      {"Cancel, right button", DialogControl::lbl_Can, kRightButton},
      {"Set", DialogControl::lbl_Set, kLeftButton},
      {"close box", DialogControl::ImgExit, kLeftButton},
      {"home page", DialogControl::lbl_URL, kLeftButton},
      {"title bar", DialogControl::Image1, kLeftButton},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialog d;
    d.host.passesBeforeClose = 1 << 30;
    d.Load({[&] {
              d.host.window = {300, 200};
              d.host.cursor = {400, 210};
              const auto [x, y] = d.Centre(c.pressed);
              d.form->MouseDown(c.button, 0, x, y);
              d.form->CaptureLost();
              // Faces as before the press, no drag, the window stays put.
              EXPECT_EQ(d.form->Scene().At(366, 182), kReleasedFace);
              EXPECT_EQ(d.form->Scene().At(366, 210), kReleasedFace);
              EXPECT_EQ(d.form->RectOf(DialogControl::ImgExit),
                        (Rect{456, 4, 471, 19}));
              EXPECT_EQ(d.form->Dragging(), 0);
              d.host.cursor = {520, 330};
              d.form->MouseMove(c.button, 0, -50, 400);
              // A release that still reaches the window runs nothing.
              d.form->MouseUp(c.button, 0, -50, 400);
              EXPECT_FALSE(d.form->Unloaded());
            },
            [&] { d.Click(DialogControl::lbl_Set); }, [] {}});
    EXPECT_EQ(d.Count("Move"), 0);
    EXPECT_EQ(d.Count("Open"), c.pressed == DialogControl::lbl_URL ? 1 : 0);
    EXPECT_EQ(d.host.Stored(kKeyBallCount), "60");
    EXPECT_EQ(d.host.Stored(kKeyInterval), "300");
    EXPECT_EQ(d.Count("Destroy"), 1);
  }
}

TEST(DialogCapture, NothingHeldNothingChanges) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
    d.form->CaptureLost();
    d.Click(DialogControl::lbl_Can);
  }});
  EXPECT_EQ(d.Count("Write"), 0);
  EXPECT_EQ(d.Count("Destroy"), 1);
}

TEST(DialogKeys, EnterActsAsSetAndEscAsCancelOnTheKeyPress) {
  const struct {
    const char* name;
    int key;
    bool repeat;
    bool failWrite;
    int writes;
    bool closes;
    Pixel setFaceAtPaint, cancelFaceAtPaint;
  } cases[] = {
      {"Enter", kKeyReturn, false, false, 1, true, kPressedFace, kReleasedFace},
      {"Esc", kKeyEscape, false, false, 0, true, kReleasedFace, kPressedFace},
      {"Enter, repeated", kKeyReturn, true, false, 0, false, 0, 0},
      {"Esc, repeated", kKeyEscape, true, false, 0, false, 0, 0},
      {"another key", 'A', false, false, 0, false, 0, 0},
      {"Enter, file not writable", kKeyReturn, false, true, 1, false,
       kPressedFace, kReleasedFace},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialog d;
    d.host.passesBeforeClose = 1 << 30;
    // Neither the program's folder nor a user's folder can be written.
    if (c.failWrite) d.host.files.readOnlyFolders.insert("/data");
    std::vector<Pixel> setFaces, cancelFaces;
    bool closedByKey = false;
    d.Load({[&] {
              d.host.onRefresh = [&] {
                setFaces.push_back(d.form->Scene().At(366, 182));
                cancelFaces.push_back(d.form->Scene().At(366, 210));
              };
              d.form->HS_Scroll(1, ScrollAction::kPageRight, 0);
              d.form->KeyDown(c.key, 0, c.repeat);
              closedByKey = d.form->Unloaded();
            },
            [&] {  // the release handler's yield, or the next pass
              EXPECT_EQ(d.form->Scene().At(366, 182), kReleasedFace);
              EXPECT_EQ(d.form->Scene().At(366, 210), kReleasedFace);
            },
            [&] {
              if (!d.form->Unloaded()) d.form->Unload();
            }});
    EXPECT_EQ(closedByKey, c.closes);
    EXPECT_EQ(d.Count("Write"), c.writes);
    if (c.writes == 1 && !c.failWrite) {
      EXPECT_EQ(d.host.Stored(kKeyBallCount), "60");
      EXPECT_EQ(d.host.Stored(kKeyInterval), "310");
    }
    EXPECT_EQ(d.Count("Message"), c.failWrite ? 1 : 0);
    if (c.setFaceAtPaint != 0) {
      // The pressed face was painted before the release handler ran.
      ASSERT_EQ(setFaces.size(), 1u);
      EXPECT_EQ(setFaces[0], c.setFaceAtPaint);
      EXPECT_EQ(cancelFaces[0], c.cancelFaceAtPaint);
    } else {
      EXPECT_TRUE(setFaces.empty());
    }
  }
}


// The dialog as a screen reader sees it: children in reading order, and
// where each lies on the screen at 96 and 144 DPI with the client area at
// (100, 50).
TEST(DialogAccessible, TreeAsData) {
  using R = AccessibleRole;
  const struct {
    DialogControl control;
    R role;
    std::wstring name, value, action;
    bool focusable, isDefault, linked;
    Rect at96, at144;
  } cases[] = {
      {DialogControl::ImgExit, R::kPushButton, L"exit button", L"", kPressAction, false,
       false, false, {556, 54, 571, 69}, {784, 56, 807, 79}},
      {DialogControl::Display, R::kGraphic, kPictureAreaName, L"", L"", false, false,
       false, {120, 90, 442, 292}, {130, 110, 613, 413}},
      {DialogControl::lbl_0, R::kStaticText, L"球の数", L"", L"", false, false, false,
       {465, 103, 504, 116}, {648, 130, 706, 149}},
      {DialogControl::HS_0, R::kSlider, L"球の数", L"60", L"", true, false, false,
       {465, 119, 546, 136}, {648, 154, 769, 179}},
      {DialogControl::lbl_1, R::kStaticText, L"ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ", L"", L"", false, false,
       false, {465, 163, 538, 176}, {648, 220, 757, 239}},
      {DialogControl::HS_1, R::kSlider, L"ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ", L"300", L"", true, false, false,
       {465, 179, 546, 196}, {648, 244, 769, 269}},
      {DialogControl::lbl_Set, R::kPushButton, L"設定", L"", kPressAction, false, true,
       false, {465, 235, 546, 252}, {648, 328, 769, 353}},
      {DialogControl::lbl_Can, R::kPushButton, L"ｷｬﾝｾﾙ", L"", kPressAction, false, false,
       false, {465, 263, 546, 280}, {648, 370, 769, 395}},
      {DialogControl::lbl_9, R::kStaticText, kCreditText, L"", L"", false, false, false,
       {120, 302, 285, 315}, {130, 428, 378, 448}},
      {DialogControl::lbl_URL, R::kLink, kHomePageAddress, kHomePageAddress, kJumpAction,
       false, false, true, {120, 322, 334, 335}, {130, 458, 451, 478}},
  };
  Dialog d;
  d.Load();
  const auto items = d.form->AccessibleChildren();
  ASSERT_EQ(items.size(), std::size(cases));
  for (size_t i = 0; i < items.size(); ++i) {
    const auto& c = cases[i];
    const AccessibleItem& item = items[i];
    SCOPED_TRACE(testing::Message() << "child " << i + 1);
    EXPECT_EQ(item.control, c.control);
    EXPECT_EQ(item.role, c.role);
    EXPECT_EQ(item.name, c.name);
    EXPECT_EQ(item.value, c.value);
    EXPECT_EQ(item.defaultAction, c.action);
    EXPECT_EQ(item.focusable, c.focusable);
    EXPECT_FALSE(item.focused);
    EXPECT_FALSE(item.pressed);
    EXPECT_EQ(item.isDefault, c.isDefault);
    EXPECT_EQ(item.linked, c.linked);
    EXPECT_EQ(ScreenPlace(item.place, DialogScale(96), 100, 50), c.at96);
    EXPECT_EQ(ScreenPlace(item.place, DialogScale(144), 100, 50), c.at144);
    // Every child is found where it lies, by the mouse's own hot areas.
    const Rect& p = item.place;
    EXPECT_EQ(d.form->AccessibleChildAt((p.left + p.right) / 2, (p.top + p.bottom) / 2),
              static_cast<int>(i + 1));
  }
  // The value labels belong to their bars; the panel's ground and the
  // title bar are the dialog itself; outside the dialog is nothing.
  const auto [n0x, n0y] = d.Centre(DialogControl::Num_0);
  EXPECT_EQ(d.form->AccessibleChildAt(n0x, n0y), kAccessibleSelf);
  EXPECT_EQ(d.form->AccessibleChildAt(200, 10), kAccessibleSelf);
  EXPECT_EQ(d.form->AccessibleChildAt(kDialogWidth, 10), -1);
  EXPECT_EQ(d.form->AccessibleChildAt(-1, 10), -1);
}

TEST(DialogAccessible, ValueFocusAndPressedFollowTheDialog) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
            EXPECT_EQ(d.form->AccessibleFocus(), kAccessibleSelf);
            d.form->HS_Scroll(0, ScrollAction::kLineRight, 0);
            d.form->HS_Scroll(1, ScrollAction::kPageRight, 0);
            auto items = d.form->AccessibleChildren();
            EXPECT_EQ(items[3].value, L"61");
            EXPECT_EQ(items[5].value, L"310");
            d.form->HS_GotFocus(0);
            EXPECT_EQ(d.form->AccessibleFocus(), 4);
            d.form->HS_LostFocus(0);
            d.form->HS_GotFocus(1);
            items = d.form->AccessibleChildren();
            EXPECT_EQ(d.form->AccessibleFocus(), 6);
            EXPECT_FALSE(items[3].focused);
            EXPECT_TRUE(items[5].focused);
            // The other bar losing a focus it does not have changes nothing.
            d.form->HS_LostFocus(0);
            EXPECT_EQ(d.form->AccessibleFocus(), 6);
            d.form->HS_LostFocus(1);
            EXPECT_EQ(d.form->AccessibleFocus(), kAccessibleSelf);
            // Held down, the close box reads pressed and says so once.
            const auto [x, y] = d.Centre(DialogControl::ImgExit);
            d.form->MouseDown(kLeftButton, 0, x, y);
            EXPECT_TRUE(d.form->AccessibleChildren()[0].pressed);
            d.form->MouseMove(kLeftButton, 0, x, y);
            d.form->CaptureLost();
            EXPECT_FALSE(d.form->AccessibleChildren()[0].pressed);
          },
          [&] { d.form->Unload(); }});
  EXPECT_EQ(d.Count("State 1"), 2);
}

TEST(DialogAccessible, DefaultActionsRunWhatAClickRuns) {
  const struct {
    const char* name;
    int child;
    bool readOnly;
    bool runs;
    bool closes;
    int writes, messages, opens;
    std::vector<std::string> states;
  } cases[] = {
      {"close box", 1, false, true, true, 0, 0, 0, {"State 1", "State 1"}},
      {"picture", 2, false, false, false, 0, 0, 0, {}},
      {"bar", 4, false, false, false, 0, 0, 0, {}},
      {"Set", 7, false, true, true, 1, 0, 0, {"State 7", "State 7"}},
      {"Set, file not writable", 7, true, true, false, 1, 1, 0, {"State 7", "State 7"}},
      {"Cancel", 8, false, true, true, 0, 0, 0, {"State 8", "State 8"}},
      {"link", 10, false, true, false, 0, 0, 1, {}},
      {"no such child", 11, false, false, false, 0, 0, 0, {}},
      {"the dialog", 0, false, false, false, 0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialog d;
    d.host.passesBeforeClose = 1 << 30;
    if (c.readOnly) d.host.files.readOnlyFolders.insert("/data");
    bool ran = false, stillOpen = false;
    d.Load({[&] {
              d.form->HS_Scroll(0, ScrollAction::kLineLeft, 0);
              ran = d.form->DoDefaultAction(c.child);
            },
            [&] {},
            [&] {
              stillOpen = true;
              d.form->Unload();
            }});
    const bool closed = !stillOpen;
    EXPECT_EQ(ran, c.runs);
    EXPECT_EQ(closed, c.closes);
    EXPECT_EQ(d.Count("Write"), c.writes);
    if (c.writes && !c.readOnly) EXPECT_EQ(d.host.Stored(kKeyBallCount), "59");
    EXPECT_EQ(d.Count("Message"), c.messages);
    EXPECT_EQ(d.Count("Open http://www.quendelrix.example/"), c.opens);
    std::vector<std::string> states;
    for (const auto& line : d.host.log) {
      if (line.rfind("State", 0) == 0) states.push_back(line);
    }
    EXPECT_EQ(states, c.states);
    // Once closed, nothing more runs.
    EXPECT_FALSE(d.form->DoDefaultAction(8));
  }
}

TEST(DialogAccessible, NavigationInReadingOrderAndByPlace) {
  using D = AccessibleDirection;
  const struct { int from; D direction; int to; } cases[] = {
      {0, D::kFirstChild, 1},  {0, D::kLastChild, 10}, {4, D::kFirstChild, 0},
      {1, D::kNext, 2},        {9, D::kNext, 10},      {10, D::kNext, 0},
      {1, D::kPrevious, 0},    {4, D::kPrevious, 3},   {0, D::kNext, 0},
      {4, D::kDown, 5},        {6, D::kDown, 7},       {7, D::kDown, 8},
      {8, D::kDown, 10},        {6, D::kUp, 5},         {3, D::kUp, 1},
      {2, D::kRight, 6},       {4, D::kLeft, 2},       {9, D::kDown, 10},
      {10, D::kUp, 9},         {11, D::kDown, 0},
  };
  Dialog d;
  d.Load();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " dir " << static_cast<int>(c.direction));
    EXPECT_EQ(d.form->AccessibleNavigate(c.from, c.direction), c.to);
  }
}


// High contrast: given system colours in, the scene's chrome and the
// labels' colours out; the photograph's place and the lens are content and
// stay.
TEST(DialogLook, HighContrastPaintsTheChromeInTheSystemColours) {
  const std::map<int, Pixel> palette = {
      {kColorWindow, Rgb(0, 0, 0)},         {kColorWindowText, Rgb(255, 255, 255)},
      {kColorButtonFace, Rgb(0, 0, 128)},   {kColorButtonText, Rgb(255, 255, 0)},
      {kColorHighlight, Rgb(26, 235, 255)}, {kColorHotLight, Rgb(255, 128, 255)},
  };
  auto c = [&](int index) { return palette.at(index); };
  Dialog d;
  d.host.highContrast = true;
  d.host.colors = palette;
  d.form->SystemColorsChanged();  // as the window's settings message brings it
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
            d.form->HS_GotFocus(0);
            const Image& s = d.form->Scene();
            const struct { int x, y, color; const char* what; } pixels[] = {
                {5, 151, kColorWindow, "ground"},
                {0, 151, kColorWindowText, "outer frame"},
                {300, 21, kColorWindowText, "title bar's edge"},
                {300, 10, kColorWindow, "title bar"},
                {452, 140, kColorWindow, "panel"},
                {356, 140, kColorWindowText, "panel frame"},
                {367, 183, kColorButtonFace, "Set's face"},
                {365, 190, kColorButtonText, "Set's frame"},
                {367, 211, kColorButtonFace, "Cancel's face"},
                {458, 6, kColorButtonFace, "close box"},
                {456, 10, kColorButtonText, "close box frame"},
                {460, 8, kColorButtonText, "close box x"},
                {363, 77, kColorHighlight, "focus mark"},
                {364, 68, kColorHighlight, "focus mark"},
                {447, 86, kColorHighlight, "focus mark"},
                {363, 137, kColorWindow, "no mark on HS(1)"},
                {20, 100, kColorWindowText, "picture frame"},
            };
            for (const auto& p : pixels) {
              EXPECT_EQ(s.At(p.x, p.y), c(p.color)) << p.what;
            }
            EXPECT_EQ(s.At(100, 100), Rgb(0, 0, 0)) << "the lens's place";
            for (const LabelView& l : d.form->Labels()) {
              const int want = l.id == DialogControl::lbl_URL ? kColorHotLight
                               : l.id == DialogControl::lbl_Set || l.id == DialogControl::lbl_Can
                                   ? kColorButtonText
                                   : kColorWindowText;
              EXPECT_EQ(l.color, c(want)) << static_cast<int>(l.id);
            }
            // A held button is framed in the highlight colour.
            const auto [x, y] = d.Centre(DialogControl::lbl_Set);
            d.form->MouseDown(kLeftButton, 0, x, y);
            EXPECT_EQ(d.form->Scene().At(365, 190), c(kColorHighlight));
            EXPECT_EQ(d.form->Scene().At(366, 190), c(kColorHighlight));
            EXPECT_EQ(d.form->Scene().At(367, 190), c(kColorButtonFace));
            d.form->CaptureLost();
            EXPECT_EQ(d.form->Scene().At(365, 190), c(kColorButtonText));
          },
          [&] { d.form->Unload(); }});
}

// Outside high contrast the focus mark is the only change: every other
// pixel of the scene is as without it, and the mark inverts every other
// pixel of the ring just outside the bar.
TEST(DialogLook, OutsideHighContrastOnlyTheFocusMarkChangesPixels) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
            const Image before = d.form->Scene();
            const auto labels = d.form->Labels();
            for (int index : {0, 1}) {
              SCOPED_TRACE(index);
              d.form->HS_GotFocus(index);
              const Image& after = d.form->Scene();
              const Rect bar = d.form->RectOf(index == 0 ? DialogControl::HS_0
                                                          : DialogControl::HS_1);
              int changed = 0;
              for (int y = 0; y < before.Height(); ++y) {
                for (int x = 0; x < before.Width(); ++x) {
                  const bool ring =
                      (x == bar.left - 1 || x == bar.right || y == bar.top - 1 || y == bar.bottom) &&
                      x >= bar.left - 1 && x <= bar.right && y >= bar.top - 1 && y <= bar.bottom;
                  const Pixel want = ring && (x + y) % 2 == 0 ? before.At(x, y) ^ 0xFFFFFFu
                                                              : before.At(x, y);
                  if (after.At(x, y) != want) ++changed;
                }
              }
              EXPECT_EQ(changed, 0);
              d.form->HS_LostFocus(index);
              EXPECT_TRUE(d.form->Scene() == before) << "the mark stays after the focus left";
            }
            EXPECT_EQ(d.form->Labels().size(), labels.size());
            for (size_t i = 0; i < labels.size(); ++i) {
              EXPECT_EQ(d.form->Labels()[i].color, labels[i].color);
            }
          },
          [&] { d.form->Unload(); }});
}

TEST(DialogLook, ASwitchOrAColourChangeRepaintsAtOnce) {
  Dialog d;
  d.host.passesBeforeClose = 1 << 30;
  d.Load({[&] {
            const Image skin = d.form->Scene();
            auto refreshes = [&] { return d.Count("Refresh"); };
            const int before = refreshes();
            d.form->SystemColorsChanged();  // nothing changed: nothing to paint
            EXPECT_EQ(refreshes(), before);
            d.host.highContrast = true;
            d.form->SystemColorsChanged();
            EXPECT_EQ(refreshes(), before + 1);
            EXPECT_EQ(d.form->Scene().At(5, 151), StandardSystemColor(kColorWindow));
            d.host.colors[kColorWindow] = Rgb(1, 2, 3);
            d.form->SystemColorsChanged();
            EXPECT_EQ(refreshes(), before + 2);
            EXPECT_EQ(d.form->Scene().At(5, 151), Rgb(1, 2, 3));
            d.host.highContrast = false;
            d.form->SystemColorsChanged();
            EXPECT_TRUE(d.form->Scene() == skin);
          },
          [&] { d.form->Unload(); }});
}

}  // namespace
}  // namespace qx
