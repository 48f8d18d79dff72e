// Follows the page's presents from outside, through the browser's own
// functions. The page ends every present with one yield, a message to
// itself; the probe counts those, notes the rectangles put on the canvas in
// between, and holds the page still at the present the test asks for by
// keeping that message back until the test lets it go.
import { withCeiling } from "./chromium.mjs";

// Runs in the page before its own scripts.
function probe() {
  const state = window.__presents = { count: 0, puts: 0, rects: [], stopAt: 1, held: null };
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, dx, dy, ...dirty) {
    state.puts++;
    state.rects.push(dirty.length === 4 ? dirty : [0, 0, image.width, image.height]);
    return put.call(this, image, dx, dy, ...dirty);
  };
  const post = MessagePort.prototype.postMessage;
  MessagePort.prototype.postMessage = function (...args) {
    state.count++;
    const canvas = document.querySelector("canvas");
    const report = { count: state.count, puts: state.puts, rects: state.rects,
                     canvas: canvas ? [canvas.width, canvas.height] : null };
    state.rects = [];
    if (state.count < state.stopAt) return post.apply(this, args);
    state.held = () => post.apply(this, args);
    window.qxPresented(JSON.stringify(report));
    return undefined;
  };
  // Lets the page go on until its present number `n`.
  state.runTo = (n) => {
    state.stopAt = n;
    const held = state.held;
    state.held = null;
    if (held) held();
  };
}

// Sets the probe up on a page before it navigates.
export async function addProbe(page) {
  await page.send("Runtime.enable");
  await page.send("Page.enable");
  await page.send("Runtime.addBinding", { name: "qxPresented" });
  await page.send("Page.addScriptToEvaluateOnNewDocument", { source: `(${probe})();` });
}

// The report of present `n`: { count, puts (so far), rects (of this
// present), canvas: [width, height] }.
function presented(page, n) {
  return page.event("Runtime.bindingCalled",
                    (p) => p.name === "qxPresented" && JSON.parse(p.payload).count === n)
    .then((p) => JSON.parse(p.payload));
}

// Opens `url` and waits until the page has ended its first present.
export async function openAtFirstPresent(page, url) {
  const first = presented(page, 1);
  await page.navigate(url);
  return withCeiling(first, `the first present of ${url}`);
}

// Lets the page run on to its present `n` and holds it there.
export async function runTo(page, n) {
  const report = presented(page, n);
  await page.evaluate(`window.__presents.runTo(${n})`);
  return withCeiling(report, `present ${n}`);
}
