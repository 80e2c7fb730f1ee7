// The browser build in headless Chromium, served by scripts/serve-web.py: the title picture
// and a played game against velkar-sim, the menu bar and a dialog, a setting kept across a
// reload, a game on a phone's touch controls, the picture's place on small and large screens,
// key taps, keys let go when the page loses the keyboard, Escape's question, the display frames
// by ticks, the page as an app (sound, wake lock, manifest, offline), the effects the page
// synthesizes against velkar-sfx's files, the download's size, replays, the score board, and
// the time to the first frame.
// Usage: node page_test.js SITE-DIR VELKAR-SIM VELKAR-SFX [WASM-VELKAR-SIM.JS [VELKAR-BOARD]]
'use strict';
const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

const [siteDir, nativeSim, nativeSfx, wasmSim, board] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'velkar-web-test-'));

// ---- Helpers ----

function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = childProcess.spawn('python3',
      ['-u', path.join(__dirname, '..', '..', 'scripts', 'serve-web.py'), dir, '0'],
      { stdio: ['ignore', 'pipe', 'ignore'] });
    let out = '';
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const match = /port (\d+)/.exec(out);
      if (match) resolve({ server, url: `http://127.0.0.1:${match[1]}/` });
    });
    server.on('exit', (code) => reject(new Error('http.server ended with ' + code)));
  });
}

function sim(args) {
  return childProcess.execFileSync(nativeSim, args, { encoding: 'utf8' });
}

// The red-green-blue pixels of an 8-bit RGB PNG file.
function readPng(file) {
  const bytes = fs.readFileSync(file);
  let at = 8, width = 0, height = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      assert.strictEqual(body[8], 8, 'bit depth');
      assert.strictEqual(body[9], 2, 'colour type RGB');
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * 3;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= 3 ? pixels[y * stride + x - 3] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= 3 && y > 0 ? pixels[(y - 1) * stride + x - 3] : 0;
      let predicted = 0;
      if (filter === 1) predicted = a;
      else if (filter === 2) predicted = b;
      else if (filter === 3) predicted = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + x] = (line[x] + predicted) & 0xff;
    }
  }
  return { width, height, pixels };
}

// The canvas's pixels as red-green-blue bytes.
async function canvasPixels(page) {
  const rgba = await page.evaluate(() => {
    const canvas = document.querySelector('#screen');
    return Array.from(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data);
  });
  const rgb = Buffer.alloc((rgba.length / 4) * 3);
  for (let i = 0, o = 0; i < rgba.length; i += 4) {
    rgb[o++] = rgba[i];
    rgb[o++] = rgba[i + 1];
    rgb[o++] = rgba[i + 2];
  }
  return rgb;
}

const pageErrors = [];

async function openPage(browser, url) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await page.goto(url);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  return page;
}

const state = (page) => page.evaluate(() => velkarTest.state());
const step = (page, n) => page.evaluate((n) => velkarTest.step(n), n);
const menuButton = (page, id) => `#menubar button[data-id="${id}"]`;

// The Game popup's title, then one of its items.
async function openPopup(page, index) {
  await page.click(`#menubar .popup[data-index="${index}"] > button`);
  await page.waitForSelector(`#menubar .popup[data-index="${index}"].open`);
}

// ---- The tests ----

async function titlePicture(page) {
  // Tick k shows the picture of the k-1 frames before it: after 120 ticks the canvas shows the
  // screen after 119 frames, which velkar-sim writes for frame index 118.
  await step(page, 120);
  const png = path.join(work, 'title.png');
  sim(['--frames', '119', '--png', `118:${png}`]);
  const expected = readPng(png);
  assert.strictEqual(expected.width, 240);
  const actual = await canvasPixels(page);
  let differing = 0;
  for (let i = 0; i < actual.length; ++i) if (actual[i] !== expected.pixels[i]) ++differing;
  assert.strictEqual(differing, 0, `${differing} bytes of the title picture differ from velkar-sim's`);
  // Not an empty picture: the title's text is there.
  assert.ok(actual.some((byte) => byte === 255), 'the title picture has no white');
  console.log('title picture: the same 240 x 320 pixels as velkar-sim');
}

// Keys as the player presses them, and the control bits velkar-sim gets for the same frames.
const KEY_BITS = { F1: 0x100, z: 0x10, x: 0x20, c: 0x40, ArrowUp: 0x1, ArrowDown: 0x2,
  ArrowLeft: 0x4, ArrowRight: 0x8 };
const SCRIPT = [
  [0, []], [60, ['F1']], [61, ['z']], [100, ['z', 'ArrowLeft']], [160, ['z', 'ArrowRight', 'ArrowUp']],
  [240, ['x']], [300, ['x', 'ArrowDown']], [330, ['c']], [332, ['z', 'ArrowLeft']], [420, []],
  [440, ['z', 'ArrowRight']], [520, ['z']],
];
const SCRIPT_END = 600;

async function playedGame(page) {
  let held = new Set();
  let input = '';
  for (let i = 0; i < SCRIPT.length; ++i) {
    const [frame, keys] = SCRIPT[i];
    const next = i + 1 < SCRIPT.length ? SCRIPT[i + 1][0] : SCRIPT_END;
    const now = new Set(keys);
    for (const key of held) if (!now.has(key)) await page.keyboard.up(key);
    for (const key of now) if (!held.has(key)) await page.keyboard.down(key);
    held = now;
    input += `${frame} ${keys.reduce((bits, key) => bits | KEY_BITS[key], 0).toString(16)}\n`;
    await step(page, next - frame);
  }
  for (const key of held) await page.keyboard.up(key);
  const script = path.join(work, 'game.txt');
  fs.writeFileSync(script, input);
  const expected = JSON.parse(sim(['--frames', String(SCRIPT_END), '--json', '--input', script]));
  const actual = await state(page);
  assert.ok(actual.GameMode === 4 && actual.Score > 0, 'the game did not start or scored nothing');
  // The settings differ on purpose (the page's were changed and reloaded above, and it takes
  // its language from the browser); everything the game holds must be the same.
  delete expected.settings;
  delete actual.settings;
  assert.deepStrictEqual(actual, expected);
  console.log(`played game: ${SCRIPT_END} frames with keys, the same state as velkar-sim ` +
    `(score ${actual.Score}, screen ${actual.ScreenHash})`);
}

async function menuAndDialog(page) {
  // An open popup holds the game and shows the program's checks and grays.
  await openPopup(page, 0);
  const before = (await state(page)).ModeFrame;
  const during = (await step(page, 30)).ModeFrame;
  assert.strictEqual(during, before, 'the game ran while a menu was open');
  const normal = await page.$eval(menuButton(page, 40011), (b) => [b.getAttribute('aria-checked'), b.textContent]);
  assert.deepStrictEqual(normal, ['true', 'Rank Normal']);
  // Rank Hard, chosen on the title screen, is taken.
  await page.click(menuButton(page, 40012));
  assert.strictEqual((await step(page, 1)).GameRank, 1);
  assert.ok((await step(page, 30)).ModeFrame > before, 'the game stayed held after the menu');

  // Device Configuration: the effect volume moved, then OK.
  await openPopup(page, 1);
  await page.click(menuButton(page, 40082));
  await page.waitForSelector('#device-dialog[open]');
  const caption = await page.$eval('#device-dialog .caption', (e) => e.textContent);
  assert.strictEqual(caption, 'Device Configuration');
  const heldAt = (await state(page)).ModeFrame;
  assert.strictEqual((await step(page, 10)).ModeFrame, heldAt, 'the game ran under the dialog');
  await page.$eval('#device-dialog input[name="volume1"]', (range) => {
    range.value = 40; // position 40 from the top: volume 60
    range.dispatchEvent(new Event('input'));
  });
  const shown = await page.$eval('#device-dialog .slider:nth-child(2) output', (e) => e.textContent);
  assert.strictEqual(shown, '60');
  await page.click('#device-dialog .ok');
  await page.waitForSelector('#device-dialog:not([open])');
  assert.strictEqual((await state(page)).settings.SoundVolume2, 60);

  // Clear Hi-Score asks its question; Cancel keeps the table.
  await openPopup(page, 0);
  await page.click(menuButton(page, 40013));
  await page.waitForSelector('#message-dialog[open]');
  const question = await page.$eval('#message-dialog .text', (e) => e.textContent);
  assert.strictEqual(question, 'Clear Ranking, Are you sure ?');
  await page.click('#message-dialog .cancel');

  // About names the version.
  await openPopup(page, 3);
  await page.click(menuButton(page, 57664));
  await page.waitForSelector('#about-dialog[open]');
  assert.strictEqual(await page.$eval('#about-dialog .version', (e) => e.textContent), '1.05');
  await page.click('#about-dialog .ok');

  // Window: x1, fitted to the page, x2; the picture's box follows, the menu's checks too.
  const boxSize = () => page.$eval('#screen-box', (b) => [b.offsetWidth, b.offsetHeight]);
  await openPopup(page, 2);
  await page.click(menuButton(page, 40075));
  assert.deepStrictEqual(await boxSize(), [240, 320]);
  // The clicked title has let go of the focus: Enter does not open its menu again.
  await page.keyboard.press('Enter');
  assert.strictEqual(await page.$('#menubar .popup.open'), null, 'Enter opened a menu again');
  await openPopup(page, 2);
  await page.click(menuButton(page, 'fit'));
  const [fitWidth, fitHeight] = await boxSize();
  // The default 800 x 600 viewport fits a picture taller than x1 and shorter than x2, 3 : 4.
  assert.ok(fitHeight > 320 && fitHeight < 600 && Math.abs(fitWidth * 4 - fitHeight * 3) < 4,
    `fitted box ${fitWidth} x ${fitHeight}`);
  await openPopup(page, 2);
  const checks = await page.$$eval('#menubar .popup[data-index="2"] button[data-id]',
    (list) => list.map((b) => b.getAttribute('aria-checked')));
  assert.deepStrictEqual(checks, ['false', 'false', 'false', 'true', 'false', 'false', 'false'],
    'x1, x2, best, fit, full screen, touch controls, exact speed');
  // x2 does not fit 800 x 600: it is made as small as the fitted picture.
  await page.click(menuButton(page, 40076));
  assert.deepStrictEqual(await boxSize(), [fitWidth, fitHeight]);

  // The game's keys are kept from the browser (F1 help, F12 tools, arrows scrolling, Space
  // paging); other keys are left to it.
  await page.evaluate(() => {
    window.keysSeen = [];
    window.addEventListener('keydown', (e) => keysSeen.push([e.key, e.defaultPrevented]));
  });
  for (const key of ['F2', 'ArrowDown', 'Space', 'Control', 'a', 'Tab']) await page.keyboard.press(key);
  assert.deepStrictEqual(await page.evaluate(() => keysSeen), [['F2', true], ['ArrowDown', true],
    [' ', true], ['Control', true], ['a', false], ['Tab', false]]);

  // Full screen through the button, checked in the Window menu; Alt+Enter leaves it.
  await page.click('#fullscreen-button');
  await page.waitForFunction('document.fullscreenElement !== null', { timeout: 5000 });
  // The menu bar is not on the full screen; the program is asked what its Window popup shows.
  const windowItems = await page.evaluate(() => {
    const items = Module.ccall('web_menu_open', 'string', ['number'], [2]);
    Module.ccall('web_menu_close', null, [], []);
    return items;
  });
  // (x2 was made smaller to fit 800 x 600, so neither size is checked.)
  assert.strictEqual(windowItems, '40075,0,0;40076,0,0;40036,1,1;', 'full screen: checked, sizes gray');
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
  await page.waitForFunction('document.fullscreenElement === null', { timeout: 5000 });

  // The menus from the keyboard: Alt+F opens Game on its first item, the arrows move within it
  // (round the end) and on to the next menu, Escape closes.
  const focused = () => page.evaluate(() => document.activeElement.dataset.id);
  await page.keyboard.down('Alt');
  await page.keyboard.press('f');
  await page.keyboard.up('Alt');
  await page.waitForSelector('#menubar .popup[data-index="0"].open');
  assert.strictEqual(await focused(), '40007');
  await page.keyboard.press('ArrowDown');
  assert.strictEqual(await focused(), '40013');
  await page.keyboard.press('ArrowUp');
  await page.keyboard.press('ArrowUp');
  assert.strictEqual(await focused(), '57665');
  await page.keyboard.press('ArrowRight');
  await page.waitForSelector('#menubar .popup[data-index="1"].open');
  assert.strictEqual(await focused(), '40082');
  await page.keyboard.press('Escape');
  assert.strictEqual(await page.$('#menubar .popup.open'), null, 'Escape left a menu open');
  // Roles: the picture is an image; commands, choices and switches are told apart.
  const roles = await page.evaluate(() => [document.querySelector('#screen').getAttribute('role'),
    ...[57664, 40011, 40045].map((id) => document.querySelector(`#menubar button[data-id="${id}"]`)
      .getAttribute('role'))]);
  assert.deepStrictEqual(roles, ['img', 'menuitem', 'menuitemradio', 'menuitemcheckbox']);
  console.log('menus and dialogs: hold, checks, Rank Hard, Device Configuration, Clear Hi-Score, ' +
    'About, picture sizes, full screen, keys kept from the browser, menus from the keyboard, roles');
}

async function settingsKept(browser, url, page) {
  // The page's own size setting: fitted to the page.
  await openPopup(page, 2);
  await page.click(menuButton(page, 'fit'));
  const fitted = await page.$eval('#screen-box', (b) => [b.offsetWidth, b.offsetHeight]);
  // Japanese chosen for the menus, which take it at the next start, as in the other programs.
  await openPopup(page, 0);
  await page.hover('#menubar .submenu > button');
  await page.click(menuButton(page, 40085));
  assert.strictEqual((await state(page)).settings.Language, 1);
  // Written to IndexedDB as soon as they changed.
  await page.waitForFunction('velkarTest.settingsStored()', { timeout: 10000 });
  await page.close();
  const again = await openPage(browser, url);
  const settings = (await state(again)).settings;
  assert.strictEqual(settings.GameRank, 1, 'Rank Hard was not kept');
  assert.strictEqual(settings.SoundVolume2, 60, 'the effect volume was not kept');
  const titles = await again.$$eval('#menubar .popup > button', (list) => list.map((b) => b.textContent));
  assert.deepStrictEqual(titles, ['ゲーム(F)', 'ツール(T)', 'ウインドウ(W)', 'リプレイ(R)', 'ヘルプ(H)']);
  await openPopup(again, 0);
  const hard = await again.$eval(menuButton(again, 40012), (b) => b.getAttribute('aria-checked'));
  assert.strictEqual(hard, 'true');
  // Back to Normal for the game that follows.
  await again.click(menuButton(again, 40011));
  assert.strictEqual((await state(again)).GameRank, 0);
  assert.strictEqual((await state(again)).frame, 0);
  assert.deepStrictEqual(await again.$eval('#screen-box', (b) => [b.offsetWidth, b.offsetHeight]),
    fitted, 'the fitted picture size was not kept');
  console.log('settings: Rank Hard, the effect volume, the fitted size and Japanese menus found ' +
    'again after a reload');
  return again;
}

// A finished game asks for a name; the answer goes into the hi-scores as velkar-sim puts it
// when given the same name, and is still there after a reload.
async function nameEntry(browser, url, page) {
  let ini = '; kept by the game\n[RankNormal]\n';
  for (let i = 1; i <= 10; ++i) ini += `SCORE_${i}=${11 - i}\nSTAGE_${i}=1\nNAME_${i}=OLD\n`;
  await page.evaluate((text) => velkarTest.storeSettings(text), ini);
  await page.close();
  page = await openPage(browser, url);
  const settingsFile = path.join(work, 'velkar.ini');
  fs.writeFileSync(settingsFile, ini);

  const frames = 4000;
  await page.keyboard.down('F1');
  await page.keyboard.down('z');
  await step(page, 1);
  await page.keyboard.up('F1');
  const asked = await page.evaluate((n) => velkarTest.stepUntilNameEntry(n), frames - 1);
  assert.ok(asked > 0, 'no Name Entry dialog within the game');
  const caption = await page.$eval('#name-dialog .caption', (e) => e.textContent);
  // Letters the ranking cannot draw are refused with the reason; the dialog stays open.
  await page.type('#name-dialog input', 'V\u00c9LK\u00c4R');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#name-dialog .error:not([hidden])');
  assert.ok(await page.$eval('#name-dialog', (d) => d.open), 'a name with É and Ä was taken');
  assert.ok(/ASCII/.test(await page.$eval('#name-dialog .error', (e) => e.textContent)));
  await page.$eval('#name-dialog input', (input) => { input.value = ''; });
  await page.type('#name-dialog input', 'ZEPHYRINA_LONGNAME');
  // The dialog's close event, which hands the name to the game, comes in a task after Enter:
  // a listener added after the page's own runs once the page has handed it over.
  await page.evaluate(() => {
    window.nameHandedOver = false;
    document.querySelector('#name-dialog').addEventListener('close', () => { nameHandedOver = true; },
      { once: true });
  });
  await page.keyboard.press('Enter');
  await page.waitForFunction('nameHandedOver', { timeout: 10000 });
  // The frame after Enter puts the name in the table, and it is written at once: the browser's
  // storage, which a reload reads, holds it as soon as that write is done. (Read from this page:
  // another tab would hide this one, and a hidden page writes its settings anyway.)
  await step(page, 1);
  await page.waitForFunction('velkarTest.settingsStored()', { timeout: 10000 });
  const stored = await page.evaluate(() => new Promise((resolve, reject) => {
    const open = indexedDB.open('/settings');
    open.onerror = () => reject(open.error);
    open.onsuccess = () => {
      const get = open.result.transaction('FILE_DATA').objectStore('FILE_DATA').get('/settings/velkar.ini');
      get.onerror = () => reject(get.error);
      get.onsuccess = () => {
        open.result.close();
        resolve(get.result ? new TextDecoder().decode(get.result.contents) : '');
      };
    };
  }));
  assert.ok(/^NAME_1=ZEPHYRINA\r?$/m.test(stored), `the name was not written to the storage at once:\n${stored}`);
  await step(page, frames - 2 - asked);
  await page.keyboard.up('z');
  const actual = await state(page);
  const script = path.join(work, 'name.txt');
  fs.writeFileSync(script, '0 110\n1 10\n');
  const expected = JSON.parse(sim(['--frames', String(frames), '--json', '--input', script,
    '--settings', settingsFile, '--name', 'ZEPHYRINA_LONGNAME']));
  delete expected.settings.Language;
  delete actual.settings.Language;
  assert.deepStrictEqual(actual, expected);
  assert.strictEqual(actual.ranking.normal[0].name, 'ZEPHYRINA');

  // The new table was written to the browser's storage while the game went on.
  await page.waitForFunction('velkarTest.settingsStored()', { timeout: 10000 });
  await page.close();
  page = await openPage(browser, url);
  assert.strictEqual((await state(page)).ranking.normal[0].name, 'ZEPHYRINA');
  console.log(`name entry: "${caption}" after ${asked + 1} frames; the same hi-scores as ` +
    'velkar-sim, kept after a reload');
  return page;
}

// The first gamepad is the joystick. A pad of the "standard" mapping plays by its layout (south
// shot, east bomb, west laser, Start, the stick) as velkar-sim's control bits; the numbered
// buttons of Device Configuration are for other gamepads. The browser's gamepad list is
// replaced by one pad the test moves, pulls out and plugs in again; the page runs in a fresh
// profile (default settings).
async function gamepad(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await page.evaluateOnNewDocument(() => {
    const button = () => ({ pressed: false, touched: false, value: 0 });
    window.testPad = { id: 'test pad', index: 0, connected: true, mapping: 'standard',
      timestamp: 1, axes: [0, 0, 0, 0], buttons: Array.from({ length: 16 }, button) };
    Object.defineProperty(Navigator.prototype, 'getGamepads',
      { configurable: true, value: () => [window.testPad, null, null, null] });
  });
  await page.goto(url);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  const pad = (buttons, x, y) => page.evaluate((buttons, x, y) => {
    testPad.buttons.forEach((b, i) => { b.pressed = buttons.includes(i); b.value = b.pressed ? 1 : 0; });
    testPad.axes[0] = x;
    testPad.axes[1] = y;
    testPad.timestamp += 1;
  }, buttons, x, y);

  // Button 4 (index 3) becomes Start for a gamepad of no known layout.
  await openPopup(page, 1);
  await page.click(menuButton(page, 40082));
  await page.waitForSelector('#device-dialog[open]');
  assert.strictEqual(await page.$eval('#device-dialog .grid output', (e) => e.textContent),
    await page.evaluate(() => JSON.parse(Module.ccall('web_texts', 'string', [], [])).connected));
  await page.select('#devcfg-button-3', '4');
  await page.click('#device-dialog .ok');
  await page.waitForSelector('#device-dialog:not([open])');
  assert.strictEqual((await state(page)).settings.JoyButton_START, 3);

  // Start (index 9), then south (shot) with the stick left, then right and a little up (inside
  // the dead zone: no up), then east (bomb), then west (laser) with the stick down. North (index
  // 3, Start of the numbered buttons) does nothing on this pad.
  const moves = [[0, [9], 0, 0], [1, [0, 3], -1, 0], [90, [0], 0.9, -0.2], [200, [1], 0, 0],
    [202, [2], 0, 0.8], [300, [], 0, 0]];
  const bits = ['100', '14', '18', '40', '22', '0'];
  const end = 360;
  let input = '';
  for (let i = 0; i < moves.length; ++i) {
    const [frame, buttons, x, y] = moves[i];
    await pad(buttons, x, y);
    await step(page, (i + 1 < moves.length ? moves[i + 1][0] : end) - frame);
    input += `${frame} ${bits[i]}\n`;
  }
  const script = path.join(work, 'pad.txt');
  fs.writeFileSync(script, input);
  const expected = JSON.parse(sim(['--frames', String(end), '--json', '--input', script]));
  const actual = await state(page);
  assert.strictEqual(actual.GameMode, 4, 'the gamepad did not start the game');
  delete expected.settings;
  delete actual.settings;
  assert.deepStrictEqual(actual, expected);

  // Pulled out in play: the game pauses (as the pause key does) and stays paused while it is
  // away. Plugged in again, it is taken at once and its Back button ends the pause.
  const running = () => page.evaluate(() => Module.ccall('web_game_running', 'number', [], []));
  assert.strictEqual(await running(), 1);
  await page.evaluate(() => {
    window.savedPad = window.testPad;
    window.testPad = null;
    window.dispatchEvent(new Event('gamepaddisconnected'));
  });
  await step(page, 3);
  assert.strictEqual(await running(), 0, 'a pad pulled out in play did not pause the game');
  const paused = (await state(page)).frame;
  await step(page, 5);
  assert.strictEqual((await state(page)).frame, paused, 'the game ran on without its pad');
  await page.evaluate(() => {
    window.testPad = window.savedPad;
    window.dispatchEvent(new Event('gamepadconnected'));
  });
  await step(page, 1);
  await pad([8], 0, 0);
  await step(page, 1);
  await pad([], 0, 0);
  await step(page, 2);
  assert.strictEqual(await running(), 1, 'Back on the pad plugged in again did not end the pause');
  await context.close();
  console.log(`gamepad: standard layout, ${end} frames of stick and buttons, the same state as ` +
    'velkar-sim; pulled out in play: paused; plugged in again: Back ends the pause');
}

// The shot moves from Z to A in the Controls dialog (the laser's X is refused on the way): Z no
// longer shoots, A does, and after a reload A still does. A fresh profile (default settings).
async function remapKeys(browser, url) {
  const context = await browser.createBrowserContext();
  let page = await context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  const open = async () => {
    await page.goto(url);
    await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  };
  const shoots = async (key) => {
    await page.keyboard.down(key);
    const held = await page.evaluate(() => Module.ccall('web_held_controls', 'number', [], []));
    await page.keyboard.up(key);
    await step(page, 1); // a key let go in the tick it was pressed is let go after one tick
    return (held & 0x10) !== 0;
  };
  await open();
  assert.ok(await shoots('z') && !(await shoots('a')), 'Z did not shoot at first');

  await openPopup(page, 1);
  await page.click(menuButton(page, 'controls'));
  await page.waitForSelector('#controls-dialog[open]');
  const shotKey = '#controls-dialog button.key[data-action="4"]';
  await page.click(shotKey);
  await page.keyboard.press('x');
  const refusal = await page.$eval('#controls-dialog .message', (e) => e.textContent);
  assert.ok(refusal.includes('Laser'), `the laser's key was not refused: "${refusal}"`);
  assert.strictEqual(await page.$eval(shotKey, (b) => b.textContent), 'Z');
  await page.click(shotKey);
  await page.keyboard.press('a');
  assert.strictEqual(await page.$eval(shotKey, (b) => b.textContent), 'A');
  await page.click('#controls-dialog .ok');
  // The dialog's close event (which puts the keys in use) follows its closing.
  await page.waitForFunction(() => Module.ccall('web_action_key', 'number', ['number'], [4]) === 65,
    { timeout: 10000 });
  assert.ok(!(await shoots('z')), 'Z still shoots');
  assert.ok(await shoots('a'), 'A does not shoot');

  await page.waitForFunction('velkarTest.settingsStored()', { timeout: 10000 });
  await page.close();
  page = await context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await open();
  assert.ok(!(await shoots('z')), 'Z shoots again after a reload');
  assert.ok(await shoots('a'), 'A was not kept');
  await context.close();
  console.log('controls: the shot moved from Z to A (X refused, the laser\'s), kept after a reload');
}

// A fresh profile's page (default settings) at a given viewport, touch screen or not.
async function freshPage(browser, url, viewport) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await page.setViewport(viewport);
  await page.goto(url);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  return { context, page };
}

const rectOf = (page, selector) => page.$eval(selector, (e) => {
  const r = e.getBoundingClientRect();
  return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height };
});

// The whole picture on the screen at phone, tablet and desktop sizes, at the largest whole
// number of device pixels per game pixel that fits (exactly fitted where not even one does),
// the page no wider than the screen, and the touch controls beside (landscape) or below
// (portrait) the picture, never over it.
const LAYOUTS = [
  { width: 320, height: 480, touch: true, picture: 'fitted' },
  { width: 390, height: 844, scale: 3, touch: true, picture: 320 },
  { width: 844, height: 390, touch: true, picture: 240 },
  { width: 800, height: 600, touch: false, picture: 240 },
  { width: 1920, height: 1080, touch: false, picture: 720 },
];

// Where the picture and the touch controls are on a page of the given size; returns the
// picture's box.
async function checkPlace(page, name, width, height, touch) {
  const screen = await rectOf(page, '#screen');
  assert.ok(screen.left >= 0 && screen.top >= 0 && screen.right <= width && screen.bottom <= height,
    `${name}: the picture ${JSON.stringify(screen)} leaves the screen`);
  assert.ok(Math.abs(screen.width * 4 - screen.height * 3) <= 4, `${name}: not 3 : 4`);
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  assert.ok(overflow <= 0, `${name}: the page is ${overflow} px wider than the screen`);
  const controls = await page.$eval('#touch-buttons', (e) => !e.hidden);
  assert.strictEqual(controls, touch, `${name}: touch controls shown`);
  if (!touch) {
    // Hidden controls take no room (no box at all, so no screen reader finds their buttons):
    // the picture stands in the middle of the page.
    const boxes = await page.$$eval('.touch-panel, .touch-panel button', (list) =>
      list.reduce((sum, e) => sum + e.getClientRects().length, 0));
    assert.strictEqual(boxes, 0, `${name}: hidden touch controls still have boxes`);
    const off = (screen.left + screen.right) / 2 - width / 2;
    assert.ok(Math.abs(off) <= 0.5, `${name}: the picture is ${off} px off the middle`);
    return screen;
  }
  const stick = await rectOf(page, '#touch-stick');
  const buttons = await rectOf(page, '#touch-buttons');
  const inside = (r, box) => r.left >= box.left && r.top >= box.top && r.right <= box.right &&
    r.bottom <= box.bottom;
  // Every control whole inside its panel, at least 44 px each way for a finger.
  for (const key of ['shot', 'laser', 'bomb', 'start', 'pause']) {
    const r = await rectOf(page, `#touch-buttons button[data-key="${key}"]`);
    assert.ok(inside(r, buttons) && r.width >= 44 && r.height >= 44,
      `${name}: the ${key} button ${JSON.stringify(r)} is not whole in its panel`);
  }
  assert.ok(inside(await rectOf(page, '.stick-ring'), stick), `${name}: the stick is not whole in its panel`);
  for (const [what, r] of [['stick', stick], ['buttons', buttons]]) {
    assert.ok(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height,
      `${name}: the ${what} leave the screen: ${JSON.stringify(r)}`);
    const below = r.top >= screen.bottom, left = r.right <= screen.left, right = r.left >= screen.right;
    if (width > height) assert.ok(what === 'stick' ? left : right, `${name}: the ${what} are not beside the picture`);
    else assert.ok(below, `${name}: the ${what} are not below the picture`);
  }
  return screen;
}

async function layouts(browser, url) {
  const seen = [];
  for (const layout of LAYOUTS) {
    const scale = layout.scale || 1;
    const { context, page } = await freshPage(browser, url, { width: layout.width,
      height: layout.height, deviceScaleFactor: scale, hasTouch: layout.touch, isMobile: layout.touch });
    const name = `${layout.width} x ${layout.height} at ${scale}`;
    const screen = await checkPlace(page, name, layout.width, layout.height, layout.touch);
    if (layout.picture === 'fitted') {
      assert.ok(screen.width < 240 && screen.width > 160, `${name}: ${screen.width}`);
    } else {
      assert.ok(Math.abs(screen.width - layout.picture) < 0.05, `${name}: picture width ${screen.width}`);
      // Whole device pixels per game pixel, from a whole device pixel, and one more would not
      // fit above the controls (or the page's bottom).
      const perPixel = (screen.width * scale) / 240;
      const edges = [perPixel, (screen.height * scale) / 320, screen.left * scale, screen.top * scale];
      assert.ok(edges.every((v) => Math.abs(v - Math.round(v)) < 0.05), `${name}: ${edges} not whole`);
      const bottom = layout.touch && layout.height > layout.width
        ? (await rectOf(page, '#touch-buttons')).top : layout.height;
      const next = Math.round(perPixel) + 1;
      assert.ok((next * 240) / scale > layout.width - 16 || screen.top + (next * 320) / scale > bottom - 8,
        `${name}: ${next} device pixels per game pixel would fit`);
    }
    seen.push(`${name} ${screen.width.toFixed(1)}x${screen.height.toFixed(1)}`);
    if (layout.touch) {
      // The menu bar on one row, its titles and the items of a menu at least 44 px tall.
      const titles = await page.$$eval('#menubar > .popup > button, #fullscreen-button', (list) =>
        list.map((b) => { const r = b.getBoundingClientRect(); return [r.top, r.height, r.right]; }));
      assert.ok(titles.every(([top, height, right]) => top === titles[0][0] && height >= 44 &&
        right <= layout.width), `${name}: menu bar ${JSON.stringify(titles)}`);
      await openPopup(page, 2);
      const rows = await page.$$eval('#menubar .popup.open > .items > li > button',
        (list) => list.map((b) => b.getBoundingClientRect().height));
      assert.ok(rows.length > 3 && rows.every((h) => h >= 44), `${name}: menu rows ${rows}`);
      await page.click('#menubar .popup.open > button');
    }
    if (layout.width === 800) {
      // Touch controls asked for with the mouse, kept after a reload.
      await openPopup(page, 2);
      await page.click(menuButton(page, 'touch'));
      await checkPlace(page, name + ' with touch controls', layout.width, layout.height, true);
      await page.waitForFunction('velkarTest.settingsStored()', { timeout: 10000 });
      await page.reload();
      await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
      await checkPlace(page, name + ' reloaded', layout.width, layout.height, true);
    }
    await context.close();
  }
  console.log(`layout: the whole picture on screen, controls beside or below: ${seen.join(', ')}; ` +
    'touch controls on request, kept');
}

// A game on a phone's touch controls: a tap on Start shorter than one frame starts it, a finger
// on Shot and one on the stick together move and shoot; the state is velkar-sim's for the
// same control bits.
async function touchGame(browser, url) {
  const { context, page } = await freshPage(browser, url,
    { width: 390, height: 844, hasTouch: true, isMobile: true });
  const cdp = await page.createCDPSession();
  const fingers = new Map(); // id: [x, y]
  const send = (type) => cdp.send('Input.dispatchTouchEvent', { type,
    touchPoints: [...fingers].map(([id, [x, y]]) => ({ id, x, y })) });
  const centre = async (selector) => {
    const r = await rectOf(page, selector);
    return [r.left + r.width / 2, r.top + r.height / 2, r.width / 2];
  };
  const down = async (id, x, y) => { fingers.set(id, [x, y]); await send('touchStart'); };
  const move = async (id, x, y) => { fingers.set(id, [x, y]); await send('touchMove'); };
  const up = async (id) => { fingers.delete(id); await send('touchEnd'); };
  const button = (key) => centre(`#touch-buttons button[data-key="${key}"]`);
  const [sx, sy, radius] = await centre('.stick-ring');
  const SHOT = 1, STICK = 2, OTHER = 3;

  const start = await button('start');
  await down(OTHER, start[0], start[1]);
  await up(OTHER); // within one frame
  await step(page, 1);
  const shot = await button('shot');
  await down(SHOT, shot[0], shot[1]);
  await step(page, 39);
  const x0 = (await state(page)).PlayerX;
  await down(STICK, sx - radius * 0.8, sy); // left
  await step(page, 60);
  const x1 = (await state(page)).PlayerX;
  await move(STICK, sx + radius * 0.7, sy - radius * 0.7); // right and up
  await step(page, 60);
  await up(STICK);
  await up(SHOT);
  const bomb = await button('bomb');
  await down(OTHER, bomb[0], bomb[1]);
  await up(OTHER);
  await step(page, 40);
  const laser = await button('laser');
  await down(SHOT, laser[0], laser[1]);
  await down(STICK, sx, sy + radius * 0.9); // down
  await step(page, 60);
  await up(STICK);
  await up(SHOT);
  await step(page, 40);
  await down(SHOT, shot[0], shot[1]);
  await step(page, 300);
  await up(SHOT);
  const script = path.join(work, 'touch.txt');
  fs.writeFileSync(script, '0 100\n1 10\n40 14\n100 19\n160 40\n161 0\n200 22\n260 0\n300 10\n');
  const expected = JSON.parse(sim(['--frames', '600', '--json', '--input', script]));
  const actual = await state(page);
  assert.strictEqual(actual.GameMode, 4, 'the tap on Start did not start a game');
  assert.ok(x1 < x0, 'the stick did not move the ship left');
  assert.ok(actual.Score > 0, 'the shots hit nothing');
  delete expected.settings;
  delete actual.settings;
  assert.deepStrictEqual(actual, expected);
  await context.close();
  console.log(`touch: a game started by a tap, moved and shot with two fingers, the same state ` +
    `as velkar-sim (ship x ${x0} -> ${x1}, score ${actual.Score})`);
}

// A key pressed and let go between two ticks counts for one frame, as a touch control's tap
// does: F1 so tapped starts a game, C so tapped drops a bomb, as velkar-sim's control bits for
// one frame do. A key held when the window loses the keyboard, or the page is hidden, is let
// go: its key-up goes elsewhere.
async function keyTapsAndRelease(browser, url) {
  const { context, page } = await freshPage(browser, url, { width: 800, height: 600 });
  await page.keyboard.press('F1');
  await step(page, 61);
  await page.keyboard.press('c');
  await step(page, 2);
  const script = path.join(work, 'taps.txt');
  fs.writeFileSync(script, '0 100\n1 0\n61 40\n62 0\n');
  const expected = JSON.parse(sim(['--frames', '63', '--json', '--input', script]));
  const tapped = await state(page);
  assert.deepStrictEqual([tapped.GameMode, tapped.Bombs], [4, 2], 'a tap between two ticks was lost');
  delete expected.settings;
  delete tapped.settings;
  assert.deepStrictEqual(tapped, expected);
  const losses = [
    () => window.dispatchEvent(new Event('blur')),
    () => {
      Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => 'hidden' });
      document.dispatchEvent(new Event('visibilitychange'));
      delete document.visibilityState;
    },
  ];
  for (const loss of losses) {
    await page.keyboard.down('ArrowRight');
    const before = (await state(page)).PlayerX;
    const held = (await step(page, 10)).PlayerX;
    assert.ok(held > before, 'ArrowRight did not move the ship');
    await page.evaluate(loss);
    await step(page, 1);
    const after = (await state(page)).PlayerX;
    assert.strictEqual((await step(page, 20)).PlayerX, after, 'the ship moves on after: ' + loss);
    await page.keyboard.up('ArrowRight');
  }
  await context.close();
  console.log('keys: taps between two ticks count for one frame (the state of velkar-sim); let go ' +
    'when the window loses the keyboard and when the page is hidden');
}

// A browser in Japanese: the Name Entry dialog in Japanese, also after Automatic is chosen in
// the session, and its refusal of a letter the ranking cannot draw in Japanese too.
async function japaneseNameEntry(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await page.evaluateOnNewDocument(() =>
    Object.defineProperty(Navigator.prototype, 'language', { configurable: true, get: () => 'ja-JP' }));
  await page.goto(url);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  await openPopup(page, 0);
  await page.hover('#menubar .submenu > button');
  await page.click(menuButton(page, 40083)); // Automatic
  // The program asks for a name as at the end of a game.
  await page.evaluate(() => velkarUi.askName());
  await page.waitForSelector('#name-dialog[open]');
  const texts = await page.$eval('#name-dialog', (d) =>
    [d.querySelector('.caption').textContent, d.querySelector('.prompt').textContent]);
  assert.deepStrictEqual(texts, ['名前の入力', '名前を入力してください (9文字以内、英語のみ)']);
  await page.type('#name-dialog input', '名前');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#name-dialog .error:not([hidden])');
  assert.ok(/^ランキングに表示できるのは/.test(await page.$eval('#name-dialog .error', (e) => e.textContent)));
  await context.close();
  console.log('Japanese Name Entry: caption and prompt in Japanese after Automatic, letters refused in Japanese');
}

// Escape asks before it ends the session; the notice then shows over the picture.
async function escapeAsks(browser, url) {
  const { context, page } = await freshPage(browser, url, { width: 800, height: 600 });
  await page.keyboard.press('Escape');
  await page.waitForSelector('#message-dialog[open]');
  const question = await page.$eval('#message-dialog .text', (e) => e.textContent);
  assert.ok(/End the game\?/.test(question), question);
  const held = (await state(page)).ModeFrame;
  assert.strictEqual((await step(page, 10)).ModeFrame, held, 'the game ran under the question');
  // The dialog's close event, which lets the game go, comes in a task of its own after the
  // click: the game is stepped until it moves, within a deadline.
  await page.click('#message-dialog .cancel');
  await page.waitForFunction((at) => velkarTest.step(1).ModeFrame > at, { timeout: 10000 }, held)
    .catch(() => assert.fail('Cancel did not let the game go on'));
  assert.ok(await page.$eval('#notice', (e) => e.hidden), 'Cancel ended the session');
  await page.keyboard.press('Escape');
  await page.waitForSelector('#message-dialog[open]');
  await page.click('#message-dialog .ok');
  await page.waitForSelector('#notice:not([hidden])');
  const notice = await rectOf(page, '#notice');
  const screen = await rectOf(page, '#screen');
  assert.ok(notice.top >= screen.top && notice.bottom <= screen.bottom && notice.left >= screen.left &&
    notice.right <= screen.right, 'the notice is not over the picture');
  await context.close();
  console.log('Escape: asks first; Cancel plays on, OK ends with the notice over the picture');
}

// The page on its own clock, driven by the display's frames: by default one tick per display
// frame on this 60 Hz display (frames with two ticks only where the browser dropped a frame);
// with Exact Speed chosen in the Window menu, 62.5 ticks a second (and the choice kept). The
// frames are counted for some 5 seconds each, waiting for conditions with deadlines.
async function displayFrames(browser, url) {
  const { context, page } = await freshPage(browser, url, { width: 800, height: 600 });
  const count = async () => {
    await page.evaluate(() => {
      clock.framesByTicks.fill(0);
      clock.lateFrames = 0;
      window.countFrom = performance.now();
    });
    await page.waitForFunction(() => clock.framesByTicks.reduce((a, b) => a + b) >= 300, { timeout: 30000 });
    return page.evaluate(() => {
      const seconds = (performance.now() - countFrom) / 1000;
      const byTicks = [...clock.framesByTicks];
      const ticks = byTicks.reduce((sum, n, k) => sum + n * k, 0);
      return { byTicks, perSecond: ticks / seconds, framesPerTick: clock.framesPerTick, period: clock.period,
        late: clock.lateFrames };
    });
  };
  await page.waitForFunction(() => clock.period > 0, { timeout: 30000 });
  const smooth = await count();
  assert.strictEqual(smooth.framesPerTick, 1, `the clock did not lock onto the display: ${JSON.stringify(smooth)}`);
  const doubled = (r) => r.byTicks[2] + r.byTicks[3] + r.byTicks[4];
  assert.ok(doubled(smooth) <= smooth.late, `frames on time ran two ticks: ${JSON.stringify(smooth)}`);
  assert.ok(Math.abs(smooth.perSecond - 1000 / smooth.period) < 0.15 * 60, JSON.stringify(smooth));
  await openPopup(page, 2);
  await page.click(menuButton(page, 'exact'));
  const exact = await count();
  assert.ok(Math.abs(exact.perSecond - 62.5) < 0.15 * 62.5, JSON.stringify(exact));
  const kept = await page.evaluate(() => FS.readFile('/settings/velkar-page.ini', { encoding: 'utf8' }));
  assert.ok(kept.includes('Speed=exact\n'), kept);
  await context.close();
  const share = (r) => `${doubled(r)} of ${r.byTicks.reduce((a, b) => a + b)}`;
  console.log(`measure: display frames (period ${smooth.period.toFixed(2)} ms) with two ticks or more: ` +
    `${share(smooth)} by default (${smooth.late} frames came late; ${smooth.perSecond.toFixed(1)} ` +
    `ticks/s), with Exact Speed ${share(exact)} (${exact.perSecond.toFixed(1)} ticks/s); frames ` +
    `by ticks 0-4: default ${smooth.byTicks}, exact ${exact.byTicks}`);
}

// The page as an app, from a server of its own (a copy of the site, changed below): the sound
// starts with the first key (no AudioContext before it), the screen is kept awake while a game
// runs, the browser finds the page installable with its manifest, a new version of the page
// waits while the game runs on (never reloaded), and the service worker serves the page (and
// it plays) once the server has stopped.
async function installedApp(browser) {
  const copy = path.join(work, 'site-app');
  fs.cpSync(siteDir, copy, { recursive: true });
  const { server, url } = await serve(copy);
  let page = null;
  try {
    page = await browser.newPage();
    page.on('pageerror', (error) => pageErrors.push(error.message));
    await page.goto(url + 'index.html');
    await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
    assert.strictEqual(await page.evaluate(() => audio.context), null, 'an AudioContext before any gesture');
    await page.keyboard.press('F1');
    const sound = await page.evaluate(() => [audio.context.state, audio.voices.size,
      [...audio.voices.values()].every((voice) => voice.buffer !== null)]);
    assert.ok(sound[0] === 'running' && sound[1] >= 6 && sound[2], `the sound after the first key: ${sound}`);
    await page.waitForFunction(() => wake.lock !== null && !wake.lock.released, { timeout: 10000 })
      .catch(() => assert.fail('no wake lock while a game runs'));
    const cdp = await page.createCDPSession();
    const manifest = await cdp.send('Page.getAppManifest');
    assert.deepStrictEqual(manifest.errors, []);
    const app = JSON.parse(manifest.data);
    assert.deepStrictEqual([app.display, app.orientation, app.icons.map((icon) => icon.sizes)],
      ['standalone', 'portrait', ['192x192', '512x512']]);
    assert.deepStrictEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    // Loaded again, the page is the service worker's; then a new version comes out.
    await page.reload();
    await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'not controlled');
    await page.evaluate(() => { window.stillThisPage = true; });
    for (const name of ['velkar_sw.js.gz', 'velkar_sw.js.br']) fs.rmSync(path.join(copy, name), { force: true });
    fs.appendFileSync(path.join(copy, 'velkar_sw.js'), '// the next version\n');
    await page.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
    await page.waitForFunction(() => navigator.serviceWorker.getRegistration().then((r) => r.waiting !== null),
      { timeout: 20000 }).catch(() => assert.fail('the new version does not wait'));
    const ticking = await page.evaluate(() => clock.framesByTicks[1]);
    await page.waitForFunction((at) => window.stillThisPage === true && clock.framesByTicks[1] > at + 30,
      { timeout: 10000 }, ticking).catch(() => assert.fail('the running page was reloaded or stopped'));
    const stopped = new Promise((resolve) => server.once('exit', resolve));
    server.kill();
    await stopped;
    await page.reload();
    await page.waitForFunction('window.velkarFirstFrameMs !== undefined', { timeout: 30000 });
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'no service worker');
    const frames = await page.evaluate(() => clock.framesByTicks.reduce((a, b) => a + b));
    await page.waitForFunction((at) => clock.framesByTicks.reduce((a, b) => a + b) > at + 30,
      { timeout: 10000 }, frames);
    console.log('app: sound from the first key, the screen kept awake in a game, installable, ' +
      'a new version waiting while the game runs on, served and playing with the server stopped');
  } finally {
    if (page) await page.close();
    server.kill();
  }
}

// The effects the page synthesizes at start-up are byte for byte the files velkar-sfx writes.
async function effects(page) {
  const dir = path.join(work, 'Wave');
  fs.mkdirSync(dir);
  childProcess.execFileSync(nativeSfx, [dir]);
  const names = fs.readdirSync(dir).sort();
  assert.strictEqual(names.length, 10);
  for (const name of names) {
    const bytes = Buffer.from(await page.evaluate((file) => Array.from(FS.readFile(file)),
      '/game/Wave/' + name));
    assert.ok(bytes.equals(fs.readFileSync(path.join(dir, name))), `${name} differs from velkar-sfx's`);
  }
  console.log(`effects: the page's ${names.length} effects equal velkar-sfx's files`);
}

// Everything the page fetches, as the server sends it (gzip): at most 160 KB. The .gz copies
// hold the same files; the program, velkar.wasm, comes as application/wasm and is compiled
// while it streams.
const MOST_DOWNLOAD_BYTES = 160 * 1024;

async function download(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  const requests = new Map();
  let sent = 0;
  cdp.on('Network.responseReceived', (event) => {
    if (event.response.url.startsWith('http:')) requests.set(event.requestId, event.response);
  });
  cdp.on('Network.loadingFinished', (event) => {
    if (requests.has(event.requestId)) sent += event.encodedDataLength;
  });
  await page.goto(url);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  const streamed = await page.evaluate(() => window.velkarWasmStreamed === true);
  let plain = 0, brotli = 0;
  const files = [];
  for (const response of requests.values()) {
    const name = new URL(response.url).pathname.slice(1) || 'index.html';
    const bytes = fs.readFileSync(path.join(siteDir, name));
    const encoding = Object.entries(response.headers)
      .find(([key]) => key.toLowerCase() === 'content-encoding');
    // (The icons are PNG files, compressed in themselves.)
    if (!name.endsWith('.png')) {
      assert.ok(encoding && encoding[1] === 'gzip', `${name} was not sent compressed`);
      assert.ok(zlib.gunzipSync(fs.readFileSync(path.join(siteDir, name + '.gz'))).equals(bytes),
        `${name}.gz does not hold ${name}`);
    }
    plain += bytes.length;
    brotli += zlib.brotliCompressSync(bytes, { params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11 } }).length;
    files.push(name);
  }
  await context.close();
  assert.ok(files.includes('velkar.js') && files.includes('velkar_ui.js') && files.includes('velkar.wasm'),
    files.join(' '));
  const wasmType = [...requests.values()].find((r) => r.url.endsWith('/velkar.wasm')).mimeType;
  assert.strictEqual(wasmType, 'application/wasm');
  assert.ok(streamed, 'velkar.wasm was not compiled while it streamed');
  assert.ok(sent <= MOST_DOWNLOAD_BYTES, `the page downloads ${sent} bytes, more than ${MOST_DOWNLOAD_BYTES}`);
  console.log(`measure: download of ${files.length} files: ${sent} bytes sent with gzip (at most ` +
    `${MOST_DOWNLOAD_BYTES}), ${brotli} with brotli, ${plain} uncompressed`);
}

// Opened from a folder: everything the page needs is in its own files.
async function fromFolder(browser) {
  const page = await openPage(browser, 'file://' + path.resolve(siteDir, 'index.html') + '?test=1');
  assert.strictEqual((await step(page, 10)).frame, 10);
  await page.close();
  console.log('opened from a folder: runs');
}

// ---- Replays ----

// velkar-sim playing a replay file: its status, its last line on standard error (the reader's
// refusal or the playback's sentence) and its JSON.
function simReplay(file) {
  const run = childProcess.spawnSync(nativeSim, ['--replay', file, '--json'], { encoding: 'utf8' });
  const said = run.stderr.trim().split('\n').pop().replace(/^velkar-sim: /, '');
  return { status: run.status, said, json: run.stdout ? JSON.parse(run.stdout) : null };
}

// The closing line of a replay file: frames and the two digests.
function closingLine(text) {
  const [, frames, stateDigest, screenDigest] = /\nend (\d+) ([0-9a-f]{16}) ([0-9a-f]{16})\n$/.exec(text);
  return { frames: Number(frames), stateDigest, screenDigest };
}

// Replay menu items by their page ids.
async function chooseReplayItem(page, id) {
  await page.click('#menubar .popup[data-index="replay"] > button');
  await page.waitForSelector('#menubar .popup[data-index="replay"].open');
  await page.click(menuButton(page, id));
}

// The played game's page saves its session: the download is the recording so far, and the
// native velkar-sim plays it to the same closing digests; the session is also in storage.
async function savedReplay(browser, page) {
  const downloads = path.join(work, 'downloads');
  fs.mkdirSync(downloads, { recursive: true });
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  const frame = (await state(page)).frame;
  await chooseReplayItem(page, 'save');
  const deadline = Date.now() + 20000;
  let files = [];
  while (Date.now() < deadline) {
    files = fs.readdirSync(downloads).filter((name) => /^velkar-\d{8}-\d{6}\.vrp$/.test(name));
    if (files.length) break;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.strictEqual(files.length, 1, 'Save Replay downloaded no .vrp file');
  const file = path.join(downloads, files[0]);
  const text = fs.readFileSync(file, 'latin1');
  assert.ok(/^velkar-replay 1\n# recorded by velkar-web \d/.test(text), text.slice(0, 80));
  const played = simReplay(file);
  assert.strictEqual(played.status, 0, played.said);
  assert.strictEqual(played.json.replay.frames, frame, 'the replay holds every frame of the session');
  assert.strictEqual(played.json.Score, (await state(page)).Score);
  const stored = await page.evaluate(() => velkarTest.storedSessions());
  assert.ok(stored.length >= 1 && stored[0].frames === frame && stored[0].text === text,
    'the session in storage is not the one saved');
  console.log(`saved replay: ${frame} frames recorded by the page, played by velkar-sim with ` +
    `status 0 (${played.said})`);
}

// Files a test serves to the page at /test/NAME.vrp.
async function serveReplays(page, files) {
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    const match = /\/test\/([a-z-]+\.vrp)$/.exec(new URL(request.url()).pathname);
    if (!match) return request.continue();
    if (!files[match[1]]) return request.respond({ status: 404, body: 'no such file' });
    return request.respond({ status: 200, contentType: 'text/plain', body: files[match[1]] });
  });
}

// Steps a page until its replay has ended and the page says so (at most frames + 500 ticks).
async function playToEnd(page, frames) {
  for (let ran = 0; ran <= frames; ran += 500) {
    const ended = await page.evaluate(() => {
      velkarTest.step(500);
      return document.querySelector('#replay-dialog').open;
    });
    if (ended) break;
  }
  return page.evaluate(() => velkarTest.replayState());
}

// velkar-sim's recording plays in the page from a link to the same closing digests, with the
// player's keys ignored; the player's own rank, hi-scores and settings come through untouched;
// Play then starts a recorded session of the player's own. A file that differs is named at
// the frame velkar-sim names; a damaged file picked in the page is refused with the reader's
// message and the game goes on.
async function watchedReplays(browser, url) {
  const recorded = path.join(work, 'recorded.vrp');
  sim(['--record', recorded, '--soak', '11', '--frames', '2400', '--name', 'WEB']);
  const text = fs.readFileSync(recorded, 'latin1');
  const closing = closingLine(text);
  // A check line that disagrees: the game differs there, after every earlier frame agreed.
  const checks = [...text.matchAll(/^check (\d+) [0-9a-f]{16} /gm)];
  const [checkLine, checkFrames] = checks[10];
  const differs = text.replace(checkLine, checkLine.replace(/ [0-9a-f]{16} $/, ' 0000000000000000 '));
  fs.writeFileSync(path.join(work, 'differs.vrp'), differs);
  const damaged = text.replace(/^(\d+) ([0-9a-f]+)$/m, '$1 $2zz');
  const damagedFile = path.join(work, 'damaged.vrp');
  fs.writeFileSync(damagedFile, damaged);

  const page = await browser.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await serveReplays(page, { 'recorded.vrp': text, 'differs.vrp': differs });
  await page.goto(url);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  const own = await state(page);
  await page.goto(url + '&replay=/test/recorded.vrp');
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  assert.ok(await page.$eval('#replay-bar', (bar) => !bar.hidden && bar.textContent.includes('recorded.vrp')));
  assert.strictEqual(await page.evaluate(() => velkarTest.sessionCopy()), '', 'a replay was recorded');
  const settingsFile = () => page.evaluate(() => FS.readFile('/settings/velkar.ini', { encoding: 'utf8' }));
  const ownFile = await settingsFile();
  // Keys pressed while it plays change nothing; the replay's rank and tables are never written.
  await page.keyboard.down('ArrowLeft');
  await page.keyboard.down('F1');
  await step(page, 200);
  await page.keyboard.up('F1');
  await page.keyboard.up('ArrowLeft');
  assert.strictEqual((await state(page)).GameRank, 0, 'the replay plays at its own rank');
  assert.strictEqual(await settingsFile(), ownFile, 'the replay wrote the settings file');
  const watched = await playToEnd(page, closing.frames);
  assert.strictEqual(watched.state, 2, watched.text);
  assert.strictEqual(watched.frames, closing.frames);
  assert.ok(watched.screenCompared, 'the page drew the replay with other glyphs');
  assert.deepStrictEqual([watched.digestState, watched.digestScreen], [closing.stateDigest, closing.screenDigest]);
  await page.waitForSelector('#replay-dialog[open]');
  assert.strictEqual(await page.$eval('#replay-dialog .detail', (e) => e.textContent), watched.text);
  const after = await state(page);
  for (const key of ['settings', 'ranking', 'GameRank']) {
    assert.deepStrictEqual(after[key], own[key], `the replay changed the player's ${key}`);
  }
  // Play: the player's own game from start-up, recorded.
  await Promise.all([page.waitForNavigation(), page.click('#replay-dialog .play')]);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  assert.ok(!page.url().includes('replay='), page.url());
  await step(page, 10);
  assert.ok((await page.evaluate(() => velkarTest.sessionCopy())).includes('\nend 10 '));
  assert.deepStrictEqual((await state(page)).settings, own.settings);

  // A game that goes another way: the frame and sentence velkar-sim gives.
  const simSays = simReplay(path.join(work, 'differs.vrp'));
  assert.strictEqual(simSays.status, 1);
  await page.goto(url + '&replay=/test/differs.vrp');
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  const wentOff = await playToEnd(page, closing.frames);
  assert.strictEqual(wentOff.state, 4);
  // Said at the frame that differs, not at the file's end: the game was held there.
  assert.strictEqual(wentOff.frames, wentOff.firstDifferentFrame + 1, wentOff.text);
  assert.ok(wentOff.firstDifferentFrame < Number(checkFrames), wentOff.text);
  assert.ok(simSays.said.endsWith(wentOff.text), `${simSays.said} / ${wentOff.text}`);
  await page.waitForSelector('#replay-dialog[open]');
  await Promise.all([page.waitForNavigation(), page.click('#replay-dialog .play')]);
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });

  // A damaged file picked with Watch Replay...: the reader's own message; the game goes on.
  const refusal = simReplay(damagedFile);
  assert.strictEqual(refusal.status, 2);
  const [chooser] = await Promise.all([page.waitForFileChooser(), chooseReplayItem(page, 'watch')]);
  await chooser.accept([damagedFile]);
  await page.waitForSelector('#message-dialog[open]');
  const message = await page.$eval('#message-dialog .text', (e) => e.textContent);
  // The same words, the file named by its name rather than its path.
  const readerSays = refusal.said.replace(work + path.sep, '');
  assert.ok(readerSays.startsWith('damaged.vrp:') && message.endsWith('\n' + readerSays),
    `${message} / ${refusal.said}`);
  await page.click('#message-dialog .ok');
  await page.keyboard.down('F1');
  await step(page, 3);
  await page.keyboard.up('F1');
  assert.strictEqual((await step(page, 60)).GameMode, 4, 'the game did not start after the refusal');
  // A missing file behind a link: said, and the game is the player's.
  await page.goto(url + '&replay=/test/missing.vrp');
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  assert.ok((await page.$eval('#message-dialog .text', (e) => e.textContent)).includes('404'));
  await page.close();
  console.log(`watched replays: velkar-sim's ${closing.frames} frames matched in the page ` +
    `(screen ${watched.digestScreen}); a changed one differs at frame ${wentOff.firstDifferentFrame} ` +
    `as velkar-sim says; a damaged one refused: ${refusal.said}`);
  return { recorded, text };
}

// The bar under the picture and its slider.
const bar = '#replay-controls';
const slider = `${bar} [role="slider"]`;

// A page on its own clock playing the replay text through ?replay=, once its bar is shown.
async function pageWatching(browser, url, text) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await serveReplays(page, { 'recorded.vrp': text });
  await page.goto(url + 'index.html?replay=/test/recorded.vrp');
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  await page.waitForSelector(slider, { visible: true, timeout: 10000 });
  return page;
}

// The bar under the picture, on the page as a player has it (its own clock, no test mode):
// the slider's role, name and place; paused with the play button; End and Home on the focused
// slider, a frame on with its arrow and with `.`, a drag with the mouse and Page Down; the
// frame then shown is velkar-sim's at that frame; then at the fastest speed the replay plays
// on to its match.
async function replayBar(browser, url, { recorded, text }) {
  const closing = closingLine(text);
  const last = closing.frames - 1;
  const clock = (frames) => {
    const seconds = Math.floor((frames * 16) / 1000);
    return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
  };
  const page = await pageWatching(browser, url, text);
  // Below the picture, as wide as it.
  const boxes = await page.evaluate((bar) => [document.querySelector('#screen-box'), document.querySelector(bar)]
    .map((e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; }), bar);
  assert.ok(boxes[1][1] >= boxes[0][3] && boxes[1][0] === boxes[0][0] && boxes[1][2] === boxes[0][2],
    `the bar is not under the picture: ${JSON.stringify(boxes)}`);
  // Role, name and range as the browser's accessibility tree has them (this Chromium leaves
  // aria-valuetext out of the tree it reports: the attribute is read).
  const node = await page.accessibility.snapshot({ root: await page.$(slider) });
  assert.deepStrictEqual([node.role, node.name, node.valuemin, node.valuemax],
    ['slider', 'Replay position', 0, last]);
  const valueText = await page.$eval(slider, (e) => e.getAttribute('aria-valuetext'));
  assert.ok(new RegExp(`^\\d:\\d\\d / ${clock(closing.frames)}$`).test(valueText), valueText);

  // Waits (with a deadline) until the page's clock has run two more ticks, so that what the
  // slider asked for has been done and the bar shows the program's own position again.
  const ticked = async () => {
    const now = await page.evaluate(() => ticksRun);
    await page.waitForFunction((now) => ticksRun >= now + 2, { timeout: 10000 }, now);
  };
  const position = () => page.$eval(slider, (e) => [Number(e.getAttribute('aria-valuenow')),
    e.getAttribute('aria-valuetext')]);
  const expectAt = async (frame, what) => {
    await ticked();
    assert.deepStrictEqual(await position(), [frame, `${clock(frame)} / ${clock(closing.frames)}`], what);
  };

  // Paused with the button: the replay stays where it is.
  await page.click(`${bar} .play`);
  await page.waitForFunction((bar) => document.querySelector(`${bar} .play`).getAttribute('aria-label') === 'Play',
    { timeout: 10000 }, bar);
  await ticked();
  const [pausedAt] = await position();
  await expectAt(pausedAt, 'the replay went on while paused');
  // The slider's keys, and `.` (the game's own step key) while it has the focus.
  await page.focus(slider);
  await page.keyboard.press('End');
  await expectAt(last, 'End on the slider');
  await page.keyboard.press('Home');
  await expectAt(0, 'Home on the slider');
  await page.keyboard.press('ArrowRight');
  await expectAt(1, 'an arrow on the slider');
  await page.keyboard.press('.');
  await expectAt(2, 'the . key');
  // A drag with the mouse: the frame under the pointer where it is let go.
  const track = await page.$eval(`${slider} .track`, (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
  const y = track[1] + track[3] / 2;
  await page.mouse.move(track[0] + track[2] * 0.2, y);
  await page.mouse.down();
  await page.mouse.move(track[0] + track[2] * 0.6, y, { steps: 8 });
  await page.mouse.up();
  await ticked();
  const [dragged] = await position();
  assert.ok(Math.abs(dragged - 0.6 * last) <= last / track[2] + 1, `dragged to ${dragged} of ${last}`);
  await page.keyboard.press('PageDown');
  await page.keyboard.press('.');
  const frame = dragged - 625 + 1;
  await expectAt(frame, 'Page Down and . after the drag');
  // The picture is the one a straight run shows after that many frames (velkar-sim counts
  // the frame drawn: one less).
  const png = path.join(work, 'bar.png');
  const simSaid = childProcess.spawnSync(nativeSim, ['--replay', recorded, '--seek', String(frame - 1),
    '--png', png], { encoding: 'utf8' });
  assert.strictEqual(simSaid.status, 0, simSaid.stderr);
  const expected = readPng(png).pixels;
  const deadline = Date.now() + 10000;
  let differing = -1;
  while (differing !== 0 && Date.now() < deadline) {
    const actual = await canvasPixels(page);
    differing = 0;
    for (let i = 0; i < actual.length; ++i) if (actual[i] !== expected[i]) ++differing;
  }
  assert.strictEqual(differing, 0, `${differing} bytes of the picture at frame ${frame} differ from velkar-sim's`);

  // A finger dragged along the slider (a touch screen's page): the frame where it is lifted.
  // Turning touch on loads the page again, which starts the replay again: it is paused again
  // with its button.
  await page.setViewport({ width: 800, height: 600, hasTouch: true });
  await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
  await page.waitForSelector(slider, { visible: true, timeout: 10000 });
  // (The page lays itself out again for a touch screen; its touch controls wait while the
  // replay plays.)
  await page.waitForFunction(() => document.documentElement.classList.contains('coarse'), { timeout: 10000 });
  assert.ok(await page.evaluate(() => document.querySelector('#touch-stick').hidden &&
    document.querySelector('#touch-buttons').hidden), 'touch controls shown during a replay');
  await page.click(`${bar} .play`);
  await page.waitForFunction((bar) => document.querySelector(`${bar} .play`).getAttribute('aria-label') === 'Play',
    { timeout: 10000 }, bar);
  const cdp = await page.createCDPSession();
  const [left, top, width, height] = await page.$eval(`${slider} .track`, (e) => {
    const r = e.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height];
  });
  const touch = (type, ratio) => cdp.send('Input.dispatchTouchEvent', { type,
    touchPoints: type === 'touchEnd' ? [] : [{ id: 1, x: left + width * ratio, y: top + height / 2 }] });
  await touch('touchStart', 0.9);
  for (const ratio of [0.8, 0.6, 0.4, 0.3]) await touch('touchMove', ratio);
  await touch('touchEnd');
  await ticked();
  const [touched] = await position();
  assert.ok(Math.abs(touched - 0.3 * last) <= last / width + 1, `touched to ${touched} of ${last}`);

  // A phone held sideways: the bar goes beside the picture, which stays x1 (240 x 320) rather
  // than shrinking to make room for the bar under it.
  await page.setViewport({ width: 844, height: 390, hasTouch: true });
  await page.waitForFunction(() => document.querySelector('#stage').classList.contains('replay-beside'),
    { timeout: 10000 });
  const [picture, beside] = await page.evaluate(() => [document.querySelector('#screen-box'),
    document.querySelector('#replay-controls')].map((e) => {
    const r = e.getBoundingClientRect();
    return { left: r.left, right: r.right, width: r.width, height: r.height };
  }));
  assert.ok(picture.width >= 240 && picture.height >= 320, `picture ${picture.width} x ${picture.height} beside the bar`);
  assert.ok(beside.left >= picture.right && beside.right <= 844, `bar ${beside.left}..${beside.right}, picture ends at ${picture.right}`);

  // The fastest speed, played on with Space on the focused play button (once, not by the button
  // and the game's pause key both): the verdict of a replay played straight through.
  await page.select(`${bar} .speed`, '6');
  await page.focus(`${bar} .play`);
  await page.keyboard.press(' ');
  await page.waitForSelector('#replay-dialog[open]', { timeout: 180000 });
  const verdict = await page.evaluate(() => { const d = document.querySelector('#replay-dialog');
    return { state: d.dataset.state, detail: d.querySelector('.detail').textContent,
      bar: document.querySelector('#replay-controls').hidden }; });
  const straight = simReplay(recorded);
  assert.strictEqual(straight.status, 0, straight.said);
  assert.strictEqual(verdict.state, '2', verdict.detail);
  assert.ok(straight.said.endsWith(verdict.detail), `${straight.said} / ${verdict.detail}`);
  assert.ok(verdict.bar, 'the bar stayed after the replay ended');
  // With the replay over, the touch controls are back beside the picture.
  await page.waitForFunction(() => document.querySelector('#stage').classList.contains('touch-landscape') &&
    !document.querySelector('#touch-stick').hidden, { timeout: 10000 });
  await page.close();
  console.log(`replay bar: paused, End, Home, a step by arrow and by ., a drag to ${dragged}, ` +
    `Page Down and a step: frame ${frame} shown as velkar-sim draws it; a finger's drag to ` +
    `${touched}; at the fastest speed the ${closing.frames} frames still match`);
}

// Take over from the bar: paused at frame 3 of a replay, the button hands the game to the
// player, with no verdict dialog; the session's recording then holds the replay's controls up
// to there and the player's after, says so in its header, and velkar-sim plays it to a match.
async function takeOver(browser, url, { text }) {
  const page = await pageWatching(browser, url, text);
  await page.click(`${bar} .play`);
  await page.waitForFunction((bar) => document.querySelector(`${bar} .play`).getAttribute('aria-label') === 'Play',
    { timeout: 10000 }, bar);
  await page.focus(slider);
  await page.keyboard.press('Home');
  for (let i = 0; i < 3; ++i) await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => call('web_replay_position', 'number') === 3, { timeout: 10000 });
  await page.click(`${bar} .take-over`);
  await page.waitForFunction((bar) => document.querySelector(bar).hidden, { timeout: 10000 }, bar);
  // The player's game runs on: more frames are recorded, and no verdict is asked for.
  await page.waitForFunction(() => {
    const closing = /\nend (\d+) [0-9a-f]{16} [0-9a-f]{16}\n$/.exec(call('web_record_copy', 'string'));
    return closing !== null && Number(closing[1]) > 100;
  }, { timeout: 30000, polling: 100 });
  const recorded = await page.evaluate(() => ({ text: call('web_record_copy', 'string'),
    dialog: document.querySelector('#replay-dialog').open }));
  assert.ok(!recorded.dialog, 'a verdict was asked for after the take-over');
  assert.match(recorded.text, /^velkar-replay 1\n(.*\n)?# take-over at frame 3 of a replay; /);
  const file = path.join(work, 'taken-over.vrp');
  fs.writeFileSync(file, recorded.text);
  const played = simReplay(file);
  assert.strictEqual(played.status, 0, played.said);
  const taken = closingLine(recorded.text).frames;
  assert.ok(taken > 100, `${taken} frames`);
  await page.close();
  console.log(`take over: at frame 3 from the bar; the session's recording (${taken} frames) matches in velkar-sim`);
}

// The body of a GET as the server sent it (not decompressed), with its headers.
function rawGet(url, headers) {
  return new Promise((resolve, reject) => {
    http.get(url, { headers }, (response) => {
      const parts = [];
      response.on('data', (part) => parts.push(part));
      response.on('end', () => resolve({ headers: response.headers, body: Buffer.concat(parts) }));
    }).on('error', reject);
  });
}

// Served by the score board, the page's files are the build's compressed copies (brotli or gzip
// as the browser takes them, the same bytes: nothing compressed as it is sent), and its first
// frame is measured against the static server's; the page sends its session in one click and
// shows the answer.
async function boardSubmission(browser, board, staticUrl) {
  const data = path.join(work, 'board-data');
  const server = childProcess.spawn(board, ['--bind', '127.0.0.1', '--port', '0', '--data', data,
    '--web', siteDir, '--sim', nativeSim, '--rate', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  try {
    const base = await new Promise((resolve, reject) => {
      let out = '';
      const timer = setTimeout(() => reject(new Error('velkar-board did not start')), 20000);
      server.stdout.on('data', (chunk) => {
        out += chunk;
        const match = /serving (http:\/\/127\.0\.0\.1:\d+\/)/.exec(out);
        if (match) {
          clearTimeout(timer);
          resolve(match[1]);
        }
      });
      server.on('exit', (code) => reject(new Error('velkar-board ended with ' + code)));
    });
    // (.br copies are made where the build found brotli.)
    const brotli = fs.existsSync(path.join(siteDir, 'velkar.wasm.br')) ? 'br' : undefined;
    for (const [accept, encoding] of [['br', brotli], ['gzip, deflate', 'gzip'], ['', undefined]]) {
      for (const name of ['velkar.wasm', 'velkar.js', 'index.html']) {
        const sent = await rawGet(`${base}play/${name}`, { 'Accept-Encoding': accept });
        const copy = path.join(siteDir, name + (encoding ? (encoding === 'br' ? '.br' : '.gz') : ''));
        assert.strictEqual(sent.headers['content-encoding'], encoding, `${name} for "${accept}"`);
        assert.ok(sent.body.equals(fs.readFileSync(copy)), `${name} for "${accept}" is not ${copy}`);
      }
    }
    const boardMs = [], staticMs = [];
    for (let i = 0; i < 5; ++i) {
      boardMs.push(await firstFrame(browser, base + 'play/index.html'));
      staticMs.push(await firstFrame(browser, staticUrl + 'index.html'));
    }
    console.log(`measure: first frame through velkar-board's /play/ median of 5 ${median(boardMs).toFixed(0)} ` +
      `ms, from the static server ${median(staticMs).toFixed(0)} ms (ratio ` +
      `${(median(boardMs) / median(staticMs)).toFixed(2)})`);
    const page = await openPage(browser, base + 'play/index.html?test=1');
    await page.waitForFunction(
      '!document.querySelector(\'#menubar button[data-id="submit"]\').closest("li").hidden', { timeout: 10000 });
    await page.keyboard.down('F1');
    await step(page, 3);
    await page.keyboard.up('F1');
    await page.keyboard.down('z');
    await step(page, 400);
    await page.keyboard.up('z');
    const frames = (await state(page)).frame;
    await chooseReplayItem(page, 'submit');
    await page.waitForFunction(
      'document.querySelector("#message-dialog .text").textContent.startsWith("The score board played")',
      { timeout: 60000 });
    const scores = await (await fetch(base + 'api/scores?limit=1')).json();
    assert.strictEqual(scores.total, 0, 'a game that has not ended was ranked');
    const shown = await page.$eval('#message-dialog .text', (e) => e.textContent);
    assert.ok(shown.includes('No game of this session ended'), shown);
    const replays = fs.readdirSync(data, { recursive: true }).filter((name) => name.endsWith('.vrp'));
    assert.strictEqual(replays.length, 1, replays.join(' '));
    const id = path.basename(replays[0], '.vrp');
    const status = await (await fetch(`${base}api/replays/${id}`)).json();
    assert.deepStrictEqual([status.status, status.frames], ['verified', frames]);
    // The board's link to the file plays it in the page.
    await page.goto(`${base}play/index.html?test=1&replay=${status.url}`);
    await page.waitForFunction('window.velkarReady === true', { timeout: 30000 });
    const watched = await playToEnd(page, frames);
    assert.deepStrictEqual([watched.state, watched.frames], [2, frames], watched.text);
    await page.close();

    // The board's own page on a 320 px phone, with a ranked game (velkar-sim's recording of a
    // game played to its end): no wider than the screen, its tables one below the other, a link
    // to play, an icon.
    const ranked = path.join(work, 'ranked.vrp');
    const script = path.join(work, 'ranked.txt');
    fs.writeFileSync(script, '0 110\n1 10\n');
    sim(['--record', ranked, '--frames', '3200', '--input', script, '--name', 'PHONE']);
    const sent = await (await fetch(base + 'api/replays', { method: 'POST',
      body: fs.readFileSync(ranked), headers: { 'Content-Type': 'text/plain' } })).json();
    const until = Date.now() + 60000;
    let verdict = sent;
    while (verdict.status === 'pending' && Date.now() < until) {
      await new Promise((resolve) => setTimeout(resolve, 200));
      verdict = await (await fetch(base + sent.url.slice(1))).json();
    }
    assert.strictEqual(verdict.status, 'verified', JSON.stringify(verdict));
    const context = await browser.createBrowserContext();
    const boardPage = await context.newPage();
    await boardPage.setViewport({ width: 320, height: 480, hasTouch: true, isMobile: true });
    await boardPage.goto(base);
    const look = await boardPage.evaluate(() => {
      const box = (e) => e.getBoundingClientRect();
      const sections = [...document.querySelectorAll('section')].map(box);
      return { wide: document.documentElement.scrollWidth, rows: document.querySelectorAll('tbody tr').length,
        sections: sections.map((r) => [r.left, r.top, r.right, r.bottom]),
        right: Math.max(...[...document.querySelectorAll('table, form, p')].map((e) => box(e).right)),
        play: [...document.querySelectorAll('a')].filter((a) => a.getAttribute('href') === '/play/index.html').length,
        icon: document.querySelector('link[rel="icon"]').getAttribute('href') };
    });
    assert.ok(look.rows >= 1 && look.wide <= 320 && look.right <= 320, JSON.stringify(look));
    assert.ok(look.sections[1][1] >= look.sections[0][3], `the tables overlap: ${JSON.stringify(look)}`);
    assert.strictEqual(look.play, 1, 'no link to play');
    for (const icon of [look.icon, '/favicon.ico']) {
      const answer = await fetch(base + icon.slice(1));
      assert.ok(answer.ok && answer.headers.get('content-type').startsWith('image/svg+xml'), icon);
    }
    await context.close();
    console.log(`board: the page's ${frames} frames submitted in one click, verified by the board ` +
      'and played back in the page from the board\'s link; the board\'s own page fits 320 px ' +
      'with a ranked game, links to the game and has an icon');
  } finally {
    server.kill('SIGTERM');
  }
}

function benchUs(command, args) {
  const out = childProcess.execFileSync(command, args, { encoding: 'utf8' });
  return Number(/mean_us=([0-9.]+)/.exec(out)[1]);
}

// The time from navigation to the first picture on the canvas, in a fresh profile (nothing
// cached), optionally over a throttled network.
async function firstFrame(browser, url, network) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  if (network) {
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions', { offline: false, ...network });
  }
  await page.goto(url);
  await page.waitForFunction('window.velkarFirstFrameMs !== undefined', { timeout: 30000 });
  const ms = await page.evaluate(() => window.velkarFirstFrameMs);
  await context.close();
  return ms;
}

// The browser's "Slow 4G" profile.
const SLOW_4G = { latency: 562.5, downloadThroughput: (1.6 * 1024 * 1024 / 8) * 0.9,
  uploadThroughput: (750 * 1024 / 8) * 0.9 };
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];

(async () => {
  const { server, url } = await serve(siteDir);
  const browser = await puppeteer.launch({
    executablePath: process.env.VELKAR_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: path.join(work, 'profile'),
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required'],
  });
  try {
    const testUrl = url + 'index.html?test=1';
    let page = await openPage(browser, testUrl);
    await titlePicture(page);
    await menuAndDialog(page);
    page = await settingsKept(browser, testUrl, page);
    await playedGame(page);
    await savedReplay(browser, page);
    page = await nameEntry(browser, testUrl, page);
    await effects(page);
    await fromFolder(browser);
    await gamepad(browser, testUrl);
    await remapKeys(browser, testUrl);
    await layouts(browser, testUrl);
    await touchGame(browser, testUrl);
    await keyTapsAndRelease(browser, testUrl);
    await japaneseNameEntry(browser, testUrl);
    await escapeAsks(browser, testUrl);
    await displayFrames(browser, url + 'index.html');
    await installedApp(browser);
    await download(browser, url);
    const watched = await watchedReplays(browser, testUrl);
    await replayBar(browser, url, watched);
    await takeOver(browser, url, watched);
    if (board) await boardSubmission(browser, board, url);
    else console.log('board: not tested (no velkar-board given)');

    // Measures (printed, never asserted): the same 1500 frames of play in the page, in the
    // node build of velkar-sim and in the native one.
    const benchScript = path.join(work, 'bench.txt');
    fs.writeFileSync(benchScript, '0 110\n1 10\n');
    await page.keyboard.down('F1');
    await page.keyboard.down('z');
    await step(page, 1);
    await page.keyboard.up('F1');
    const pageUs = await page.evaluate(() => velkarTest.time(1399));
    await page.keyboard.up('z');
    await page.close();
    const benchArgs = ['--frames', '1500', '--input', benchScript, '--bench'];
    const nativeUs = benchUs(nativeSim, benchArgs);
    const nodeUs = wasmSim ? benchUs(process.execPath, ['--no-experimental-fetch', wasmSim, ...benchArgs]) : NaN;
    const firstMs = [];
    for (let i = 0; i < 7; ++i) firstMs.push(await firstFrame(browser, url + 'index.html'));
    const slowMs = await firstFrame(browser, url + 'index.html', SLOW_4G);
    assert.deepStrictEqual(pageErrors, [], 'script errors on the page');
    console.log(`measure: first frame after navigation: median of 7 ${median(firstMs).toFixed(0)} ms ` +
      `(${firstMs.map((ms) => ms.toFixed(0)).join(' ')}); on Slow 4G with gzip ${slowMs.toFixed(0)} ms`);
    console.log(`measure: page tick over 1500 frames of play: mean ${pageUs.tickUs.toFixed(1)} us, ` +
      `p50 ${pageUs.p50Us.toFixed(1)} us, p99 ${pageUs.p99Us.toFixed(1)} us ` +
      `(one canvas update ${pageUs.drawUs.toFixed(1)} us more), wasm velkar-sim under node ` +
      `${nodeUs.toFixed(1)} us, native velkar-sim ${nativeUs.toFixed(1)} us`);
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(work, { recursive: true, force: true });
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
