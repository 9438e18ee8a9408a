// The README's picture of the page: headless Chromium at 1280 x 720, a frame of the show drawn
// through the offline hook under the "click to start" panel.
// Usage: node page_screenshot.js SITE_DIR OUT.png [FRAME at 10 fps]
'use strict';
const fs = require('fs');
const path = require('path');
const { Browser } = require('./cdp.js');
const { serve } = require('./support.js');

(async () => {
  const [siteDir, out, frame = '1750'] = process.argv.slice(2);
  const site = await serve(path.resolve(siteDir));
  const browser = await Browser.launch(['--window-size=1280,720', '--hide-scrollbars']);
  try {
    const page = await browser.open(site.url);
    await page.send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 720, deviceScaleFactor: 1, mobile: false });
    await page.waitFor('k417.state() === "ready"');
    await page.evaluate(`k417.offline(10, ${Number(frame)})`);
    const shot = await page.send('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(out, Buffer.from(shot.data, 'base64'));
  } finally {
    await browser.close();
    await site.close();
  }
})().catch((e) => { console.error(e); process.exit(1); });
