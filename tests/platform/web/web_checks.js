// The show in headless Chromium: the page, the live show with its audio clock, full screen, the
// end and playing again, offline frames and sound against the capture tool, and the error pages.
// Usage: node web_checks.js SITE_DIR CAPTURE_DIR (the capture tool's output, see 80-web.sh).
// Subtle: nothing here waits on the wall clock for a verdict; waits only poll for a state, with
// a bound generous enough for a busy machine, and the music is judged against the audio clock.
'use strict';
const fs = require('fs');
const path = require('path');
const { Browser, sleep } = require('./cdp.js');
const { serve, readPngRgb, fnv1a, hex } = require('./support.js');

const [siteDir, captureDir] = process.argv.slice(2);
const SEGMENT = 884;
let failures = 0;
function check(ok, what, detail = '') {
  console.log((ok ? 'ok: ' : 'FAIL: ') + what + (detail && !ok ? '\n      ' + detail : ''));
  if (!ok) failures++;
}

// Golden lines: frame, position, time, checksum.
function readGolden(file) {
  return fs.readFileSync(file, 'utf8').trim().split('\n').map((line) => {
    const [frame, position, time, sum] = line.split(' ');
    return { frame: Number(frame), position: parseInt(position, 16), time: Number(time), sum };
  });
}

// Position heard in each segment, from a 1000 fps capture: frame k is heard after k ms.
function segmentPositions(file) {
  const map = new Map();
  for (const line of fs.readFileSync(file, 'utf8').trim().split('\n')) {
    const [k, position] = line.split(' ');
    const segment = Math.floor(Math.floor(Number(k) * 44100 / 1000) / SEGMENT);
    if (!map.has(segment)) map.set(segment, parseInt(position, 16));
  }
  return map;
}

// The canvas's pixels and, read in the same task, the checksum of the frame the program drew.
const canvasExpression = `(() => {
  const c = document.getElementById('k417-canvas');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let s = '';
  for (let i = 0; i < d.length; i += 8192) s += String.fromCharCode.apply(null, d.subarray(i, i + 8192));
  return { width: c.width, height: c.height, rgba: btoa(s), sum: k417.checksum() };
})()`;
async function readCanvas(page) {
  const r = await page.evaluate(canvasExpression);
  return { width: r.width, height: r.height, rgba: Buffer.from(r.rgba, 'base64'), sum: r.sum };
}
// The checksum the capture tool prints, from canvas bytes: 0x00RRGGBB words, little-endian.
function checksumOfRgba(rgba) {
  const words = Buffer.alloc(rgba.length);
  for (let i = 0; i < rgba.length; i += 4) {
    words[i] = rgba[i + 2];
    words[i + 1] = rgba[i + 1];
    words[i + 2] = rgba[i];
    words[i + 3] = 0;
  }
  return fnv1a(words);
}
// The canvas's box (CSS pixels) is the frame times a whole factor, one more would not fit.
function largestWholeScale(r) {
  const scale = r.w * r.dpr / 320;
  return Number.isInteger(scale) && scale >= 1 && r.h * r.dpr === 200 * scale &&
    (320 * (scale + 1) > r.vw * r.dpr || 200 * (scale + 1) > r.vh * r.dpr);
}
function litPixels(rgba) {
  let lit = 0;
  for (let i = 0; i < rgba.length; i += 4) if (rgba[i] | rgba[i + 1] | rgba[i + 2]) lit++;
  return lit;
}

async function pageAndItsLook(browser, site, golden) {
  const page = await browser.open(site.url);
  await page.waitFor('k417.state() === "ready"');
  check(await page.evaluate('document.title') === 'K417 by Windmillcove', 'the page title is the program\'s');
  const icon = await page.evaluate('document.querySelector(\'link[rel="icon"]\').href');
  check(icon.startsWith('data:image/png;base64,') && icon.length > 1000, 'the favicon is the program\'s icon', icon.slice(0, 60));
  check(/click|key/i.test(await page.evaluate('k417.text()')), 'the first frame asks for a click or key');
  const frame0 = await readCanvas(page);
  check(hex(checksumOfRgba(frame0.rgba)) === golden[0].sum, 'the first frame drawn is the capture tool\'s frame 0',
    hex(checksumOfRgba(frame0.rgba)) + ' vs ' + golden[0].sum);
  const look = await page.evaluate(`(() => {
    const c = document.getElementById('k417-canvas'), r = c.getBoundingClientRect(), s = getComputedStyle(c);
    return { w: r.width, h: r.height, x: r.left, y: r.top, vw: innerWidth, vh: innerHeight, dpr: devicePixelRatio,
             rendering: s.imageRendering, background: getComputedStyle(document.body).backgroundColor };
  })()`);
  check(largestWholeScale(look), 'the frame is scaled by the largest whole factor', JSON.stringify(look));
  check(Math.abs(look.x * 2 + look.w - look.vw) <= 1 && Math.abs(look.y * 2 + look.h - look.vh) <= 1 &&
        Number.isInteger(look.x * look.dpr) && Number.isInteger(look.y * look.dpr), 'centred on whole pixels', JSON.stringify(look));
  check(look.rendering === 'pixelated' && look.background === 'rgb(0, 0, 0)', 'crisp pixels on black', JSON.stringify(look));
  return page;
}

async function liveShow(page, positions) {
  await page.click(20, 20);
  await page.waitFor('k417.state() === "playing" && k417.heard() > 0');
  check(await page.evaluate('document.getElementById("panel").classList.contains("hidden")'), 'the panel goes once the show plays');
  // Samples while the music is within the positions captured (a slow machine takes fewer).
  const samples = [];
  for (let i = 0; i < 16; i++) {
    await sleep(250);
    const sample = await page.evaluate('({ heard: k417.heard(), position: k417.position(), clock: k417.contextFrames() })');
    if (!positions.has(Math.floor(sample.heard / SEGMENT) + 1)) break;
    samples.push(sample);
  }
  check(samples.length >= 4, 'the music plays within the positions captured', samples.length + ' samples');
  const wrong = samples.filter((s) => positions.get(Math.floor(s.heard / SEGMENT)) !== s.position);
  check(wrong.length === 0, 'each frame\'s position is the one of the segment heard, as the capture tool has it',
    JSON.stringify(wrong.slice(0, 3)));
  const first = samples[0], last = samples[samples.length - 1];
  const ordered = samples.every((s, i) => i === 0 || (s.heard >= samples[i - 1].heard && s.position >= samples[i - 1].position));
  check(ordered && last.heard > first.heard && last.position > first.position, 'music and position move forward',
    JSON.stringify([first, last]));
  // The worklet reports every 1,024 frames; between reports the page extrapolates by the clock.
  const heardStep = last.heard - first.heard, clockStep = last.clock - first.clock;
  check(heardStep <= clockStep + 2048, 'the music position never runs ahead of the audio clock',
    `heard +${heardStep} frames while the clock moved +${clockStep}`);
  console.log(`      heard +${heardStep} frames while the audio clock moved +${clockStep} (${(100 * heardStep / clockStep).toFixed(1)}%)`);
  const shown = await readCanvas(page);
  check(litPixels(shown.rgba) > 1000, 'frames are drawn (the canvas is not black)', litPixels(shown.rgba) + ' lit pixels');
  check(checksumOfRgba(shown.rgba) === shown.sum, 'the canvas holds exactly the frame the show drew',
    hex(checksumOfRgba(shown.rgba)) + ' vs ' + hex(shown.sum));
}

async function fullScreen(page) {
  const state = `JSON.stringify((() => { const r = document.getElementById("k417-canvas").getBoundingClientRect();
    return { full: !!document.fullscreenElement, w: r.width, h: r.height, vw: innerWidth, vh: innerHeight, dpr: devicePixelRatio }; })())`;
  const before = JSON.parse(await page.evaluate(state));
  await page.key('f', 'KeyF', 70);
  await page.waitFor('!!document.fullscreenElement');
  await sleep(200);  // the resize that follows full screen
  const inFull = JSON.parse(await page.evaluate(state));
  check(inFull.full && largestWholeScale(inFull), 'F goes full screen, the frame rescaled to the screen', JSON.stringify(inFull));
  await page.key('f', 'KeyF', 70);
  await page.waitFor('!document.fullscreenElement');
  await page.send('Input.dispatchMouseEvent', { type: 'mousePressed', x: 30, y: 30, button: 'left', clickCount: 1 });
  await page.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x: 30, y: 30, button: 'left', clickCount: 1 });
  await page.send('Input.dispatchMouseEvent', { type: 'mousePressed', x: 30, y: 30, button: 'left', clickCount: 2 });
  await page.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x: 30, y: 30, button: 'left', clickCount: 2 });
  await page.waitFor('!!document.fullscreenElement');
  await page.key('f', 'KeyF', 70);
  await page.waitFor('!document.fullscreenElement');
  let after;
  for (let i = 0; i < 50 && (!after || after.w !== before.w); i++) {
    await sleep(100);  // the window's resize arrives after the full-screen change
    after = JSON.parse(await page.evaluate(state));
  }
  check(after.w === before.w, 'a double click goes full screen, F comes back to the window at the window\'s scale',
    JSON.stringify([before, after]));
}

async function theEnd(page) {
  // The show ends when the tune wraps after its second half has been seen: skip into the second
  // half, then to the last order.
  await page.evaluate('k417.seek(16)');
  await page.waitFor('k417.position() >= 0x1000', 600);
  await page.evaluate('k417.seek(34)');
  await page.waitFor('k417.position() >= 0x2200', 600);
  await page.waitFor('k417.state() === "ended"', 1200);
  const text = await page.evaluate('k417.text()');
  const button = await page.evaluate('(() => { const b = document.getElementById("panel-button"); const r = b.getBoundingClientRect(); return { text: b.textContent, visible: !b.classList.contains("hidden"), x: r.left + r.width / 2, y: r.top + r.height / 2 }; })()');
  check(/ended/i.test(text) && button.visible && /play again/i.test(button.text), 'the page says the show ended, with "play again"',
    text + ' / ' + JSON.stringify(button));
  const stopped = checksumOfRgba((await readCanvas(page)).rgba);
  await sleep(300);
  check(checksumOfRgba((await readCanvas(page)).rgba) === stopped, 'the show stops on its last frame');
  await page.click(button.x, button.y);
  await page.waitFor('k417.state() === "playing" && k417.heard() > 20000', 600);
  const again = await page.evaluate('({ position: k417.position(), heard: k417.heard() })');
  check(again.position < 0x0200, 'play again starts the show from its beginning', JSON.stringify(again));
}

async function exactness(browser, site, golden, captureDir) {
  const page = await browser.open(site.url);
  await page.waitFor('k417.state() === "ready"');
  // One frame of each scene block, as the timeline divides the tune by order.
  const blocks = [0x0000, 0x0400, 0x0800, 0x0A00, 0x0E00, 0x1400, 0x1800, 0x1C00, 0x1E00, 0x2000];
  const chosen = blocks.map((from, i) => golden.find((g) => g.position >= from && g.position < (blocks[i + 1] || 0x10000) &&
    g.frame > 0 && g.sum !== golden[0].sum && fs.existsSync(pngPath(g.frame))));
  const missing = chosen.findIndex((g) => !g);
  check(missing < 0, 'a golden frame with a capture PNG for each of the ten scene blocks', 'none for block ' + missing);
  // Every golden frame's checksum on the way (one run, as the capture's), the chosen ones' pixels.
  const sums = [], pixelsDiffer = [];
  const last = chosen.filter(Boolean).pop();
  for (const g of golden.filter((g) => g.frame > 0 && g.frame <= last.frame)) {
    const sum = hex(await page.evaluate(`k417.offline(10, ${g.frame})`));
    sums.push(`${g.frame}:${sum === g.sum ? 'ok' : sum + '!=' + g.sum}`);
    if (!chosen.includes(g)) continue;
    const canvas = await readCanvas(page);
    const png = readPngRgb(pngPath(g.frame));
    let differ = png.width !== canvas.width || png.height !== canvas.height ? -1 : 0;
    for (let i = 0, j = 0; differ >= 0 && i < png.rgb.length; i += 3, j += 4) {
      if (png.rgb[i] !== canvas.rgba[j] || png.rgb[i + 1] !== canvas.rgba[j + 1] || png.rgb[i + 2] !== canvas.rgba[j + 2]) differ++;
    }
    if (differ !== 0) pixelsDiffer.push(`${g.frame}: ${differ < 0 ? 'size' : differ + ' pixels'}`);
  }
  check(sums.every((s) => s.endsWith('ok')), `offline frames 50 to ${last.frame}: all ${sums.length} golden checksums`,
    sums.filter((s) => !s.endsWith('ok')).join(' '));
  check(pixelsDiffer.length === 0, `canvas pixels of frames ${chosen.filter(Boolean).map((g) => g.frame).join(', ')} equal the capture tool's PNG frames`,
    pixelsDiffer.join('; '));

  const pcm = await page.evaluate('k417.pcm()');
  const wav = fs.readFileSync(path.join(captureDir, 'show.wav'));
  const bytes = pcm.frames * 4;
  check(wav.length - 44 >= bytes && fnv1a(wav.subarray(44, 44 + bytes)) === pcm.checksum,
    `the sound rendered for them (${pcm.frames} frames) is the capture tool's, byte for byte`,
    `${hex(pcm.checksum)} vs ${hex(fnv1a(wav.subarray(44, 44 + bytes)))}`);

  // Played again in the same page, the show draws what a fresh page draws.
  await page.evaluate('k417.restart()');
  const again = chosen.filter(Boolean).slice(0, 3);
  const againSums = [];
  for (const g of again) againSums.push(hex(await page.evaluate(`k417.offline(10, ${g.frame})`)) === g.sum);
  check(againSums.every(Boolean), 'after a restart the same frames again', JSON.stringify(againSums));
  const end = golden[golden.length - 1];
  check(hex(await page.evaluate(`k417.offline(10, ${end.frame})`)) === end.sum &&
        await page.evaluate(`k417.offline(10, ${end.frame + 1})`) === 0, `the show ends after frame ${end.frame}, as captured`);
  return page;

  function pngPath(frame) { return path.join(captureDir, 'frames', `frame-${String(frame).padStart(6, '0')}.png`); }
}

async function errorPages(browser, site) {
  const cases = [
    // Cut in half, the archive's directory still reads; the first file past the cut fails.
    { what: 'a damaged archive', url: site.url + '?archive=damaged', want: /'(k417\.pak|fontje\.dat|fini\.xm|64\.pcx)'/, before: [] },
    { what: 'no WebAssembly', url: site.url, want: /WebAssembly/, before: ['delete window.WebAssembly;'] },
    { what: 'no Web Audio', url: site.url, want: /Web Audio/, before: ['delete window.AudioContext; delete window.webkitAudioContext;'] },
  ];
  for (const c of cases) {
    const page = await browser.open(c.url, c.before);
    await page.waitFor('k417.state() === "error"');
    const shown = await page.evaluate('({ text: k417.text(), visible: !document.getElementById("panel").classList.contains("hidden") })');
    check(shown.visible && c.want.test(shown.text) && shown.text.startsWith('K417 by Windmillcove'),
      `${c.what}: the page shows the program's message`, JSON.stringify(shown));
    await page.send('Page.close');
  }
}

(async () => {
  const golden = readGolden(path.join(__dirname, '../../golden/capture-10fps.txt'));
  const positions = segmentPositions(path.join(captureDir, 'positions-1000fps.txt'));
  const site = await serve(path.resolve(siteDir));
  const browser = await Browser.launch();
  try {
    const live = await pageAndItsLook(browser, site, golden);
    await liveShow(live, positions);
    await fullScreen(live);
    await theEnd(live);
    check(live.errors.length === 0, 'no console errors while the show played', live.errors.join('\n      '));
    const offline = await exactness(browser, site, golden, captureDir);
    check(offline.errors.length === 0, 'no console errors in the offline frames', offline.errors.join('\n      '));
    await errorPages(browser, site);
  } catch (e) {
    check(false, 'the checks ran to their end', e.stack);
  } finally {
    await browser.close();
    await site.close();
  }
  console.log(failures ? `${failures} browser check(s) failed` : 'all browser checks passed');
  process.exit(failures ? 1 : 0);
})();
