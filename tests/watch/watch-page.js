// Opens the watch page in a real headless browser (Debian's Chromium, driven by puppeteer-core)
// and writes what its terminal shows to a snapshot file every 100 ms, until a stop file appears
// (or two minutes pass). Usage: node watch-page.js URL SNAPSHOT STOP PROFILE
"use strict";
const fs = require("fs");
const path = require("path");
const puppeteer = require(path.join(process.env.QM_WEB_DIR, "node_modules", "puppeteer-core"));

const [url, snapshot, stop, profile] = process.argv.slice(2);

(async () => {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    ignoreDefaultArgs: true,
    pipe: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", "--no-first-run", "--user-data-dir=" + profile],
  });
  try {
    const page = await browser.newPage();
    await page.goto(url);
    const end = Date.now() + 120000;
    while (!fs.existsSync(stop) && Date.now() < end) {
      const shown = await page.evaluate(() => {
        const buffer = window.qmTerminal.buffer.active;
        const lines = [];
        for (let y = 0; y < window.qmTerminal.rows; ++y) {
          lines.push(buffer.getLine(buffer.viewportY + y).translateToString(true).replace(/ +$/, ""));
        }
        return document.getElementById("status").textContent + "\n" + lines.join("\n");
      });
      fs.writeFileSync(snapshot + ".new", shown);
      fs.renameSync(snapshot + ".new", snapshot);
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
