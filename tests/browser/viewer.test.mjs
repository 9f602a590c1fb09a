// The viewer in a real browser: type, see hits, open one, follow a link, and see a gaiji
// image, a picture and a sound source load. TOMESHELF is the program; SCREENSHOT where the
// picture of the page goes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import puppeteer from 'puppeteer-core';

const program = process.env.TOMESHELF ?? '../../build/tools/tomeshelf';
const screenshot = process.env.SCREENSHOT ?? '../../build/viewer.png';

async function serve() {
  const server = spawn(program, ['serve', '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  for await (const chunk of server.stdout) {
    const url = /http:\/\/\S+\//.exec(chunk.toString());
    if (url) return { server, url: url[0] };
  }
  throw new Error('the server exited');
}

test('a person reads the sample book in the viewer', { timeout: 60000 }, async () => {
  const { server, url } = await serve();
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: 'new',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run'],
    defaultViewport: { width: 1000, height: 560 },
  });
  try {
    const page = await browser.newPage();
    await page.goto(url);
    const text = (selector) => page.$eval(selector, (e) => e.textContent);

    // Typing finds hits as the word grows; a spelling the book lacks is retried.
    await page.type('#q', 'cAT');
    await page.waitForFunction(() => document.querySelectorAll('#hits a').length === 1);
    assert.match(await text('#note'), /Found as “CAT” \(upper case\)/);
    assert.match(await text('#hits'), /ねこ【猫】/);

    // Enter opens the hit; its link leads to the dog, whose sound is a WAV.
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('#text').textContent.includes('cat, a small'));
    assert.match(page.url(), /#\/article\?at=2:202/);
    await page.click('#text a.link');
    await page.waitForFunction(() => document.querySelector('#text').textContent.includes('dog'));
    const sound = await page.$eval('#text audio', (a) => a.src);
    const type = await page.evaluate(async (src) => (await fetch(src)).headers.get('content-type'), sound);
    assert.equal(type, 'audio/wav');

    // The star has an unmapped gaiji: an image of its glyph.
    await page.$eval('#q', (q) => { q.value = ''; });
    await page.type('#q', 'star');
    await page.waitForFunction(() => document.querySelector('#hits a')?.textContent.includes('ほし'));
    await page.click('#hits a');
    await page.waitForFunction(() => document.querySelector('#text img.gaiji')?.complete);
    assert.ok(await page.$eval('#text img.gaiji', (img) => img.naturalWidth) > 0);

    // A bookmarked view: words that begin with s, and the sea with its picture.
    await page.evaluate(() => { location.hash = '#/article?at=2:988&q=s&mode=forward'; });
    await page.waitForFunction(() => document.querySelector('#text img.picture')?.complete &&
                                     document.querySelectorAll('#hits a').length === 3);
    assert.ok(await page.$eval('#text img.picture', (img) => img.naturalWidth) > 0);
    await page.screenshot({ path: screenshot });
  } finally {
    await browser.close();
    server.kill();
  }
});
