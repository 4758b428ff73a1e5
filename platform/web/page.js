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
  const advanceCache = new Map();
  const familyName = (file) => 'invited ' + file.replace(/\.[^.]*$/, '');
  self.text = {
    register(files) {
      families.push(...files);
    },
    family(file) {
      return families.indexOf(file);
    },
    // Advances of each character of `text`, laid out as a whole at `size`
    // pixels: each is where the next character starts less where it starts.
    advances(family, text, size) {
      const key = family + '\u0000' + size + '\u0000' + text;
      const known = advanceCache.get(key);
      if (known) return known;
      measureCanvas.font = `${size}px "${familyName(families[family])}"`;
      measureCanvas.fontKerning = 'normal';
      const characters = Array.from(text);
      const widths = [];
      let prefix = '', before = 0;
      for (const c of characters) {
        prefix += c;
        const after = measureCanvas.measureText(prefix).width;
        widths.push(after - before);
        before = after;
      }
      if (advanceCache.size > 4096) advanceCache.clear();
      advanceCache.set(key, widths);
      return widths;
    },
    // One character drawn white on clear at `pixelSize`, its origin a
    // quarter pixel right per `subpixel`; its box is the covered pixels.
    raster(family, codePoint, pixelSize, subpixel) {
      const font = `${pixelSize}px "${familyName(families[family])}"`;
      const c = String.fromCodePoint(codePoint);
      raster.font = font;
      const m = raster.measureText(c);
      const pad = 2;
      const left = Math.ceil(Math.max(m.actualBoundingBoxLeft, 0)) + pad;
      const top = Math.ceil(Math.max(m.actualBoundingBoxAscent, 0)) + pad;
      const width = left + Math.ceil(Math.max(m.actualBoundingBoxRight, 0)) + pad + 1;
      const height = top + Math.ceil(Math.max(m.actualBoundingBoxDescent, 0)) + pad;
      if (rasterCanvas.width < width || rasterCanvas.height < height) {
        rasterCanvas.width = Math.max(rasterCanvas.width, width);
        rasterCanvas.height = Math.max(rasterCanvas.height, height);
      }
      raster.clearRect(0, 0, width, height);
      raster.font = font;
      raster.fillStyle = '#fff';
      raster.textBaseline = 'alphabetic';
      raster.textAlign = 'left';
      raster.fillText(c, left + subpixel / 4, top);
      const pixels = raster.getImageData(0, 0, width, height).data;
      let x0 = width, y0 = height, x1 = -1, y1 = -1;
      for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
          if (pixels[(y * width + x) * 4 + 3]) {
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
          coverage[y * w + x] = pixels[((y + y0) * width + x + x0) * 4 + 3];
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
    load(bytes) {
      const Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return Promise.reject(new Error('this browser has no Web Audio'));
      context = new Context({ latencyHint: 'interactive' });
      return context.decodeAudioData(bytes).then((decoded) => {
        buffer = decoded;
        start();
      });
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
  const still = !Number.isNaN(invited.options.at);
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
      throw new Error(`The show cannot start: its ${file === TRACK ? 'music' : 'font'} ` +
                      `resources/${file} is missing (${response.status}).`);
    }
    return new Uint8Array(await response.arrayBuffer());
  };
  let faces, track;
  try {
    [faces, track] = await Promise.all([Promise.all(FACES.map(fetchBytes)),
                                        still ? null : fetchBytes(TRACK)]);
    await Promise.all(FACES.map(async (file, i) => {
      const face = new FontFace('invited ' + file.replace(/\.[^.]*$/, ''), faces[i]);
      await face.load();
      document.fonts.add(face);
    }));
  } catch (error) {
    invited.fail(error.message);
    return;
  }
  if (track) {
    if (track.length === 0) {
      invited.fail(`The show cannot start: its music resources/${TRACK} is empty.`);
      return;
    }
    invited.audio.load(track.slice().buffer).catch(() => {
      invited.fail(`The show cannot play its music: resources/${TRACK} is not a sound ` +
                   'this browser can decode.');
    });
  }
  window.Module = {
    canvas: document.getElementById('canvas'),
    preRun: [() => {
      const fs = window.Module.FS;
      fs.mkdir('/resources');
      FACES.forEach((file, i) => fs.writeFile('/resources/' + file, faces[i]));
      // The program checks that the track is there; the browser plays it.
      fs.writeFile('/resources/' + TRACK, track || new Uint8Array([0]));
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
