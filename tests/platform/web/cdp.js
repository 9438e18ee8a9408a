// A small DevTools-protocol client for headless Chromium: start the browser, open a page, send
// commands, collect console errors. Subtle: one browser socket carries every page's session
// (flattened), so replies and events are told apart by id and sessionId.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const WebSocket = require('ws');

class Page {
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.errors = [];  // console errors, uncaught exceptions and failed loads, as text
    this.listeners = [];
  }
  send(method, params = {}) { return this.browser.send(method, params, this.sessionId); }
  on(method, callback) { this.listeners.push({ method, callback }); }
  event(method, params) {
    if (method === 'Runtime.consoleAPICalled' && params.type === 'error') {
      this.errors.push('console.error: ' + params.args.map((a) => a.value ?? a.description).join(' '));
    } else if (method === 'Runtime.exceptionThrown') {
      const d = params.exceptionDetails;
      this.errors.push('exception: ' + (d.exception ? d.exception.description : d.text));
    } else if (method === 'Log.entryAdded' && params.entry.level === 'error') {
      this.errors.push('log: ' + params.entry.text + (params.entry.url ? ' (' + params.entry.url + ')' : ''));
    }
    for (const l of this.listeners) if (l.method === method) l.callback(params);
  }
  // The value of a page expression; promises are awaited. Throws with the page's own message.
  async evaluate(expression) {
    const r = await this.send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
    if (r.exceptionDetails) {
      const d = r.exceptionDetails;
      throw new Error('page: ' + (d.exception ? d.exception.description : d.text));
    }
    return r.result.value;
  }
  // Polls an expression until it is truthy; gives up after `tries` polls `everyMs` apart.
  async waitFor(expression, tries = 300, everyMs = 100) {
    for (let i = 0; i < tries; i++) {
      const v = await this.evaluate(expression);
      if (v) return v;
      await sleep(everyMs);
    }
    throw new Error('gave up waiting for: ' + expression);
  }
  async click(x, y) {
    for (const type of ['mousePressed', 'mouseReleased']) {
      await this.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
    }
  }
  async key(key, code, keyCode) {
    for (const type of ['keyDown', 'keyUp']) {
      await this.send('Input.dispatchKeyEvent', { type, key, code, windowsVirtualKeyCode: keyCode });
    }
  }
}

class Browser {
  static async launch(extraArgs = []) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'k417-chromium-'));
    const args = ['--headless=new', '--remote-debugging-port=0', '--user-data-dir=' + profile,
      '--no-first-run', '--no-default-browser-check', '--disable-gpu', '--no-sandbox',
      '--window-size=1280,800', ...extraArgs, 'about:blank'];
    const child = spawn(process.env.CHROMIUM || 'chromium', args, { stdio: ['ignore', 'ignore', 'pipe'] });
    const url = await new Promise((resolve, reject) => {
      let text = '';
      const timer = setTimeout(() => reject(new Error('chromium did not start:\n' + text)), 60000);
      child.stderr.on('data', (chunk) => {
        text += chunk;
        const m = /DevTools listening on (ws:\/\/\S+)/.exec(text);
        if (m) { clearTimeout(timer); resolve(m[1]); }
      });
      child.on('exit', (code) => { clearTimeout(timer); reject(new Error('chromium exited (' + code + '):\n' + text)); });
    });
    const socket = new WebSocket(url, { perMessageDeflate: false, maxPayload: 256 * 1024 * 1024 });
    await new Promise((resolve, reject) => { socket.once('open', resolve); socket.once('error', reject); });
    return new Browser(child, socket, profile);
  }
  constructor(child, socket, profile) {
    this.child = child;
    this.socket = socket;
    this.profile = profile;
    this.nextId = 1;
    this.pending = new Map();
    this.pages = new Map();
    socket.on('message', (data) => {
      const m = JSON.parse(data);
      if (m.id !== undefined) {
        const p = this.pending.get(m.id);
        this.pending.delete(m.id);
        if (m.error) p.reject(new Error(p.method + ': ' + m.error.message));
        else p.resolve(m.result);
      } else if (m.sessionId && this.pages.has(m.sessionId)) {
        this.pages.get(m.sessionId).event(m.method, m.params);
      }
    });
  }
  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.socket.send(JSON.stringify(message));
    });
  }
  // A new tab: the protocol domains are enabled and `beforeLoad` scripts installed before the
  // page is navigated, so nothing the page does at start-up is missed.
  async open(url, beforeLoad = []) {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, sessionId);
    this.pages.set(sessionId, page);
    await page.send('Runtime.enable');
    await page.send('Log.enable');
    await page.send('Page.enable');
    for (const source of beforeLoad) await page.send('Page.addScriptToEvaluateOnNewDocument', { source });
    const loaded = new Promise((resolve) => page.on('Page.loadEventFired', resolve));
    await page.send('Page.navigate', { url });
    await loaded;
    return page;
  }
  async close() {
    try { await this.send('Browser.close'); } catch (e) { /* already gone */ }
    await new Promise((resolve) => {
      if (this.child.exitCode !== null) return resolve();
      const timer = setTimeout(() => { this.child.kill('SIGKILL'); resolve(); }, 10000);
      this.child.on('exit', () => { clearTimeout(timer); resolve(); });
    });
    this.socket.terminate();
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

function sleep(ms) { return new Promise((resolve) => setTimeout(resolve, ms)); }

module.exports = { Browser, sleep };
