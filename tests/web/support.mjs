// Serves the page's folder on 127.0.0.1 and opens it in headless Chromium.
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { execFile } from 'node:child_process';
import { promisify } from 'node:util';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const webDir = process.env.INVITED_WEB_DIR ??
  path.resolve(here, '../../build/web');
export const renderTool = process.env.INVITED_RENDER ??
  path.resolve(here, '../../build/test/bin/invited-render');
export const advancesTool = process.env.INVITED_TEXT_ADVANCES ??
  path.resolve(here, '../../build/test/bin/web_text_advances');
export const run = promisify(execFile);

export async function pageWasBuilt() {
  try {
    await stat(path.join(webDir, 'invited.wasm'));
    return true;
  } catch {
    return false;
  }
}

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.otf': 'font/otf', '.m4a': 'audio/mp4' };

// A plain static server: no special headers. `replace` maps a file to other
// bytes, or to null for a file that is not there.
export async function serve(replace = {}) {
  const server = createServer(async (request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') ||
      'index.html';
    try {
      let body;
      if (name in replace) {
        if (replace[name] === null) throw new Error('hidden');
        body = replace[name];
      } else {
        const file = path.resolve(webDir, name);
        if (!file.startsWith(webDir)) throw new Error('outside');
        body = await readFile(file);
      }
      response.writeHead(200, { 'Content-Type': types[path.extname(name)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

export async function launch() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--autoplay-policy=user-gesture-required', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      '--disable-background-timer-throttling', '--disable-renderer-backgrounding'],
  });
}

export async function open(browser, url, { width = 1280, height = 720, before } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  if (before) await page.evaluateOnNewDocument(before);
  await page.goto(url);
  return page;
}

export async function waitForState(page, states, timeout = 30000) {
  await page.waitForFunction((wanted) => wanted.includes(document.body.dataset.state),
    { timeout, polling: 50 }, states);
  return page.evaluate(() => document.body.dataset.state);
}

// Decodes PNGs in the page itself and compares them: the largest difference of
// the 4×4-block means over all channels, and the share of pixels whose every
// channel is within `near` levels.
export async function comparePngs(page, a, b, near = 8) {
  return page.evaluate(async (pngA, pngB, nearLevels) => {
    const decode = async (base64) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
      const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
      const context = canvas.getContext('2d');
      context.drawImage(bitmap, 0, 0);
      return context.getImageData(0, 0, bitmap.width, bitmap.height);
    };
    const [x, y] = [await decode(pngA), await decode(pngB)];
    if (x.width !== y.width || x.height !== y.height) {
      return { error: `sizes differ: ${x.width}x${x.height} and ${y.width}x${y.height}` };
    }
    const { width, height } = x;
    let nearCount = 0, worstBlock = 0, worstAt = null;
    for (let i = 0; i < width * height; ++i) {
      let ok = true;
      for (let c = 0; c < 3; ++c) if (Math.abs(x.data[i * 4 + c] - y.data[i * 4 + c]) > nearLevels) ok = false;
      if (ok) ++nearCount;
    }
    for (let by = 0; by + 4 <= height; by += 4) {
      for (let bx = 0; bx + 4 <= width; bx += 4) {
        for (let c = 0; c < 3; ++c) {
          let sum = 0;
          for (let dy = 0; dy < 4; ++dy) {
            for (let dx = 0; dx < 4; ++dx) {
              const i = ((by + dy) * width + bx + dx) * 4 + c;
              sum += x.data[i] - y.data[i];
            }
          }
          const mean = Math.abs(sum) / 16;
          if (mean > worstBlock) { worstBlock = mean; worstAt = [bx, by]; }
        }
      }
    }
    return { worstBlock, worstAt, nearShare: nearCount / (width * height) };
  }, a.toString('base64'), b.toString('base64'), near);
}

// Facts about a screenshot, computed in the page: the mean brightness of a
// rectangle, and the first and last rows with anything drawn on them.
export async function screenshotFacts(page, rect) {
  const png = await page.screenshot({ type: 'png' });
  return page.evaluate(async (base64, r) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const { data, width, height } = context.getImageData(0, 0, bitmap.width, bitmap.height);
    const area = r ?? { x: 0, y: 0, width, height };
    let sum = 0;
    for (let y = area.y; y < area.y + area.height; ++y) {
      for (let x = area.x; x < area.x + area.width; ++x) {
        const i = (y * width + x) * 4;
        sum += (data[i] + data[i + 1] + data[i + 2]) / 3;
      }
    }
    let top = -1, bottom = -1;
    for (let y = 0; y < height; ++y) {
      for (let x = 0; x < width; ++x) {
        const i = (y * width + x) * 4;
        if (data[i] + data[i + 1] + data[i + 2] > 0) {
          if (top < 0) top = y;
          bottom = y;
          break;
        }
      }
    }
    return { width, height, brightness: sum / (area.width * area.height), top, bottom };
  }, png.toString('base64'), rect);
}
