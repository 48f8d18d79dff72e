// The web page's speed in headless Chromium (not a test: it prints figures).
//   node bench/web_page_bench.mjs <built page folder> [seconds=20] [WxH=1920x1080]
// Serves the page on 127.0.0.1, opens it with the default settings and
// follows it from outside, through the browser's own functions:
//   - frames per second over the ball phases;
//   - milliseconds of the page's own work (WebAssembly and the canvas puts
//     it makes) per frame, from a sleep's end to the next sleep, leaving out
//     the time the page yields to the browser in between;
//   - the same for a melt (the sleep-to-sleep stretch that holds it, less
//     one frame);
//   - the longest task of the page's main thread, from a trace;
//   - the time from navigation to the first frame on the canvas;
// and, as the limit in the same page, a copy within one array of the bytes a
// melt moves (6000 blocks of 256 x 256 pixels).
import { Browser, serve, withCeiling } from "../tests/web/chromium.mjs";

const [folder, secondsArg = "20", sizeArg = "1920x1080"] = process.argv.slice(2);
if (!folder) {
  console.error("usage: node bench/web_page_bench.mjs <page folder> [seconds] [WxH]");
  process.exit(2);
}
const seconds = Number(secondsArg);
const [width, height] = sizeArg.split("x").map(Number);

// Runs in the page before its scripts: notes when the first frame reaches
// the canvas.
function recorder() {
  const r = window.__timing = { firstPut: null };
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    if (r.firstPut === null) r.firstPut = performance.now();
    return put.apply(this, args);
  };
}

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  return s.length ? s[Math.floor(s.length / 2)] : NaN;
}

const server = await serve(folder);
const browser = await Browser.launch();
try {
  const page = await browser.newPage();
  await page.setViewport(width, height);
  await page.send("Page.enable");
  await page.send("Runtime.enable");
  await page.send("Page.addScriptToEvaluateOnNewDocument", { source: `(${recorder})();` });

  const trace = [];
  const listener = (m) => { if (m.method === "Tracing.dataCollected") trace.push(...m.params.value); };
  browser.listeners.add(listener);
  await browser.send("Tracing.start", {
    traceConfig: { includedCategories: ["devtools.timeline", "toplevel", "__metadata"] },
    transferMode: "ReportEvents",
  });
  await page.navigate(server.url + "?seed=1");
  // The page runs on for the time asked; the measurement reads what it noted.
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const { firstPut } = await page.evaluate("window.__timing");
  const traced = browser.event("Tracing.tracingComplete");
  await browser.send("Tracing.end");
  await withCeiling(traced, "the trace");
  browser.listeners.delete(listener);

  // The tasks of the page's main thread, in order. Ours are those that run
  // its script: a sleep's timer firing, or the message of a yield.
  const fires = trace.filter((e) => e.name === "TimerFire");
  const { pid, tid } = fires[0];
  const onMain = trace.filter((e) => e.pid === pid && e.tid === tid && e.ts !== undefined)
    .sort((x, y) => x.ts - y.ts);
  const sleeps = new Set(onMain.filter((e) => e.name === "TimerInstall" && e.args.data.timeout === 10)
    .map((e) => e.args.data.timerId));
  const tasks = [];
  for (const e of onMain) {
    const last = tasks.at(-1);
    if (e.name === "ThreadControllerImpl::RunTask" && e.ph === "X" && (!last || e.ts >= last.ts + last.dur)) {
      tasks.push({ ts: e.ts, dur: e.dur, tdur: e.tdur ?? e.dur, ours: false, wake: false, sleep: false });
    } else if (last && e.ts < last.ts + last.dur) {
      if (e.name === "FunctionCall") last.ours = true;
      if (e.name === "TimerFire" && sleeps.has(e.args.data.timerId)) last.wake = true;
      if (e.name === "TimerInstall" && e.args.data.timeout === 10) last.sleep = true;
    }
  }
  // From each sleep's end to the next sleep: the processor time (and the
  // time on the clock) of the page's own tasks, and how often it yielded.
  const stretches = [];
  let current = null;
  for (const task of tasks) {
    if (task.wake) current = { cpu: 0, wall: 0, yields: -1, ts: task.ts };
    if (!current || !task.ours) continue;
    current.cpu += task.tdur / 1000;
    current.wall += task.dur / 1000;
    current.yields++;
    if (task.sleep) {
      stretches.push(current);
      current = null;
    }
  }
  const frames = stretches.filter((s) => s.yields === 1);
  const melts = stretches.filter((s) => s.yields > 1);
  const frameCpu = median(frames.map((s) => s.cpu));
  const frameWall = median(frames.map((s) => s.wall));
  // Frames per second over runs of frames only.
  let frameCount = 0;
  let frameTime = 0;
  for (let i = 1; i < stretches.length; i++) {
    if (stretches[i].yields === 1 && stretches[i - 1].yields === 1) {
      frameCount++;
      frameTime += (stretches[i].ts - stretches[i - 1].ts) / 1000;
    }
  }
  // The longest task, and the longest once the page runs steadily (from
  // three seconds after its first frame).
  const longest = (list) => list.reduce((m, t) => (t.dur > m.dur ? t : m), { dur: 0, tdur: 0 });
  const all = longest(tasks);
  const running = longest(tasks.filter((t) => t.ts > tasks[0].ts + (firstPut + 3000) * 1000));

  // The limit: the bytes of one melt moved within one array in this page.
  const limitMs = await page.evaluate(`(() => {
    const block = 256 * 256 * 4, bytes = new Uint8Array(block + 8192);
    let best = Infinity;
    for (let run = 0; run < 5; run++) {
      const t0 = performance.now();
      for (let i = 0; i < 6000; i++) bytes.copyWithin(i & 1 ? 4100 : 4092, 4096, 4096 + block);
      best = Math.min(best, performance.now() - t0);
    }
    return best;
  })()`);

  const ms = (v) => v.toFixed(1);
  console.log(`web page at ${width} x ${height}, default settings, ${seconds} s in headless Chromium`);
  console.log(`frames per second:                 ${ms(frameCount / (frameTime / 1000))} (${frameCount} frames)`);
  console.log(`page's work per frame, ms:         ${frameCpu.toFixed(2)} processor, ${frameWall.toFixed(2)} clock (median of ${frames.length})`);
  console.log(`page's work per melt, ms:          ${melts.map((m) => `${ms(m.cpu - frameCpu)} processor, ${ms(m.wall - frameWall)} clock`).join("; ")}`);
  console.log(`the melt's bytes copied in the page: ${ms(limitMs)} ms (limit)`);
  console.log(`longest task, ms:                  ${ms(all.dur / 1000)} clock, ${ms(all.tdur / 1000)} processor; ` +
              `from 3 s after the first frame: ${ms(running.dur / 1000)} clock, ${ms(running.tdur / 1000)} processor`);
  console.log(`navigation to the first frame:     ${firstPut.toFixed(0)} ms`);
  console.log(`errors: ${page.errors.length ? page.errors.join("; ") : "none"}`);
} finally {
  await browser.close();
  server.close();
}
