// The WebAssembly build draws what the native form draws. The page's own
// files (quendelrix.js and .wasm) run in Node.js on a stand-in for the
// browser's window and canvas; after every present the canvas is hashed and
// compared with the native form's window after the same present, through
// the frames of a ball phase, a whole melt and the frames after it.
//   QX_WEB_PAGE      the folder with the built page
//   QX_PARITY_TOOL   the native tool (web_parity_tool)
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";

const page = process.env.QX_WEB_PAGE;
const tool = process.env.QX_PARITY_TOOL;
const Quendelrix = createRequire(import.meta.url)(join(page, "quendelrix.js"));
// Handed over as bytes: this Node.js has fetch(), which the loader would try
// on a file name.
const wasmBinary = readFileSync(join(page, "quendelrix.wasm"));

// FNV-1a over the red, green and blue bytes of every pixel, as the tool
// hashes its window.
function rgbHash(rgba) {
  let h = 2166136261;
  for (let i = 0; i < rgba.length; i += 4) {
    for (let c = 0; c < 3; c++) h = Math.imul(h ^ rgba[i + c], 16777619) >>> 0;
  }
  return h.toString(16).padStart(8, "0");
}

// A canvas that keeps its pixels as the browser does: putImageData copies
// the dirty rectangle, clipped to the image data and the canvas.
class StandInCanvas {
  constructor() { this.resize(300, 150); }
  resize(width, height) {
    this.w = width;
    this.h = height;
    this.pixels = new Uint8ClampedArray(width * height * 4);
  }
  get width() { return this.w; }
  set width(v) { this.resize(v, this.h); }
  get height() { return this.h; }
  set height(v) { this.resize(this.w, v); }
  getContext() {
    return {
      putImageData: (image, dx, dy, x = 0, y = 0, w = image.width, h = image.height) => {
        const left = Math.max(x, 0, -dx), top = Math.max(y, 0, -dy);
        const right = Math.min(x + w, image.width, this.w - dx);
        const bottom = Math.min(y + h, image.height, this.h - dy);
        for (let row = top; row < bottom; row++) {
          const from = (row * image.width + left) * 4;
          this.pixels.set(image.data.subarray(from, from + (right - left) * 4),
                          ((row + dy) * this.w + left + dx) * 4);
        }
      },
    };
  }
}

globalThis.ImageData = class {
  constructor(data, width, height) { Object.assign(this, { data, width, height }); }
};
globalThis.document = { visibilityState: "visible", addEventListener() {} };

// The page yields once at the end of every present, with a message to
// itself: that is where the canvas is hashed. The run stops there after
// `presents` of them: the message is not sent and the channel, which would
// keep Node.js running, is closed.
let current = null;
const post = MessagePort.prototype.postMessage;
MessagePort.prototype.postMessage = function (...args) {
  const run = current;
  run.hashes.push(rgbHash(run.canvas.pixels));
  if (run.hashes.length === run.presents) {
    run.done(run.hashes);
    this.close();
    return undefined;
  }
  return post.apply(this, args);
};

function webHashes(width, height, address, presents) {
  return new Promise((done, fail) => {
    globalThis.window = { innerWidth: width, innerHeight: height, devicePixelRatio: 1 };
    const canvas = new StandInCanvas();
    current = { canvas, presents, hashes: [], done };
    Quendelrix({ canvas, arguments: address, wasmBinary, onAbort: fail });
  });
}

function nativeHashes(width, height, address, presents) {
  return execFileSync(tool, [width, height, ...address, presents].map(String), { encoding: "utf8" })
    .trim().split("\n");
}

// The frames of the ball phase, one present per 50 of the melt's 6000
// block moves, and three frames after it.
const cases = [
  { width: 1, height: 1, address: ["20", "100", "1"] },
  { width: 255, height: 300, address: ["60", "100", "4711"] },
  { width: 640, height: 480, address: ["100", "100", "86399"] },
  { width: 640, height: 480, address: ["100", "100", "-3"] },
];
for (const { width, height, address } of cases) {
  test(`${width} x ${height}, count ${address[0]}, interval ${address[1]}, seed ${address[2]}`, async () => {
    const presents = Number(address[1]) + 1 + 6000 / 50 + 3;
    const expected = nativeHashes(width, height, address, presents);
    const actual = await webHashes(width, height, address, presents);
    assert.equal(expected.length, presents);
    const first = actual.findIndex((h, i) => h !== expected[i]);
    assert.equal(first, -1, `present ${first + 1} of ${presents} differs from the native form's`);
  });
}
