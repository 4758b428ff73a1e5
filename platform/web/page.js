// The page around the show: it fetches the three faces and the track, hands
// them to the program, and gives it what the browser has that the program
// asks for: text measured and drawn by the browser, sound from Web Audio,
// full screen, and a message in place of the canvas when something is wrong.
'use strict';

const FACES = ['Inter-Regular.otf', 'Inter-Bold.otf', 'InterDisplay-Black.otf'];
const TRACK = 'audio.m4a';

const invited = (() => {
  const hash = new URLSearchParams(location.hash.slice(1));
  const search = new URLSearchParams(location.search);
  const number = (text, fallback) => {
    const value = text === null || text.trim() === '' ? NaN : Number(text);
    return Number.isFinite(value) ? value : fallback;
  };
  const options = {
    gentle: search.has('gentle'),
    at: number(hash.get('at'), NaN),
    seed: Math.floor(number(hash.get('seed'), -1)),
  };
  const self = {
    options,
    state: 'loading',
    // Every live frame: [display time (performance.now() seconds), show time
    // (the run loop's), video delay] in seconds.
    frames: [],
    setState(state) {
      // A failure stands: the program may come up after the track failed.
      if (self.state === 'failed') return;
      if (state === 'start' || state === 'still') self.startedAt = performance.now();
      self.state = state;
      document.body.dataset.state = state;
    },
    fail(message) {
      document.getElementById('message').textContent = message;
      document.body.classList.add('failed');
      self.setState('failed');
      self.error = message;
    },
    frame(displayTime, showTime, videoDelay) {
      if (self.frames.length < 20000) self.frames.push([displayTime, showTime, videoDelay]);
      self.showTime = showTime;
      // The page's own estimate of picture against sound: the moment heard
      // when this frame is on screen, less the moment it pictures.
      const heard = self.audio && self.audio.heard();
      if (heard && self.audio.playedAt !== undefined && self.offsets.length < 20000) {
        const heardThen = heard.fileTime + (displayTime - heard.heardAt);
        self.offsets.push(showTime - (self.audio.playedAt + heardThen));
      }
    },
    offsets: [],
  };

  // Text ----------------------------------------------------------------------
  // One family per face file, loaded with the FontFace API from its bytes.
  const families = [];
  const measureCanvas = document.createElement('canvas').getContext('2d');
  const rasterCanvas = document.createElement('canvas');
  const raster = rasterCanvas.getContext('2d', { willReadFrequently: true });
  const shapeCache = new Map();
  // The browser draws the same outlines a little heavier than the desktop's
  // unhinted FreeType, by a tenth of a pixel or so at the edges (measured on
  // Inter Bold at 64 px, drawn as below: 0.7 % more ink in an "O", 1.9 % in
  // an "e" at 16 px). A power of 1.1 on coverage takes that out (0.2 % and
  // −0.6 % left), so text has the same weight on both.
  const inkCurve = Uint8Array.from({ length: 256 }, (_, v) => Math.round(255 * (v / 255) ** 1.1));
  // Characters drawn between their neighbours: [before, it, after].
  const contexts = [];
  const contextIds = new Map();
  const familyName = (file) => 'invited ' + file.replace(/\.[^.]*$/, '');
  // A glyph drawn white on clear k times larger than `pixelSize`, its pen
  // `subpixel` quarter pixels right of a whole pixel, with room for three
  // quarters more: its coverage (one byte a large pixel) and, in pixels,
  // where the pen is and how large the box is. Kept for the glyph's other
  // positions.
  const largeCache = new Map();
  const drawLarge = (family, glyph, pixelSize, k, subpixel) => {
    const key = `${family} ${glyph} ${pixelSize} ${subpixel}`;
    const known = largeCache.get(key);
    if (known) return known;
    const font = `${pixelSize * k}px "${familyName(families[family])}"`;
    const [before, c, after] = glyph >= 0x110000 ? contexts[glyph - 0x110000]
      : ['', String.fromCodePoint(glyph), ''];
    raster.font = font;
    raster.fontKerning = 'normal';
    // Where the character starts in its context, and the ink around it.
    const whole = before + c + after;
    const start = raster.measureText(before + c).width - raster.measureText(c).width;
    const m = raster.measureText(whole);
    const pad = 2;
    const left = Math.ceil(Math.max(m.actualBoundingBoxLeft + start, 0) / k) + pad;
    const top = Math.ceil(Math.max(m.actualBoundingBoxAscent, 0) / k) + pad;
    const width = left + Math.ceil(Math.max(m.actualBoundingBoxRight - start, 0) / k) + pad + 1;
    const height = top + Math.ceil(Math.max(m.actualBoundingBoxDescent, 0) / k) + pad;
    if (rasterCanvas.width < width * k || rasterCanvas.height < height * k) {
      rasterCanvas.width = Math.max(rasterCanvas.width, width * k);
      rasterCanvas.height = Math.max(rasterCanvas.height, height * k);
    }
    raster.clearRect(0, 0, width * k, height * k);
    raster.font = font;
    raster.fontKerning = 'normal';
    raster.fillStyle = '#fff';
    raster.textBaseline = 'alphabetic';
    raster.textAlign = 'left';
    const x = (left + subpixel / 4) * k;
    raster.save();
    if (before || after) {
      // Only the character: cut at the ink of its neighbours.
      const from = before ? x - start + raster.measureText(before).actualBoundingBoxRight : 0;
      const nextStart = raster.measureText(whole).width - raster.measureText(after).width - start;
      const to = after ? x + nextStart - raster.measureText(after).actualBoundingBoxLeft : width * k;
      raster.beginPath();
      raster.rect(Math.ceil(from), 0, Math.max(0, Math.floor(to) - Math.ceil(from)), height * k);
      raster.clip();
    }
    raster.fillText(whole, x - start, top * k);
    raster.restore();
    const pixels = raster.getImageData(0, 0, width * k, height * k).data;
    const alpha = new Uint8Array(width * k * height * k);
    for (let i = 0; i < alpha.length; ++i) alpha[i] = pixels[i * 4 + 3];
    const drawn = { alpha, left, top, width, height };
    if (largeCache.size >= 48) largeCache.delete(largeCache.keys().next().value);
    largeCache.set(key, drawn);
    return drawn;
  };

  self.text = {
    register(files) {
      families.push(...files);
    },
    family(file) {
      return families.indexOf(file);
    },
    // Advances of each character of `text`, laid out as a whole at `size`
    // pixels, and a glyph for each. A character starts where the text up
    // to and including it ends, less its own width: so the kerning with the
    // character before it moves it, and falls in the advance of the one
    // before, as in the desktop's shaping. Letters, digits and spaces are
    // their own glyphs; any other character (punctuation, a symbol) may take
    // another form between its neighbours (a colon between digits sits
    // higher), so its glyph is the character in that context.
    shape(family, text, size) {
      const key = family + '\u0000' + size + '\u0000' + text;
      const known = shapeCache.get(key);
      if (known) return known;
      measureCanvas.font = `${size}px "${familyName(families[family])}"`;
      measureCanvas.fontKerning = 'normal';
      const characters = Array.from(text);
      const starts = [];
      let prefix = '', end = 0;
      for (const c of characters) {
        prefix += c;
        end = measureCanvas.measureText(prefix).width;
        starts.push(end - measureCanvas.measureText(c).width);
      }
      const advances = starts.map((start, i) => (i + 1 < starts.length ? starts[i + 1] : end) - start);
      const glyphs = characters.map((c, i) => {
        if (/[\p{L}\p{N}\p{Zs}]/u.test(c)) return c.codePointAt(0);
        const context = (characters[i - 1] ?? '') + '\u0000' + c + '\u0000' + (characters[i + 1] ?? '');
        let id = contextIds.get(context);
        if (id === undefined) {
          id = 0x110000 + contexts.length;
          contexts.push([characters[i - 1] ?? '', c, characters[i + 1] ?? '']);
          contextIds.set(context, id);
        }
        return id;
      });
      const shaped = { advances, glyphs };
      if (shapeCache.size > 4096) shapeCache.clear();
      shapeCache.set(key, shaped);
      return shaped;
    },
    // One glyph drawn white on clear at `pixelSize`, its origin a quarter
    // pixel right per `subpixel`; its box is the covered pixels. Glyphs under
    // 256 px are drawn k times larger (to at least 512 px) and each k × k
    // square averaged: the browser bends the coverage of small text by a
    // gamma of its own and snaps outlines to its pixels, which would put
    // edges elsewhere than the desktop's exact area coverage; drawn large,
    // both fall on a k-th of a pixel. From 256 px on the browser fills the
    // outlines as they are, and drawing larger would only cost time.
    raster(family, glyph, pixelSize, subpixel) {
      const k = pixelSize >= 256 ? 1 : Math.min(16, 2 ** Math.ceil(Math.log2(512 / pixelSize)));
      // From k = 4 on, a quarter pixel is a whole number of large pixels: one
      // drawing serves the glyph's four positions.
      const big = drawLarge(family, glyph, pixelSize, k, k >= 4 ? 0 : subpixel);
      const shift = k >= 4 ? (subpixel * k) / 4 : 0;
      const { alpha, left, top, width, height } = big;
      const sums = new Float64Array(width * height);
      for (let y = 0; y < height * k; ++y) {
        const row = ((y / k) | 0) * width;
        const from = y * width * k - shift;
        for (let x = 0; x < width; ++x) {
          let sum = 0;
          for (let i = Math.max(x * k, shift), end = (x + 1) * k; i < end; ++i) sum += alpha[from + i];
          sums[row + x] += sum;
        }
      }
      const area = k * k;
      let x0 = width, y0 = height, x1 = -1, y1 = -1;
      for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
          if (Math.round(sums[y * width + x] / area)) {
            if (x < x0) x0 = x;
            if (x > x1) x1 = x;
            if (y < y0) y0 = y;
            if (y > y1) y1 = y;
          }
        }
      }
      if (x1 < 0) {
        self.text.lastCoverage = new Uint8Array(0);
        return { width: 0, height: 0, left: 0, top: 0 };
      }
      const w = x1 - x0 + 1, h = y1 - y0 + 1;
      const coverage = new Uint8Array(w * h);
      for (let y = 0; y < h; ++y) {
        for (let x = 0; x < w; ++x) {
          coverage[y * w + x] = inkCurve[Math.round(sums[(y + y0) * width + x + x0] / area)];
        }
      }
      self.text.lastCoverage = coverage;
      return { width: w, height: h, left: x0 - left, top: top - y0 };
    },
  };

  // Sound ---------------------------------------------------------------------
  // The track is decoded while the start screen stands; the first click or
  // tap (the one that starts the show) is the gesture that lets it sound.
  let context = null, buffer = null, source = null, startContextTime = NaN, wantsPlay = false;
  const seconds = () => performance.now() / 1000;
  // Which context time is heard at which moment of performance.now().
  const outputClock = () => {
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0) {
      return { contextTime: stamp.contextTime, heardAt: stamp.performanceTime / 1000 };
    }
    const latency = (context.outputLatency || 0) + (context.baseLatency || 0);
    return { contextTime: context.currentTime - latency, heardAt: seconds() };
  };
  const start = () => {
    if (!buffer || !wantsPlay) return;
    if (context.state === 'suspended') context.resume();
    source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(context.destination);
    startContextTime = context.currentTime + 0.05;
    source.start(startContextTime);
  };
  self.audio = {
    // Fetches and decodes the track while the start screen stands; a
    // missing or undecodable one gets its message in place of the canvas.
    async fetch(url) {
      const what = url === 'resources/' + TRACK ? `its music ${url}` : `the show file's music ${url}`;
      let response;
      try {
        response = await fetch(url);
      } catch (error) {
        self.fail(`The show cannot load ${what}: ${error.message}.`);
        return;
      }
      if (!response.ok) {
        self.fail(`The show cannot start: ${what} is missing (${response.status}).`);
        return;
      }
      const bytes = await response.arrayBuffer();
      if (bytes.byteLength === 0) {
        self.fail(`The show cannot start: ${what} is empty.`);
        return;
      }
      const Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) {
        self.fail('The show cannot play its music: this browser has no Web Audio.');
        return;
      }
      context = context || new Context({ latencyHint: 'interactive' });
      try {
        buffer = await context.decodeAudioData(bytes);
      } catch {
        self.fail(`The show cannot play ${what}: it is not a sound this browser can decode.`);
        return;
      }
      start();
    },
    unlock() {
      if (context && context.state === 'suspended') context.resume();
    },
    // `playedAt` is the run loop's time of the call, for the page's figures.
    play(playedAt) {
      self.audio.playedAt = playedAt;
      wantsPlay = true;
      if (source) { try { source.stop(); } catch (e) { /* not started */ } }
      source = null;
      startContextTime = NaN;
      start();
    },
    stop() {
      wantsPlay = false;
      if (source) { try { source.stop(); } catch (e) { /* not started */ } }
      source = null;
      startContextTime = NaN;
    },
    duration() { return buffer ? buffer.duration : 0; },
    latency() { return context ? (context.outputLatency || 0) + (context.baseLatency || 0) : 0; },
    startedAt() {
      if (!source || context.state !== 'running') return NaN;
      const clock = outputClock();
      return clock.heardAt + (startContextTime - clock.contextTime);
    },
    heard() {
      if (!source || context.state !== 'running') return null;
      const clock = outputClock();
      const fileTime = clock.contextTime - startContextTime;
      if (fileTime > buffer.duration) return null;
      if (fileTime < 0) return { fileTime: 0, heardAt: clock.heardAt - fileTime };
      return { fileTime, heardAt: clock.heardAt };
    },
  };

  // Full screen: F11 or a double click ask for it, Escape leaves it.
  const toggleFullScreen = () => {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen();
  };
  addEventListener('keydown', (event) => {
    if (event.key === 'F11') {
      event.preventDefault();
      toggleFullScreen();
    } else if (event.key === 'Escape' && document.fullscreenElement) {
      document.exitFullscreen();
    }
  });
  addEventListener('dblclick', toggleFullScreen);
  for (const type of ['pointerdown', 'pointerup', 'touchend', 'keydown']) {
    addEventListener(type, () => self.audio.unlock(), { capture: true });
  }
  return self;
})();

(async () => {
  const probe = document.createElement('canvas').getContext('webgl2');
  if (!probe) {
    invited.fail('This browser cannot draw the show: it has no WebGL2. ' +
                 'A current Chrome, Firefox, Safari or Edge can.');
    return;
  }
  const fetchBytes = async (file) => {
    let response;
    try {
      response = await fetch('resources/' + file);
    } catch (error) {
      throw new Error(`The show cannot load ${file}: ${error.message}.`);
    }
    if (!response.ok) {
      throw new Error(`The show cannot start: its font resources/${file} is missing ` +
                      `(${response.status}).`);
    }
    return new Uint8Array(await response.arrayBuffer());
  };
  let faces, showFile = null;
  try {
    faces = await Promise.all(FACES.map(fetchBytes));
    await Promise.all(FACES.map(async (file, i) => {
      const face = new FontFace('invited ' + file.replace(/\.[^.]*$/, ''), faces[i]);
      await face.load();
      document.fonts.add(face);
    }));
    // An organiser's own show, when a show file stands beside the page.
    const response = await fetch('show.toml').catch(() => null);
    if (response && response.ok) showFile = new Uint8Array(await response.arrayBuffer());
  } catch (error) {
    invited.fail(error.message);
    return;
  }
  window.Module = {
    canvas: document.getElementById('canvas'),
    preRun: [() => {
      const fs = window.Module.FS;
      fs.mkdir('/resources');
      FACES.forEach((file, i) => fs.writeFile('/resources/' + file, faces[i]));
      if (showFile) fs.writeFile('/show.toml', showFile);
    }],
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort: (what) => invited.fail('The show stopped: ' + what),
  };
  invited.text.register(FACES);
  const script = document.createElement('script');
  script.src = 'invited.js';
  script.onerror = () => invited.fail('The show cannot load invited.js.');
  document.body.appendChild(script);
})();
