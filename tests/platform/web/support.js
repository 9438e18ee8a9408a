// What the browser checks and the web benchmark share besides the DevTools client: a static
// server for the site folder, the capture tool's PNG frames read back, and FNV-1a.
// Subtle: the server sends the WebAssembly type, without which the browser compiles the module
// only after downloading all of it (and says so on the console).
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.png': 'image/png', '.ico': 'image/x-icon' };

// Serves a folder on 127.0.0.1 at a free port; resolves to { url, close() }.
function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-store' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({
      url: 'http://127.0.0.1:' + server.address().port + '/',
      close: () => new Promise((done) => server.close(done)),
    }));
  });
}

// The RGB bytes of an 8-bit RGB PNG without filters (what the capture tool writes).
function readPngRgb(file) {
  const bytes = fs.readFileSync(file);
  let at = 8, width = 0, height = 0;
  const idat = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at), type = bytes.toString('latin1', at + 4, at + 8);
    const data = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      if (data[8] !== 8 || data[9] !== 2 || data[12] !== 0) throw new Error(file + ': not an 8-bit RGB PNG');
    } else if (type === 'IDAT') {
      idat.push(data);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++) {
    const row = y * (1 + width * 3);
    if (raw[row] !== 0) throw new Error(file + ': row ' + y + ' uses a PNG filter');
    raw.copy(rgb, y * width * 3, row + 1, row + 1 + width * 3);
  }
  return { width, height, rgb };
}

function fnv1a(bytes, hash = 2166136261) {
  for (let i = 0; i < bytes.length; i++) hash = Math.imul(hash ^ bytes[i], 16777619) >>> 0;
  return hash >>> 0;
}

const hex = (n) => (n >>> 0).toString(16).toUpperCase().padStart(8, '0');

module.exports = { serve, readPngRgb, fnv1a, hex };
