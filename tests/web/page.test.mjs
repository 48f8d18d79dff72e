// The web page end to end: served on 127.0.0.1 by Python's file server and
// opened in headless Chromium, as a user opens it. The page is followed
// present by present from outside (present_probe.mjs), so each picture is
// taken at a known present, whatever the machine's speed; where the form's
// native picture is known it must match the screenshot pixel for pixel.
//   QX_WEB_PAGE      the folder with the built page
//   QX_PARITY_TOOL   the native tool (web_parity_tool)
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";

import { Browser, nonBlack, serve } from "./chromium.mjs";
import { addProbe, openAtFirstPresent, runTo } from "./present_probe.mjs";

const tool = process.env.QX_PARITY_TOOL;

// The native form's window after `presents` presents, as RGB bytes.
function nativePicture(width, height, [count, interval, seed], presents) {
  return execFileSync(tool, [width, height, count, interval, seed, presents, "--picture"].map(String),
                      { maxBuffer: 1 << 30 });
}

function samePicture(shot, expected, what) {
  assert.ok(shot.rgb.equals(expected), `${what}: the screenshot is not the form's picture`);
}

// With interval 100 the first ball phase is presents 1 to 101; the melt
// that follows presents its picture after every 50 of its 6000 moves.
const kFirstMeltEnds = 101 + 6000 / 50;

describe("the web page in Chromium", () => {
  let server;
  let browser;
  before(async () => {
    server = await serve(process.env.QX_WEB_PAGE);
    browser = await Browser.launch();
  });
  after(async () => {
    await browser?.close();
    server?.close();
  });

  // A new tab of the given size, probed, held at its first present.
  async function open(query, width = 640, height = 480, scale = 1) {
    const page = await browser.newPage();
    await page.setViewport(width, height, scale);
    await addProbe(page);
    page.first = await openAtFirstPresent(page, server.url + query);
    return page;
  }

  test("balls on black fill the page, exactly the form's frames, and two moments differ", async () => {
    const page = await open("?seed=7");
    assert.deepEqual(page.first.canvas, [640, 480]);
    assert.deepEqual(page.first.rects, [[0, 0, 640, 480]], "the first present is whole");
    assert.deepEqual(await page.evaluate(`(() => { const r = document.querySelector("canvas")
      .getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()`), [0, 0, 640, 480]);
    const first = await page.screenshot();
    assert.equal(first.width, 640);
    samePicture(first, nativePicture(640, 480, ["", "", "7"], 1), "present 1");
    const share = nonBlack(first) / (640 * 480);
    assert.ok(share > 0.2 && share < 0.9, `${share} of the page is not black`);
    // Balls in every quarter of the page.
    for (const [x0, y0] of [[0, 0], [320, 0], [0, 240], [320, 240]]) {
      let lit = 0;
      for (let y = y0; y < y0 + 240; y++) {
        for (let x = x0; x < x0 + 320; x++) {
          const i = (y * 640 + x) * 3;
          if (first.rgb[i] | first.rgb[i + 1] | first.rgb[i + 2]) lit++;
        }
      }
      assert.ok(lit > 320 * 240 / 20, `quarter at ${x0},${y0}: ${lit} lit pixels`);
    }
    const later = await runTo(page, 40);
    assert.ok(later.rects.length > 0 && later.puts === 40, "each frame puts what changed");
    const second = await page.screenshot();
    samePicture(second, nativePicture(640, 480, ["", "", "7"], 40), "present 40");
    assert.ok(!second.rgb.equals(first.rgb), "the picture does not move");
    // A page is not a saver: a click and a key end nothing.
    for (const type of ["mousePressed", "mouseReleased"]) {
      await page.send("Input.dispatchMouseEvent", { type, x: 100, y: 100, button: "left", clickCount: 1 });
    }
    for (const type of ["keyDown", "keyUp"]) {
      await page.send("Input.dispatchKeyEvent", { type, key: "a", code: "KeyA", windowsVirtualKeyCode: 65 });
    }
    const afterInput = await runTo(page, 45);
    assert.ok(afterInput.puts === 45, "the page stopped drawing after a click and a key");
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test("a seed fixes the melt: the same seed gives the same picture, two seeds differ", async () => {
    const shots = [];
    for (const seed of ["1", "1", "2"]) {
      const page = await open(`?interval=100&seed=${seed}`);
      await runTo(page, kFirstMeltEnds);
      shots.push(await page.screenshot());
      await page.close();
    }
    samePicture(shots[0], nativePicture(640, 480, ["60", "100", "1"], kFirstMeltEnds), "seed 1");
    assert.ok(shots[1].rgb.equals(shots[0].rgb), "two loads with seed 1 differ");
    assert.ok(!shots[2].rgb.equals(shots[0].rgb), "seeds 1 and 2 melt alike");
  });

  test("count=100 lights at least 1.5 times the pixels of count=20", async () => {
    const lit = {};
    for (const count of [20, 100]) {
      const page = await open(`?count=${count}&seed=5`);
      lit[count] = nonBlack(await page.screenshot());
      await page.close();
    }
    assert.ok(lit[100] >= 1.5 * lit[20], `count=100: ${lit[100]}, count=20: ${lit[20]}`);
  });

  test("values the page cannot use give the defaults and it draws", async () => {
    // Count and interval out of range or not whole: 60 balls, and the first
    // melt after 301 frames.
    const page = await open("?count=101&interval=12.5&seed=3");
    await runTo(page, 302);
    samePicture(await page.screenshot(), nativePicture(640, 480, ["60", "300", "3"], 302), "defaults");
    await page.close();
    // An unreadable seed: the time of day, through a whole melt.
    const unseeded = await open("?count=0x20&interval=&seed=soon");
    const report = await runTo(unseeded, 301 + 6000 / 50 + 1);
    assert.deepEqual(report.rects, [[0, 0, 640, 480]], "the frame after the melt is whole");
    assert.deepEqual(unseeded.errors, []);
    await unseeded.close();
  });

  test("a hidden tab draws nothing, and draws the whole picture when shown again", async () => {
    const page = await open("?interval=100&seed=1");
    // Hidden in the middle of the first melt.
    const held = await runTo(page, 111);
    await page.evaluate(`(() => {
      Object.defineProperty(document, "visibilityState", { value: "hidden", configurable: true });
      Object.defineProperty(document, "hidden", { value: true, configurable: true });
      document.dispatchEvent(new Event("visibilitychange"));
      window.__presents.runTo(Infinity);
    })()`);
    // Three seconds on the page's clock, skipped at once where nothing waits.
    const expired = page.event("Emulation.virtualTimeBudgetExpired");
    await page.send("Emulation.setVirtualTimePolicy",
                    { policy: "advance", budget: 3000, maxVirtualTimeTaskStarvationCount: 100000 });
    await expired;
    const hidden = await page.evaluate("({ count: __presents.count, puts: __presents.puts })");
    assert.equal(hidden.puts, held.puts, "a hidden tab drew");
    assert.equal(hidden.count, kFirstMeltEnds, "the melt did not end, or frames went on");

    const shown = runTo(page, hidden.count + 1);
    await page.evaluate(`(() => {
      Object.defineProperty(document, "visibilityState", { value: "visible", configurable: true });
      Object.defineProperty(document, "hidden", { value: false, configurable: true });
      document.dispatchEvent(new Event("visibilitychange"));
    })()`);
    const back = await shown;
    assert.deepEqual(back.rects, [[0, 0, 640, 480]], "the first present after showing is whole");
    await page.close();
  });

  test("the canvas has the window's size in device pixels, and follows a resize", async () => {
    const page = await open("?seed=9", 320, 240, 2);
    assert.deepEqual(page.first.canvas, [640, 480]);
    const shot = await page.screenshot();
    assert.equal(shot.width, 640);
    samePicture(shot, nativePicture(640, 480, ["", "", "9"], 1), "at a ratio of 2");

    const held = await runTo(page, 5);
    await page.setViewport(400, 200, 2);
    await page.evaluate(`new Promise((resolve) => innerWidth === 400 ? resolve()
      : addEventListener("resize", () => resolve(), { once: true }))`);
    // The new size is seen at the next timer tick and taken at the one after.
    const before = await runTo(page, held.count + 1);
    assert.deepEqual(before.canvas, [640, 480]);
    const after = await runTo(page, held.count + 2);
    assert.deepEqual(after.canvas, [800, 400]);
    assert.deepEqual(after.rects, [[0, 0, 800, 400]]);
    const resized = await page.screenshot();
    assert.equal(resized.width, 800);
    const share = nonBlack(resized) / (800 * 400);
    assert.ok(share > 0.1 && share < 0.9, `${share} of the resized page is not black`);
    await page.close();
  });

  test("without WebAssembly the page says so in one line", async () => {
    // With its JavaScript optimiser off (a browser's hardened mode) V8 has no
    // WebAssembly; this Chromium ignores --noexpose_wasm.
    const noWasm = await Browser.launch(["--js-flags=--jitless"]);
    try {
      const page = await noWasm.newPage();
      await page.setViewport(640, 480);
      await page.send("Runtime.enable");
      await page.send("Page.enable");
      await page.navigate(server.url);
      const text = await page.evaluate(`document.getElementById("message")?.textContent`);
      assert.equal(text, "Quendelrix needs WebAssembly, which this browser does not offer or has switched off.");
      assert.equal(await page.evaluate(`document.querySelectorAll("canvas").length`), 0);
      assert.ok(nonBlack(await page.screenshot()) > 100, "the message is not on the screen");
      assert.deepEqual(page.errors, []);
    } finally {
      await noWasm.close();
    }
  });
});
