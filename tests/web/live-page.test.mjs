// The live page in a real browser: a broker with the page, two PCs publishing
// simulated receivers (one monitoring, one recording), Debian's Chromium
// through playwright-core. The receivers appear with their values; one that
// falls silent turns red within 2 s; a screenshot is kept.
//   node live-page.test.mjs BUILD_DIR [SHOT_DIR]
import { spawn } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const SKIP = 77;
const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "../..");
const build = path.resolve(process.argv[2] || path.join(root, "build"));
const shots = process.argv[3] || build;
const chromium = "/usr/bin/chromium";

let playwright;
try {
  playwright = await import("playwright-core");
} catch (e) {
  console.log("SKIPPED: playwright-core is not installed (npm ci in tests/web)");
  process.exit(SKIP);
}
if (!fs.existsSync(chromium)) {
  console.log("SKIPPED: Chromium is not installed (" + chromium + ")");
  process.exit(SKIP);
}

const children = [];
function start(cmd, args, env = {}) {
  const child = spawn(cmd, args, { env: { ...process.env, ...env }, stdio: ["ignore", "pipe", "pipe"] });
  child.out = "";
  child.err = "";
  child.stdout.on("data", (d) => (child.out += d));
  child.stderr.on("data", (d) => (child.err += d));
  children.push(child);
  return child;
}
function stopAll() {
  for (const c of children) if (c.exitCode === null) c.kill("SIGTERM");
}
process.on("exit", stopAll);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
async function until(what, test, ms) {
  const end = Date.now() + ms;
  for (;;) {
    const v = await test();
    if (v) return v;
    if (Date.now() > end) throw new Error("timed out waiting for " + what);
    await sleep(50);
  }
}
function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer();
    s.listen(0, "127.0.0.1", () => { const p = s.address().port; s.close(() => resolve(p)); });
  });
}
function fail(message) {
  console.error("FAILED: " + message);
  for (const c of children) if (c.err) console.error("--- " + c.spawnargs.join(" ") + "\n" + c.err);
  stopAll();
  process.exit(1);
}

async function main() {
  const mqttPort = await freePort(), httpPort = await freePort();
  start(path.join(root, "scripts/dashboard"), ["--mqtt-port", String(mqttPort), "--http-port", String(httpPort)]);
  await until("the broker", () => new Promise((r) => { const s = net.connect(mqttPort, "127.0.0.1", () => { s.end(); r(true); }); s.on("error", () => r(false)); }), 10000);

  // Hall A: three receivers, the second silent from 12 s after its start on.
  const silentAfterMs = 12000;
  const simA = start(path.join(build, "zrq6930-sim"), ["--count", "3", "--fault", `2:silence=${silentAfterMs}:600000`]);
  const simAStart = Date.now();
  const simB = start(path.join(build, "zrq6930-sim"), ["--count", "2"]);
  await until("the simulators' ports", () => simA.out.split("\n").length > 3 && simB.out.split("\n").length > 2, 5000);
  const portsA = simA.out.trim().split("\n"), portsB = simB.out.trim().split("\n");
  const logs = fs.mkdtempSync(path.join(os.tmpdir(), "zrq6930-page-"));
  const runtime = fs.mkdtempSync(path.join(os.tmpdir(), "zrq6930-xdg-"));
  const broker = `mqtt://127.0.0.1:${mqttPort}`;
  const cli = path.join(build, "zrq6930");
  start(cli, ["monitor", "--seconds", "60", "--publish", broker, "--site", "hall-a"], { ZRQ6930_PORTS: portsA.join(":"), XDG_RUNTIME_DIR: runtime });
  start(cli, ["record", "--hours", "0.02", "--publish", broker, "--site", "hall-b"], { ZRQ6930_PORTS: portsB.join(":"), ZRQ6930_LOG_DIR: logs, XDG_RUNTIME_DIR: runtime });

  const browser = await playwright.chromium.launch({
    executablePath: chromium,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  try {
    const page = await browser.newPage({ viewport: { width: 390, height: 1400 } }); // a phone's width
    await page.goto(`http://127.0.0.1:${httpPort}/`);
    await until("five receivers on the page", async () => (await page.locator(".rx").count()) === 5, 15000);
    const cards = await page.locator(".rx").evaluateAll((els) => els.map((e) => ({ pc: e.dataset.pc, no: e.dataset.no, trouble: e.dataset.trouble, text: e.innerText })));
    const pcsShown = [...new Set(cards.map((c) => c.pc.split("/")[0]))].sort().join(",");
    if (pcsShown !== "hall-a,hall-b") fail("the PCs shown are " + pcsShown);
    for (const c of cards) {
      if (!/\d+\.\d{3} MHz/.test(c.text)) fail("no frequency on " + c.pc + " Rx " + c.no + ": " + c.text);
    }
    const recorded = cards.filter((c) => c.pc.startsWith("hall-b"));
    if (!recorded.every((c) => c.text.includes("dBµV"))) fail("the recording PC's receivers show no RF meters");
    if (!(await page.locator('section[data-pc^="hall-b"] .rec').innerText()).includes("recording")) fail("hall-b does not show that it records");

    // The silent receiver: found by its port, as its number follows its channel.
    const silentPort = portsA[1];
    const silentCard = page.locator(".rx", { hasText: silentPort });
    const silenceAt = simAStart + silentAfterMs;
    if (Date.now() > silenceAt - 500) fail("the page took too long to come up to see the silence begin");
    await until("the silent receiver turning red", async () => (await silentCard.getAttribute("data-trouble")) !== "", silentAfterMs + 6000);
    const redAfter = Date.now() - silenceAt;
    console.log(`red ${redAfter} ms after the receiver fell silent`);
    if (redAfter > 2000) fail(`red only ${redAfter} ms after the receiver fell silent`);
    // Red is the silent receiver's alone: the others of its PC answer on. (At
    // least one: on a machine loaded enough a receiver misses its three tries.)
    const fine = await page.locator('section[data-pc^="hall-a"] .rx:not(.alarm)').count();
    if (fine < 1) fail("every receiver of hall-a is red, not the silent one alone");
    await page.screenshot({ path: path.join(shots, "live-page.png"), fullPage: true });
    const wide = await browser.newPage({ viewport: { width: 1280, height: 800 } });
    await wide.goto(`http://127.0.0.1:${httpPort}/`);
    await until("receivers on the wide page", async () => (await wide.locator(".rx").count()) === 5, 10000);
    await wide.screenshot({ path: path.join(shots, "live-page-wide.png"), fullPage: true });

    // The monitoring PC ends: its page section says offline.
    children[3].kill("SIGTERM");
    await until("hall-a offline", async () => (await page.locator('section[data-pc^="hall-a"].offline').count()) === 1, 5000);
    console.log("PASSED");
  } finally {
    await browser.close();
    stopAll();
    fs.rmSync(logs, { recursive: true, force: true });
    fs.rmSync(runtime, { recursive: true, force: true });
  }
}

main().catch((e) => fail(e.stack || String(e)));
