// The page as a visitor meets it, in headless Chromium with its software
// WebGL2: the start screen, a click, the show on the music's clock, still
// frames against the desktop renderer, text widths against the desktop's,
// the messages for what can go wrong, and a resize.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import * as web from './support.mjs';

if (!(await web.pageWasBuilt())) {
  console.log(`no page in ${web.webDir}: run ./dev web build first`);
  process.exit(77);
}

let browser, server, scratch;
before(async () => {
  browser = await web.launch();
  server = await web.serve();
  scratch = await mkdtemp(path.join(tmpdir(), 'invited-web-'));
});
after(async () => {
  await browser?.close();
  server?.close();
  if (scratch) await rm(scratch, { recursive: true, force: true });
});

// Mean brightness of the middle third of what is on screen.
async function brightness(page) {
  return (await web.screenshotFacts(page, { x: 426, y: 240, width: 426, height: 240 })).brightness;
}

test('a click on the start screen fades it out, then the show runs on the music', async () => {
  const page = await web.open(browser, server.url);
  assert.equal(await web.waitForState(page, ['start', 'failed']), 'start');
  await page.waitForFunction(() => invited.frames.length > 5);
  const standing = await brightness(page);
  assert.ok(standing > 2, `the start screen's text is drawn (brightness ${standing})`);
  assert.ok(Number.isNaN(await page.evaluate(() => invited.audio.startedAt())),
    'no sound before the click');

  await page.mouse.click(640, 360);
  await new Promise((resolve) => setTimeout(resolve, 2000));
  const fading = await brightness(page);
  assert.ok(fading < standing, `the text fades (${standing} → ${fading})`);

  // The fade lasts 4 s; then the show starts the music.
  await page.waitForFunction(() => !Number.isNaN(invited.audio.startedAt()), { timeout: 15000 });
  const first = await page.evaluate(() => invited.audio.heard());
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const [second, frame] = await page.evaluate(() => [invited.audio.heard(), invited.frames.at(-1)]);
  assert.ok(first && second, 'the music is heard');
  const advanced = second.fileTime - first.fileTime;
  assert.ok(advanced > 1.0 && advanced < 2.0, `the audio clock advances (${advanced} s in 1.5 s)`);
  // The picture shows the moment being heard: show time = the run loop's
  // time at play() + the heard file time, within a frame or two.
  const played = await page.evaluate(() => invited.audio.playedAt);
  const expected = played + second.fileTime + (frame[0] - second.heardAt);
  assert.ok(Math.abs(frame[1] - expected) < 0.05,
    `the frame pictures the heard moment (show ${frame[1]}, sound ${expected})`);
  await page.close();
});

test('still frames agree with invited-render frame across the show, gentle too', async () => {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
  const failures = [];
  const times = [-5, 1, 10.5, 20, 30.03, 38.01, 45, 52.3, 58.2, 63].map((at) => [at, false]);
  for (const [at, gentle] of [...times, [2.5, true], [50, true]]) {
    const reference = path.join(scratch, `frame-${at}-${gentle}.png`);
    await web.run(web.renderTool, ['frame', '--at', String(at), '--seed', '1', '--size',
      '1280x720', ...(gentle ? ['--gentle'] : []), reference]);
    await page.goto(`${server.url}index.html${gentle ? '?gentle' : ''}#at=${at}&seed=1`);
    await page.reload();
    assert.equal(await web.waitForState(page, ['still', 'failed']), 'still');
    const shot = await page.screenshot({ type: 'png' });
    const result = await web.comparePngs(page, shot, await readFile(reference));
    assert.equal(result.error, undefined, result.error);
    if (result.worstBlock > 16 || result.nearShare < 0.9) {
      failures.push(`${gentle ? 'gentle, ' : ''}at ${at} s: block ${result.worstBlock.toFixed(1)} at ${result.worstAt}, ` +
        `${(result.nearShare * 100).toFixed(2)} % within 8 levels`);
    }
  }
  assert.deepEqual(failures, []);
  await page.close();
});

test('a tap starts the show as a click does', async () => {
  const page = await browser.newPage();
  await page.setViewport({ width: 844, height: 390, deviceScaleFactor: 2, hasTouch: true, isMobile: true });
  await page.goto(server.url);
  assert.equal(await web.waitForState(page, ['start']), 'start');
  await page.touchscreen.tap(422, 195);
  await page.waitForFunction(() => !Number.isNaN(invited.audio.startedAt()), { timeout: 15000 });
  const heard = await page.evaluate(() => new Promise((resolve) =>
    setTimeout(() => resolve(invited.audio.heard()), 500)));
  assert.ok(heard && heard.fileTime > 0, 'the music plays after a tap');
  await page.close();
});

test('every phrase is as wide in the browser as on the desktop, in each font', async () => {
  const { stdout } = await web.run(web.advancesTool, [], { maxBuffer: 1 << 24 });
  const desktop = JSON.parse(stdout);
  assert.ok(desktop.length >= 3 * 72);
  const page = await web.open(browser, `${server.url}index.html#at=-5`);
  await web.waitForState(page, ['still']);
  const widths = await page.evaluate((items) => items.map((item) =>
    Module.ccall('invited_text_width', 'number', ['string', 'string', 'number'],
      [item.font, item.text, item.size])), desktop);
  const off = desktop.map((item, i) => ({ ...item, browser: widths[i] }))
    .filter((item) => !(Math.abs(item.browser - item.width) <= 0.01));
  assert.deepEqual(off, []);
  await page.close();
});

test('a missing or undecodable track, and no WebGL2, each get a message', async () => {
  const cases = [
    { replace: { 'resources/audio.m4a': null }, says: /audio\.m4a is missing/ },
    { replace: { 'resources/audio.m4a': Buffer.from('not music at all') }, says: /cannot play its music/ },
    { replace: { 'resources/Inter-Bold.otf': null }, says: /Inter-Bold\.otf is missing/ },
  ];
  for (const { replace, says } of cases) {
    const broken = await web.serve(replace);
    const page = await web.open(browser, broken.url);
    assert.equal(await web.waitForState(page, ['failed'], 15000), 'failed');
    const text = await page.$eval('#message', (element) => element.innerText);
    assert.match(text, says);
    assert.equal(await page.$eval('canvas', (element) => getComputedStyle(element).display), 'none');
    await page.close();
    broken.close();
  }
  const page = await web.open(browser, server.url, {
    before: () => {
      const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
        return kind === 'webgl2' ? null : getContext.call(this, kind, ...rest);
      };
    },
  });
  assert.equal(await web.waitForState(page, ['failed']), 'failed');
  assert.match(await page.$eval('#message', (element) => element.innerText), /WebGL2/);
  await page.close();
});

test('a show file beside the page is read as the desktop reads it', async () => {
  const bad = await web.serve({ 'show.toml': Buffer.from('palette = ["#123456"]\n') });
  let page = await web.open(browser, bad.url);
  assert.equal(await web.waitForState(page, ['failed', 'start']), 'failed');
  assert.match(await page.$eval('#message', (element) => element.innerText),
    /show\.toml:1:11: error: 'palette' has 1 entry/);
  await page.close();
  bad.close();
  const good = await web.serve({ 'show.toml': Buffer.from('party = "Ada\'s party"\n') });
  page = await web.open(browser, good.url);
  assert.equal(await web.waitForState(page, ['failed', 'start']), 'start');
  await page.close();
  good.close();
});

test('the stage refits when the page changes size, also to a portrait phone', async () => {
  const live = await web.open(browser, server.url);
  await web.waitForState(live, ['start']);
  await live.mouse.click(640, 360);
  await live.waitForFunction(() => !Number.isNaN(invited.audio.startedAt()), { timeout: 15000 });
  await live.setViewport({ width: 390, height: 844, deviceScaleFactor: 2 });
  await live.waitForFunction(() => {
    const canvas = document.getElementById('canvas');
    return canvas.width === 780 && canvas.height === 1688;
  }, { timeout: 5000 });
  // The 16:9 stage fills the width and is centred: nothing is drawn above
  // or below it, across several frames of the show.
  const stageTop = (844 - (390 * 9) / 16) / 2;
  let drawn = 0;
  for (let shot = 0; shot < 6; ++shot) {
    await new Promise((resolve) => setTimeout(resolve, 250));
    const facts = await web.screenshotFacts(live);
    assert.equal(facts.width, 780);
    if (facts.top >= 0) {
      ++drawn;
      assert.ok(facts.top >= Math.floor(stageTop * 2) - 2, `drawn from row ${facts.top}`);
      assert.ok(facts.bottom <= Math.ceil((844 - stageTop) * 2) + 2, `drawn to row ${facts.bottom}`);
    }
  }
  assert.ok(drawn > 0, 'the show is drawn in the refitted stage');
  await live.close();
});
