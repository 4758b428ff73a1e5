// The page's figures in headless Chromium (software WebGL2 on this machine):
// its weight, the time from navigation to the start screen's first frame,
// and one whole live show: frame intervals, missed frames, cues on screen,
// and what the page says of its own audio-video timing.
//
//   node bench/WebBench.mjs [--size WxH] [--starts N] [--no-show] [--frames CSV]
//
// Run after ./dev web build (it uses tests/web's driver).
import { gzipSync } from 'node:zlib';
import { readFile, writeFile } from 'node:fs/promises';
import path from 'node:path';
import * as web from '../tests/web/support.mjs';

const args = process.argv.slice(2);
const option = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 ? args[i + 1] : fallback;
};
const [width, height] = option('--size', '1280x720').split('x').map(Number);
const starts = Number(option('--starts', '5'));
const framesCsv = option('--frames', null);

const percentile = (values, p) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(p / 100 * sorted.length))];
};
const ms = (seconds) => (seconds * 1000).toFixed(1);

// Weight -----------------------------------------------------------------------
const gz = async (file) => gzipSync(await readFile(path.join(web.webDir, file)), { level: 9 }).length;
const raw = async (file) => (await readFile(path.join(web.webDir, file))).length;
const code = { 'invited.wasm': await gz('invited.wasm'), 'invited.js': await gz('invited.js'),
  'page.js': await gz('page.js'), 'index.html': await gz('index.html') };
const codeTotal = Object.values(code).reduce((a, b) => a + b, 0);
const assets = {};
for (const file of ['Inter-Regular.otf', 'Inter-Bold.otf', 'InterDisplay-Black.otf', 'audio.m4a']) {
  assets[file] = await raw('resources/' + file);
}
console.log('page weight (gzip -9 for code, as stored for fonts and music):');
for (const [file, bytes] of Object.entries(code)) console.log(`  ${file.padEnd(24)} ${(bytes / 1024).toFixed(1)} KiB`);
console.log(`  code together            ${(codeTotal / 1024).toFixed(1)} KiB (${codeTotal} bytes)`);
for (const [file, bytes] of Object.entries(assets)) console.log(`  resources/${file.padEnd(14)} ${(bytes / 1024).toFixed(1)} KiB`);

const browser = await web.launch();
const server = await web.serve();
try {
  // Start-up ------------------------------------------------------------------
  const times = [];
  for (let i = 0; i < starts; ++i) {
    const page = await browser.newPage();
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.setCacheEnabled(false);
    await page.goto(server.url);
    await web.waitForState(page, ['start']);
    times.push(await page.evaluate(() => invited.startedAt));
    await page.close();
  }
  console.log(`navigation to the start screen's first frame, ${starts} loads, no cache: ` +
    `median ${percentile(times, 50).toFixed(0)} ms, worst ${Math.max(...times).toFixed(0)} ms`);

  if (!args.includes('--no-show')) {
    // One whole live show ------------------------------------------------------
    const page = await browser.newPage();
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.goto(server.url);
    await web.waitForState(page, ['start']);
    await page.mouse.click(width / 2, height / 2);
    await page.waitForFunction(() => !Number.isNaN(invited.audio.startedAt()), { timeout: 20000 });
    const playedAt = await page.evaluate(() => invited.audio.playedAt);
    await page.waitForFunction((end) => invited.showTime >= end, { timeout: 120000, polling: 500 },
      playedAt + 64.2);
    const { frames, outputLatency, offsets } = await page.evaluate(() => ({
      frames: invited.frames, outputLatency: invited.audio.latency(), offsets: invited.offsets }));
    const show = frames.filter(([, showTime]) => showTime >= playedAt && showTime <= playedAt + 64.1);
    const intervals = [];
    for (let i = 1; i < show.length; ++i) intervals.push(show[i][0] - show[i - 1][0]);
    const period = percentile(intervals, 50);
    const missed = intervals.reduce((n, d) => n + Math.max(0, Math.round(d / period) - 1), 0);
    const cues = new Set();
    for (const [, showTime] of show) {
      const p = Math.floor((showTime - playedAt) * 16 + 1e-9);
      if (p >= 0 && p <= 1024) cues.add(p);
    }
    const mean = intervals.reduce((a, b) => a + b, 0) / intervals.length;
    const sd = Math.sqrt(intervals.reduce((a, d) => a + (d - mean) ** 2, 0) / intervals.length);
    console.log(`live show at ${width}x${height}: ${show.length} frames, period ${ms(period)} ms, ` +
      `${missed} missed, interval p50 ${ms(period)} / p99 ${ms(percentile(intervals, 99))} / ` +
      `max ${ms(Math.max(...intervals))} ms, s.d. ${ms(sd)} ms`);
    const missing = [];
    for (let p = 0; p <= 1024; ++p) if (!cues.has(p)) missing.push(p);
    console.log(`cues on screen: ${cues.size} of 1025` +
      (missing.length ? ` (missing: ${missing.slice(0, 20).join(', ')})` : ''));
    if (offsets && offsets.length) {
      console.log(`audio-video offset by the page's own estimate (picture − sound): median ` +
        `${ms(percentile(offsets, 50))} ms, p1 ${ms(percentile(offsets, 1))}, p99 ` +
        `${ms(percentile(offsets, 99))} ms; the context reports an output latency of ${ms(outputLatency)} ms`);
    }
    if (framesCsv) {
      await writeFile(framesCsv, 'display_time,show_time,video_delay\n' +
        frames.map((f) => f.join(',')).join('\n') + '\n');
    }
    await page.close();
  }
} finally {
  await browser.close();
  server.close();
}
