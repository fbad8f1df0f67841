// A page's folder served on 127.0.0.1 and headless Chromium with a profile
// of its own, for the tests that drive pages. A request for the folder
// itself gets INDEX.
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { createRequire } from "node:module";

const require = createRequire(import.meta.url);
const { chromium } = require("playwright-core");
const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };

export async function hostPage(pageDir, index, viewport = { width: 1024, height: 768 }) {
  const server = http.createServer((req, res) => {
    const name = path.basename(new URL(req.url, "http://x").pathname) || index;
    fs.readFile(path.join(pageDir, name), (err, data) => {
      if (err) { res.writeHead(404); res.end(); return; }
      res.writeHead(200, { "Content-Type": types[path.extname(name)] || "application/octet-stream" });
      res.end(data);
    });
  });
  await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "dice-chromium-"));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    viewport,
  });
  const page = context.pages()[0] || await context.newPage();
  return {
    page, context, profile,
    url: (file) => `http://127.0.0.1:${server.address().port}/${file}`,
    async close() {
      await context.close();
      server.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}
