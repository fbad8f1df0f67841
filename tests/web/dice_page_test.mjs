// The dice page in headless Chromium: serves the page's folder on
// 127.0.0.1, answers the prompt, reads the canvas back with the mode's
// font (screen_text, as for the X11 screenshots), checks the report row by
// row, ends the program with a key and checks its exit code.
//   node dice_page_test.mjs PAGE_DIR SCREEN_TEXT OUT_DIR RUN [INPUT]
// RUN: typed   type INPUT and Enter (0: then leave the page)
//      paste   paste 100 kB as the answer
//      nocanvas a canvas without a 2D context: the program reports and ends
//      nowasm  a browser without WebAssembly: the page says so
//      null    ?DNGFX=null: the dialogue runs unseen on the "Null" driver
//      text, screen  PAGE_DIR holds page_probe: see there
// On failure the screenshot stays in OUT_DIR. It prints how long the report
// took after Enter and the longest gap between two animation frames
// meanwhile (bench/web_page_throws.sh); no limit is checked here.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { hostPage } from "./page_host.mjs";

const [pageDir, screenText, outDir, run, input = ""] = process.argv.slice(2);
const label = `${run}${run === "typed" ? ` '${input}'` : ""}`;

const host = await hostPage(pageDir, "dice.html");
const { page, context, profile } = host;
const logs = [];
const errors = [];
page.on("console", (m) => { logs.push(m.text()); if (m.type() === "error") errors.push(m.text()); });
page.on("pageerror", (e) => { logs.push(String(e)); errors.push(String(e)); });

let lastRows = "";
async function finish(fault) {
  if (fault) {
    fs.mkdirSync(outDir, { recursive: true });
    const shot = path.join(outDir, `dice-web-${run}-${input.replace(/[^0-9a-z-]/gi, "_")}.png`);
    await page.screenshot({ path: shot }).catch(() => {});
    console.error(`dice web ${label}: ${fault}\nscreen was:\n${lastRows}\npage said:\n${logs.join("\n")}\nscreenshot: ${shot}`);
  }
  await host.close();
  process.exit(fault ? 1 : 0);
}

// The canvas's text rows: its pixels as a PPM for screen_text. Read back
// only when something was drawn since the last look: a read-back stops the
// page for ~100 ms, which the frame gaps must not show.
let drawsSeen = -1;
async function screenRows(rows) {
  const shot = await page.evaluate((seen) => {
    if (window.diceCanvasDraws === seen) return null;
    window.diceReadBack = true;
    const c = document.getElementById("dice-canvas");
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height);
    const rgb = new Uint8Array(c.width * c.height * 3);
    for (let i = 0, j = 0; i < d.data.length; i += 4) { rgb[j++] = d.data[i]; rgb[j++] = d.data[i + 1]; rgb[j++] = d.data[i + 2]; }
    let s = "";
    for (let i = 0; i < rgb.length; i += 0x8000) s += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    return { width: c.width, height: c.height, rgb: btoa(s), draws: window.diceCanvasDraws };
  }, drawsSeen);
  if (!shot) return lastRows.replace(/\n$/, "").split("\n");
  drawsSeen = shot.draws;
  const file = path.join(profile, "shot.ppm");
  fs.writeFileSync(file, Buffer.concat([Buffer.from(`P6 ${shot.width} ${shot.height} 255\n`), Buffer.from(shot.rgb, "base64")]));
  lastRows = execFileSync(screenText, [file, "0", "0", "1", "100", String(rows)], { encoding: "latin1" });
  return lastRows.replace(/\n$/, "").split("\n");
}

async function waitFor(what, check, seconds = 30) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const fault = await check();
    if (!fault) return;
    if (Date.now() > end) await finish(`${what}: ${fault}`);
    await new Promise((ok) => setTimeout(ok, 100));
  }
}

const exitCode = () => page.evaluate(() => Module.diceExitCode);
// The program's end: status 0, and nothing thrown on the way out.
async function expectEnd(seconds = 30) {
  await waitFor("exit", async () => (await exitCode()) === undefined ? "program still running" : "", seconds);
  if ((await exitCode()) !== 0) await finish(`exit code ${await exitCode()}`);
  await new Promise((ok) => setTimeout(ok, 200));
  await finish(errors.length ? `page errors: ${errors.join("; ")}` : "");
}

// The number the program reads: leading blanks, a sign, digits.
function expectedCount(s) {
  const m = /^ *([-+]?)(\d*)/.exec(s);
  return (m[1] === "-" ? -1 : 1) * Number(m[2] || 0);
}

const title = ["SIMULADOR DE LANZAMIENTO DE DADOS", "================================="];
const prompt = "NUMERO DE LANZAMIENTOS = ? ";

// The whole report, agreeing with itself; `answerRow` is the prompt's last
// row as the answer left it, `n` the count read.
function reportFault(row, answerRow, n) {
  if (row.length < 13) return "report incomplete";
  const at = row.indexOf(answerRow);
  if (at < 0) return `no row '${answerRow.slice(-40)}'`;
  const r = row.slice(at + 1);
  if (r[0] !== "" || r[1] !== "" || r[3] !== "" || (r[10] || "") !== "") return "blank rows misplaced";
  let total = 0, sum = 0;
  for (let face = 1; face <= 6; ++face) {
    const m = new RegExp(`^frecuecia absoluta de  ${face} =  (\\d+)$`).exec(r[3 + face] || "");
    if (!m) return `row of face ${face} is '${r[3 + face]}'`;
    total += Number(m[1]);
    sum += face * Number(m[1]);
  }
  let mean;
  if (n > 0) {
    if (total !== n) return `counts add up to ${total}, not ${n}`;
    mean = " " + String(Number((sum / n).toPrecision(15)));
  } else {
    if (total !== 0) return `${total} throws for ${n}`;
    mean = n === 0 ? " nan" : "-0";
  }
  if (r[2] !== `MEDIA ARITMETICA GLOBAL = ${mean}`) return `mean row '${r[2]}', not '${mean}'`;
  return "";
}

if (run === "nocanvas") {
  await page.addInitScript(() => { HTMLCanvasElement.prototype.getContext = () => null; });
}
if (run === "nowasm") await page.addInitScript(() => { delete window.WebAssembly; });
// The longest gap between two animation frames since the last look, but
// for gaps in which this script read the canvas back; and a count of the
// canvas's drawing calls. The gaps are between the frames' callbacks: a
// frame's own time stamp may be its planned start, long before it ran.
await page.addInitScript(() => {
  let last = 0;
  window.diceLongestFrameGap = 0;
  window.diceReadBack = false;
  const frame = () => {
    const t = performance.now();
    if (last && !window.diceReadBack) window.diceLongestFrameGap = Math.max(window.diceLongestFrameGap, t - last);
    last = t;
    window.diceReadBack = false;
    if (!window.diceFramesStopped) requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
  window.diceCanvasDraws = 0;
  const drawing = CanvasRenderingContext2D.prototype;
  for (const name of ["putImageData", "fillRect", "fillText"]) {
    const draw = drawing[name];
    drawing[name] = function (...args) { ++window.diceCanvasDraws; return draw.apply(this, args); };
  }
  // The text grid's characters where fillText put them (cells of 8 x 16);
  // a row's background clears its row.
  window.diceGridRows = [];
  const { fillText, fillRect } = drawing;
  drawing.fillText = function (c, x, y, ...more) {
    (window.diceGridRows[Math.floor(y / 16)] ||= [])[Math.floor(x / 8)] = c;
    return fillText.call(this, c, x, y, ...more);
  };
  drawing.fillRect = function (x, y, w, h) {
    if (w === this.canvas.width && h === 16) window.diceGridRows[Math.floor(y / 16)] = [];
    return fillRect.call(this, x, y, w, h);
  };
});
if (run === "screen") await page.setViewportSize({ width: 1300, height: 820 });
await page.goto(host.url(`dice.html${run === "null" ? "?DNGFX=null" : ""}`));

if (run === "nowasm") {
  await waitFor("message", async () => {
    lastRows = await page.evaluate(() => document.getElementById("dice-message").textContent);
    return /cannot run WebAssembly/.test(lastRows) ? "" : "no message";
  }, 10);
  await finish("");
}
if (run === "null") {
  // Keys wait in the page's queue until the program reads them.
  await page.keyboard.type("12\n", { delay: 20 });
  await page.keyboard.press("x");
  await expectEnd();
}

if (run === "nocanvas") {
  await waitFor("exit", async () => (await exitCode()) === undefined ? "program still running" : "");
  const shown = await page.evaluate(() => document.getElementById("dice-text").textContent);
  lastRows = shown;
  if (shown !== "Error setting video mode!") await finish("page text is not the error");
  await expectEnd();
}

// page_probe: the text grid before any screen, then the mouse on a screen
// of doubled rows at the page's zoom 2, full screen, and the close key.
if (run === "text" || run === "screen") {
  let logsSeen = 0;
  const expectLog = async (line) => {
    await waitFor(`log '${line}'`, async () => {
      while (logsSeen < logs.length && !/^(key|mouse) /.test(logs[logsSeen])) ++logsSeen;
      return logsSeen < logs.length ? "" : "nothing logged";
    }, 10);
    if (logs[logsSeen] !== line) await finish(`logged '${logs[logsSeen]}', not '${line}'`);
    ++logsSeen;
  };
  const gridRows = async (wanted) => {
    const rows = await page.evaluate(() => window.diceGridRows.map((r) => Array.from(r || [], (c) => c || " ").join("").trimEnd()));
    lastRows = rows.join("\n");
    return rows.slice(0, wanted.length).join("\n") === wanted.join("\n") ? "" : "rows differ";
  };
  await waitFor("prompt", () => gridRows(["NOMBRE = ?"]));
  await page.keyboard.type("hola\n", { delay: 20 });
  await waitFor("greeting", () => gridRows(["NOMBRE = ? hola", "HOLA hola"]));
  if (run === "screen") {
    await page.keyboard.press("g");
    let box;
    await waitFor("screen", async () => {
      box = await page.locator("#dice-canvas").boundingBox();
      return box.width === 1280 && box.height === 800 ? "" : `canvas of ${box.width} x ${box.height} on the page`;
    }, 10);
    // Page points to screen pixels: 640 x 200, each pixel 2 x 4 on the page.
    const move = (x, y) => () => page.mouse.move(box.x + x, box.y + y);
    for (const [act, want] of [
      [move(0.5, 0.5), "0 0 0 0"], [move(1279.5, 799.5), "0 639 199 0"], [move(333, 555), "0 166 138 0"],
      [() => page.mouse.down(), "0 166 138 1"], [() => page.mouse.up(), "0 166 138 0"],
      [move(-3, 10), "-1 -1 -1 0"],
      // The pointer cannot be moved: the program's reads see it moved in.
      [() => page.keyboard.press("s"), "0 123 45 0"],
    ]) {
      await act();
      await page.keyboard.press("m");
      await expectLog(`mouse ${want}`);
    }
    // A loop that draws and takes no keys, under a burst of key presses far
    // beyond every queue (the program has no turn among them): the page's
    // queue stays bounded, the pointer still reaches get_mouse, and the
    // oldest presses come back in order, the rest dropped.
    await page.keyboard.press("p");
    await expectLog("mouse 0 123 45 0");
    const letters = "abcdefhijklnoqrtuvwxyz", kept = 256;
    const queued = await page.evaluate(async (letters) => {
      while (Module.diceEvents.length) await new Promise((ok) => setTimeout(ok, 10));
      for (let i = 0; i < 1000; ++i) for (const type of ["keydown", "keyup"]) {
        const c = letters[i % letters.length];
        dispatchEvent(new KeyboardEvent(type, { key: c, code: `Key${c.toUpperCase()}` }));
      }
      return Module.diceEvents.length;
    }, letters);
    if (queued !== kept * 2) await finish(`page queue of ${queued} events after the burst`);
    for (const [act, want] of [[move(333, 555), "0 166 138 0"], [() => page.mouse.down(), "0 166 138 1"]]) {
      await act();
      await expectLog(`mouse ${want}`);
    }
    await page.mouse.up();
    for (let i = 0; i < kept; ++i) {
      await expectLog(`key ${letters.charCodeAt(i % letters.length).toString(16).toUpperCase()}`);
    }
    await page.keyboard.press("9");
    await expectLog("key 39");
    await page.keyboard.press("Alt+Enter");
    await waitFor("full screen", async () => (await page.evaluate(() => document.fullscreenElement)) ? "" : "not full screen", 5);
  }
  await page.evaluate(() => dispatchEvent(new PageTransitionEvent("pagehide")));
  await expectLog("key 6BFF");
  await expectEnd(10);
}

await waitFor("prompt", async () => {
  const row = await screenRows(3);
  return row.join("\n") === [...title, prompt.trimEnd()].join("\n") ? "" : "prompt not shown";
});
if ((await page.title()) !== "dice") await finish(`title '${await page.title()}'`);

let answerRow = prompt + input, n = expectedCount(input);
if (run === "paste") {
  // 100 000 characters: a lost one shows in where the last row of the
  // answer ends (the count field takes the first few).
  const text = "12" + "x".repeat(99998);
  await page.evaluate((t) => {
    const data = new DataTransfer();
    data.setData("text/plain", t);
    dispatchEvent(new ClipboardEvent("paste", { clipboardData: data, bubbles: true }));
  }, text);
  answerRow = (prompt + text).slice(-((prompt.length + text.length) % 100));
  n = 12;
} else {
  await page.keyboard.type(input, { delay: 20 });
}
await page.evaluate(() => { window.diceLongestFrameGap = 0; });
const entered = Date.now();
await page.keyboard.press("Enter");
await waitFor("report", async () => reportFault(await screenRows(37), answerRow.trimEnd(), n), 60);
const gap = await page.evaluate(() => window.diceLongestFrameGap);
console.log(`dice web ${label}: report within ${Date.now() - entered} ms of Enter; longest frame gap ${gap.toFixed(0)} ms`);

// With DICE_WEB_IDLE_MS set (bench/web_page_throws.sh): the page's busy
// time over that long while the program waits for the final key.
const idle = Number(process.env.DICE_WEB_IDLE_MS || 0);
if (idle > 0) {
  const cdp = await context.newCDPSession(page);
  await cdp.send("Performance.enable");
  const busy = async () => (await cdp.send("Performance.getMetrics")).metrics.find((m) => m.name === "TaskDuration").value;
  // The frames this script asks for would be most of the busy time.
  await page.evaluate(() => { window.diceFramesStopped = true; });
  await new Promise((ok) => setTimeout(ok, 100));
  const before = await busy();
  await new Promise((ok) => setTimeout(ok, idle));
  console.log(`dice web ${label}: final wait busy ${((await busy()) - before) * 1000 | 0} ms in ${idle} ms`);
}
// Leaving the page gives the close key, which ends the final wait too.
if (input === "0") await page.evaluate(() => dispatchEvent(new PageTransitionEvent("pagehide")));
else await page.keyboard.press("x");
await expectEnd(10);
