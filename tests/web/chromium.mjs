// Headless Chromium driven over the DevTools protocol on a pipe (fds 3 and 4,
// messages separated by NUL), and a static file server on 127.0.0.1: what
// the web page's tests and its measurements need, with no npm package.
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

// Every wait in these tests ends on an event; this is only the ceiling after
// which a wait that saw nothing fails.
export const kCeilingMs = 120_000;

export function withCeiling(promise, what, ms = kCeilingMs) {
  let timer;
  const ceiling = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`nothing after ${ms} ms: ${what}`)), ms);
  });
  return Promise.race([promise, ceiling]).finally(() => clearTimeout(timer));
}

// Python's file server on a port of its own choosing, serving `folder`.
export async function serve(folder) {
  const server = spawn("python3", ["-u", "-m", "http.server", "--bind", "127.0.0.1", "0", "-d", folder],
                       { stdio: ["ignore", "pipe", "pipe"] });
  const port = await withCeiling(new Promise((resolve, reject) => {
    let text = "";
    server.stdout.on("data", (chunk) => {
      text += chunk;
      const m = /port (\d+)/.exec(text);
      if (m) resolve(Number(m[1]));
    });
    server.on("exit", (code) => reject(new Error(`the file server ended (${code})`)));
  }), "the file server's port");
  return { url: `http://127.0.0.1:${port}/`, close: () => server.kill() };
}

export class Browser {
  // `flags` are added to Chromium's command line.
  static async launch(flags = []) {
    const profile = mkdtempSync(join(tmpdir(), "qx-chromium-"));
    const child = spawn("chromium", [
      "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
      "--force-color-profile=srgb", "--no-first-run", "--mute-audio",
      `--user-data-dir=${profile}`, "--remote-debugging-pipe", ...flags, "about:blank",
    ], { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    child.stderr.resume();
    return new Browser(child, profile);
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Set();
    let buffered = "";
    child.stdio[4].on("data", (chunk) => {
      buffered += chunk.toString("utf8");
      let end;
      while ((end = buffered.indexOf("\0")) >= 0) {
        const message = JSON.parse(buffered.slice(0, end));
        buffered = buffered.slice(end + 1);
        this.dispatch(message);
      }
    });
    this.exited = new Promise((resolve) => child.on("exit", resolve));
    this.exited.then(() => {
      for (const { reject } of this.pending.values()) reject(new Error("Chromium ended"));
      this.pending.clear();
    });
  }

  dispatch(message) {
    if (message.id !== undefined) {
      const call = this.pending.get(message.id);
      this.pending.delete(message.id);
      if (!call) return;
      if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
      else call.resolve(message.result);
      return;
    }
    for (const listener of [...this.listeners]) listener(message);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return withCeiling(new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.child.stdio[3].write(JSON.stringify(message) + "\0");
    }), method);
  }

  // The next event `method` (of the session, when given) for which `accept`
  // holds.
  event(method, sessionId, accept = () => true) {
    return withCeiling(new Promise((resolve) => {
      const listener = (m) => {
        if (m.method === method && (!sessionId || m.sessionId === sessionId) && accept(m.params)) {
          this.listeners.delete(listener);
          resolve(m.params);
        }
      };
      this.listeners.add(listener);
    }), method);
  }

  // A tab of its own, with its own cookies and cache.
  async newPage() {
    const { browserContextId } = await this.send("Target.createBrowserContext");
    const { targetId } = await this.send("Target.createTarget", { url: "about:blank", browserContextId });
    const { sessionId } = await this.send("Target.attachToTarget", { targetId, flatten: true });
    return new Page(this, sessionId, browserContextId);
  }

  async close() {
    try {
      await withCeiling(this.send("Browser.close"), "Browser.close", 10_000);
    } catch {
      this.child.kill("SIGKILL");
    }
    await this.exited;
    rmSync(this.profile, { recursive: true, force: true });
  }
}

export class Page {
  constructor(browser, sessionId, browserContextId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.browserContextId = browserContextId;
    this.errors = [];
    browser.listeners.add((m) => {
      if (m.sessionId !== sessionId) return;
      if (m.method === "Runtime.exceptionThrown") {
        this.errors.push(m.params.exceptionDetails.exception?.description ?? m.params.exceptionDetails.text);
      } else if (m.method === "Runtime.consoleAPICalled" && m.params.type === "error") {
        this.errors.push(m.params.args.map((a) => a.value ?? a.description).join(" "));
      }
    });
  }
  send(method, params) { return this.browser.send(method, params, this.sessionId); }
  close() {
    return this.browser.send("Target.disposeBrowserContext", { browserContextId: this.browserContextId });
  }
  event(method, accept) { return this.browser.event(method, this.sessionId, accept); }

  // The viewport in CSS pixels and the device-pixel ratio.
  setViewport(width, height, deviceScaleFactor = 1) {
    return this.send("Emulation.setDeviceMetricsOverride",
                     { width, height, deviceScaleFactor, mobile: false });
  }

  async navigate(url) {
    const loaded = this.event("Page.loadEventFired");
    const { errorText } = await this.send("Page.navigate", { url });
    if (errorText) throw new Error(`${url}: ${errorText}`);
    await loaded;
  }

  // The value of a JavaScript expression in the page (awaited if a promise).
  async evaluate(expression) {
    const { result, exceptionDetails } = await this.send("Runtime.evaluate",
      { expression, awaitPromise: true, returnByValue: true });
    if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
    return result.value;
  }

  // The page as the screen shows it: { width, height, rgb } with three bytes
  // a pixel, row after row.
  async screenshot() {
    const { data } = await this.send("Page.captureScreenshot", { format: "png" });
    return decodePng(Buffer.from(data, "base64"));
  }
}

// Width, height and RGB bytes of a PNG, through ImageMagick.
export function decodePng(png) {
  const size = spawnSync("identify", ["-format", "%w %h", "png:-"], { input: png });
  const [width, height] = size.stdout.toString().split(" ").map(Number);
  const pixels = spawnSync("convert", ["png:-", "-depth", "8", "rgb:-"], { input: png, maxBuffer: 1 << 30 });
  if (pixels.status !== 0 || !width) throw new Error(`undecodable PNG: ${pixels.stderr}`);
  return { width, height, rgb: pixels.stdout };
}

// How many pixels are not black.
export function nonBlack({ rgb }) {
  let n = 0;
  for (let i = 0; i < rgb.length; i += 3) if (rgb[i] | rgb[i + 1] | rgb[i + 2]) n++;
  return n;
}
