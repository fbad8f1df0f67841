// Runs a page made with pantalla_add_page in headless Chromium on the
// "Null" driver: types INPUT, waits for the program's end and prints the
// page's title, what the program wrote to standard output and its exit code.
//   node page_run.mjs PAGE_DIR NAME INPUT
// Playwright comes from tests/web (npm ci there).
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { createRequire } from "node:module";

const require = createRequire(new URL("../web/package.json", import.meta.url));
const { chromium } = require("playwright-core");
const [pageDir, name, input] = process.argv.slice(2);
const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };

const server = http.createServer((req, res) => {
  const file = path.join(pageDir, path.basename(new URL(req.url, "http://x").pathname));
  fs.readFile(file, (err, data) => {
    if (err) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
    res.end(data);
  });
});
await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "pantalla-chromium-"));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: "/usr/bin/chromium",
  headless: true,
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync"],
});
let code;
try {
  const page = context.pages()[0] || await context.newPage();
  const out = [];
  page.on("console", (m) => { if (m.type() === "log") out.push(m.text()); else console.error(m.text()); });
  page.on("pageerror", (e) => console.error(String(e)));
  await page.goto(`http://127.0.0.1:${server.address().port}/${name}.html?DNGFX=null`);
  console.log(`title: ${await page.title()}`);
  await page.keyboard.type(input, { delay: 20 });
  const end = Date.now() + 60000;
  while ((code = await page.evaluate(() => Module.diceExitCode)) === undefined && Date.now() < end) {
    await new Promise((ok) => setTimeout(ok, 100));
  }
  for (const line of out) console.log(line);
  console.log(`exit: ${code}`);
} finally {
  await context.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
process.exit(code === undefined ? 1 : 0);
