// The web build's figures: the folder's size (and gzip'd), page load to the first frame in
// headless Chromium, and the show's frames per scene block in the browser against the native
// capture tool doing the same work (the tune's segments and demo_frame, nothing written).
// Usage: node bench_web.js SITE_DIR CAPTURE_EXE [RUNS]. Reports figures; judges nothing.
// Subtle: native block times are differences of whole captures stopped at the block's two ends,
// so process start-up cancels out; in the browser one call runs a block's frames and draws (and
// checksums) only its last.
'use strict';
const { spawnSync, execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { Browser } = require('../../tests/platform/web/cdp.js');
const { serve } = require('../../tests/platform/web/support.js');

const [siteDir, capture, runsArg] = process.argv.slice(2);
const RUNS = Number(runsArg || 5);
const FPS = 30;
const median = (v) => { const s = [...v].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };

const BLOCKS = [['intro', 0x0000], ['credits', 0x0400], ['sphere_dust', 0x0800], ['floors', 0x0A00],
  ['interlude', 0x0E00], ['peak', 0x1400], ['greetings', 0x1800], ['blobs', 0x1C00],
  ['corridor_inset', 0x1E00], ['finale', 0x2000]];

function folderSize() {
  let raw = 0, gzip = 0;
  const rows = [];
  for (const name of fs.readdirSync(siteDir).sort()) {
    const bytes = fs.readFileSync(path.join(siteDir, name));
    const packed = zlib.gzipSync(bytes, { level: 9 }).length;
    raw += bytes.length;
    gzip += packed;
    rows.push(`  ${name.padEnd(16)} ${String(bytes.length).padStart(9)} bytes, gzip -9 ${String(packed).padStart(8)}`);
  }
  console.log('=== the folder (build/web/site)');
  console.log(rows.join('\n'));
  console.log(`  total ${(raw / 1024).toFixed(0)} KiB, gzip -9 ${(gzip / 1024).toFixed(0)} KiB`);
}

// First frame of each block at FPS, from the native capture's positions.
function blockFrames() {
  const out = execFileSync(capture, ['--fps', String(FPS), '--checksums', '--quiet'], { maxBuffer: 64 << 20 }).toString();
  const lines = out.trim().split('\n').map((l) => l.split(' '));
  const last = Number(lines[lines.length - 1][0]);
  return BLOCKS.map(([name, from], i) => {
    const start = lines.find((l) => parseInt(l[1], 16) >= from);
    const next = BLOCKS[i + 1] && lines.find((l) => parseInt(l[1], 16) >= BLOCKS[i + 1][1]);
    return { name, first: Number(start[0]), end: next ? Number(next[0]) : last + 1 };
  });
}

function nativeMs(frames) {
  const t0 = process.hrtime.bigint();
  const r = spawnSync(capture, ['--fps', String(FPS), '--frames', String(frames), '--quiet'], { stdio: 'ignore' });
  if (r.status !== 0) throw new Error('k417-capture failed');
  return Number(process.hrtime.bigint() - t0) / 1e6;
}

async function main() {
  folderSize();
  const blocks = blockFrames();
  const site = await serve(path.resolve(siteDir));
  const browser = await Browser.launch();
  try {
    console.log(`=== page load to the first frame drawn, headless Chromium (median of ${RUNS} loads)`);
    const loads = [];
    for (let i = 0; i < RUNS; i++) {
      const page = await browser.open(site.url);
      loads.push(await page.waitFor('k417.firstFrameMs()'));
      await page.send('Page.close');
    }
    console.log(`  median ${median(loads).toFixed(0)} ms (fastest ${Math.min(...loads).toFixed(0)}, slowest ${Math.max(...loads).toFixed(0)})`);

    console.log(`=== frames per scene block at ${FPS} fps, us a frame, medians of ${RUNS} runs`);
    const page = await browser.open(site.url);
    await page.waitFor('k417.state() === "ready"');
    const web = blocks.map(() => []);
    for (let run = 0; run < RUNS; run++) {
      const times = await page.evaluate(`(() => {
        k417.restart();
        const blocks = ${JSON.stringify(blocks)}, out = [];
        for (const b of blocks) {
          const t0 = performance.now();
          k417.offline(${FPS}, b.end - 1);
          out.push((performance.now() - t0) / (b.end - Math.max(b.first, 1)));
        }
        return out;
      })()`);
      times.forEach((t, i) => web[i].push(t * 1000));
    }
    if (page.errors.length) console.log('  console errors: ' + page.errors.join('; '));
    // Frame 0 is drawn at start-up, so both sides time blocks from frame 1 on.
    const native = blocks.map((b) => {
      const from = Math.max(b.first, 1), per = [];
      for (let run = 0; run < RUNS; run++) per.push((nativeMs(b.end) - nativeMs(from)) * 1000 / (b.end - from));
      return per;
    });
    let worst = 0;
    blocks.forEach((b, i) => {
      const w = median(web[i]), n = median(native[i]);
      if (w > median(web[worst])) worst = i;
      console.log(`  ${b.name.padEnd(15)} frames ${String(b.first).padStart(4)}-${String(b.end - 1).padEnd(4)} browser ${w.toFixed(0).padStart(5)} us, native ${n.toFixed(0).padStart(5)} us, ratio ${(w / n).toFixed(2)}`);
    });
    const w = median(web[worst]), n = median(native[worst]);
    console.log(`  costliest in the browser: ${blocks[worst].name}, ${w.toFixed(0)} us against ${n.toFixed(0)} us native (${(w / n).toFixed(2)}x)`);
  } finally {
    await browser.close();
    await site.close();
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
