// Runs a page made with pantalla_add_page in headless Chromium on the
// "Null" driver: types INPUT, waits for the program's end and prints the
// page's title, what the program wrote to standard output and its exit code.
//   node page_run.mjs PAGE_DIR NAME INPUT
import { hostPage } from "../web/page_host.mjs";

const [pageDir, name, input] = process.argv.slice(2);
const host = await hostPage(pageDir, `${name}.html`);
const { page } = host;
let code;
try {
  const out = [];
  page.on("console", (m) => { if (m.type() === "log") out.push(m.text()); else console.error(m.text()); });
  page.on("pageerror", (e) => console.error(String(e)));
  await page.goto(host.url(`${name}.html?DNGFX=null`));
  console.log(`title: ${await page.title()}`);
  await page.keyboard.type(input, { delay: 20 });
  const end = Date.now() + 60000;
  while ((code = await page.evaluate(() => Module.diceExitCode)) === undefined && Date.now() < end) {
    await new Promise((ok) => setTimeout(ok, 100));
  }
  for (const line of out) console.log(line);
  console.log(`exit: ${code}`);
} finally {
  await host.close();
}
process.exit(code === undefined ? 1 : 0);
