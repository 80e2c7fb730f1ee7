// The page around the game: start-up with the settings from the browser's storage, the 16 ms
// game clock driven by animation frames, keys, the menu bar, the dialogs, the picture's size
// and full screen, and the effects through WebAudio. The texts come from the program.
'use strict';

const params = new URLSearchParams(location.search);
// ?test=1: no clock; a test steps the game itself through velkarTest.
const TEST_MODE = params.get('test') === '1';
const CMD = {
  PAUSE: 40007, RANK_NORMAL: 40011, RANK_HARD: 40012, CLEAR_HISCORE: 40013,
  FULL_SCREEN: 40036, ENABLE_SOUND: 40045, SIZE_X1: 40075, SIZE_X2: 40076,
  DEVICE_CONFIG: 40082, ABOUT: 57664, EXIT: 57665,
};
// The menu items' roles: groups of which one is chosen, things turned on or off, commands.
const MENU_ROLES = {
  [CMD.RANK_NORMAL]: 'menuitemradio', [CMD.RANK_HARD]: 'menuitemradio',
  40083: 'menuitemradio', 40084: 'menuitemradio', 40085: 'menuitemradio',
  [CMD.SIZE_X1]: 'menuitemradio', [CMD.SIZE_X2]: 'menuitemradio', best: 'menuitemradio',
  fit: 'menuitemradio', [CMD.PAUSE]: 'menuitemcheckbox', [CMD.ENABLE_SOUND]: 'menuitemcheckbox',
  [CMD.FULL_SCREEN]: 'menuitemcheckbox', touch: 'menuitemcheckbox', exact: 'menuitemcheckbox',
};
const MENU_POPUP = 0, MENU_ITEM = 1, MENU_SEPARATOR = 2, MENU_SUBMENU = 3, MENU_SUBMENU_END = 4;
const MSG_ANSWER_OK = 1, MSG_ANSWER_CANCEL = 2;
// The page's own texts: its picture sizes and touch controls, the question before Escape ends
// the game session, and the end of a session.
const PAGE_TEXTS = [
  { best: '&Best Size', fit: 'Fit to &Page', touch: '&Touch Controls', exact: '&Exact Speed',
    endQuestion: 'End the game? The page must be reloaded to play again.',
    // The page's own About and Device Configuration lines, where the other programs speak of
    // Windows versions and of a restart to see a gamepad (the page takes one at any time).
    systems: 'for web browsers with WebAssembly',
    connectLabel: 'Connect Status\n(a gamepad shows once one of its buttons is pressed)',
    nameRefused: 'Only the letters, digits and signs of the English keyboard (ASCII) can be ' +
      'shown in the ranking.',
    ended: 'VELKAR has ended. Reload the page to play again.',
    failed: 'VELKAR cannot run in this browser.', controls: '&Controls...' },
  { best: '最適な大きさ(&B)', fit: 'ページに合わせる(&P)', touch: 'タッチ操作(&T)',
    exact: '正確な速さ(&E)',
    endQuestion: 'ゲームを終了しますか？ もう一度遊ぶにはページの再読み込みが必要です。',
    systems: 'WebAssembly 対応のウェブブラウザ用',
    connectLabel: '今の接続状態\n(ゲームパッドはボタンを押すと認識されます)',
    nameRefused: 'ランキングに表示できるのは英字・数字・記号 (ASCII) だけです。',
    // The other programs' Japanese Name Entry dialog keeps its English caption.
    nameCaption: '名前の入力',
    controls: '操作の設定(&K)...',
    ended: 'VELKAR は終了しました。もう一度遊ぶにはページを再読み込みしてください。',
    failed: 'このブラウザでは VELKAR を実行できません。' },
];
// The page's own settings, kept beside velkar.ini in the browser's storage: the picture size
// ('best': the largest whole multiple that fits, 'fit': exactly fitted, 'x1', 'x2'), the
// touch controls ('auto': on touch screens, 'on', 'off') and the clock ('smooth': one tick per
// display frame where the display runs near 60 Hz, 'exact': 62.5 ticks a second always).
const PAGE_SETTINGS_FILE = '/settings/velkar-page.ini';
const PAGE_SETTINGS_MAX_BYTES = 1024;
const PAGE_SETTING_VALUES = { Size: ['best', 'fit', 'x1', 'x2'], Touch: ['auto', 'on', 'off'],
  Speed: ['smooth', 'exact'] };

const $ = (selector) => document.querySelector(selector);
const canvas = $('#screen');
const context = canvas.getContext('2d');

let texts = null;
let shown = null; // the picture of the last tick, not yet on the canvas
let running = false;
const pageSettings = { Size: 'best', Touch: 'auto', Speed: 'smooth' };
let openPopup = null;
let settingsSyncing = false;
let settingsSyncAgain = false;

function call(name, returnType, argTypes, args) {
  return Module.ccall(name, returnType, argTypes || [], args || []);
}

function plainText(text) {
  // "&X" marks the access key; "&&" is a literal ampersand.
  return text.replace(/&(&?)/g, (match, literal) => literal);
}

// ---- Sound ----

// The AudioContext is made on the player's first key, click or touch, as browsers let a page
// start sound only then (one made before is held silent, with a warning): until then the
// voices keep their samples and volume, and what they play is not heard.
const audio = { context: null, voices: new Map(), next: 1 };

function audioBuffer(voice) {
  const buffer = audio.context.createBuffer(voice.channels, voice.frames, voice.rate);
  for (let c = 0; c < voice.channels; ++c) {
    const data = buffer.getChannelData(c);
    for (let i = 0; i < voice.frames; ++i) data[i] = voice.samples[i * voice.channels + c];
  }
  voice.buffer = buffer;
  voice.samples = null;
  voice.gain = audio.context.createGain();
  voice.gain.gain.value = voice.volume;
  voice.gain.connect(audio.context.destination);
}

function resumeAudio() {
  if (!audio.context) {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context || !running) return;
    audio.context = new Context();
    for (const voice of audio.voices.values()) audioBuffer(voice);
  }
  if (audio.context.state === 'suspended') audio.context.resume();
}

// ---- What the program calls (EM_JS) ----

window.velkarUi = {
  // A tick hands over its picture; it reaches the canvas once per animation frame (draw), so
  // that several ticks in one frame cost one canvas update.
  present(at, width, height) {
    shown = { at, width, height };
  },
  draw() {
    if (!shown) return;
    // (A copy: the program's memory is not to be held by the canvas.)
    const rgba = Module.HEAPU8.slice(shown.at, shown.at + shown.width * shown.height * 4);
    context.putImageData(new ImageData(new Uint8ClampedArray(rgba.buffer), shown.width, shown.height), 0, 0);
    shown = null;
    if (window.velkarFirstFrameMs === undefined) window.velkarFirstFrameMs = performance.now();
  },
  askName() {
    // Asked by the tick that follows the request; the dialog is open when the tick returns,
    // and the game runs on meanwhile.
    openNameDialog();
  },
  messageAnswer(text, caption) {
    alert(caption + '\n\n' + text);
    return MSG_ANSWER_OK;
  },
  setClientSize() {
    // The program placed its window (a size chosen, full screen left): the page lays itself
    // out by its own size setting.
    layout();
  },
  toggleFullScreen(enter) {
    if (enter) {
      const request = $('#stage').requestFullscreen();
      if (request) request.catch(() => call('web_full_screen_left'));
    } else if (document.fullscreenElement) {
      document.exitFullscreen();
    }
  },
  close() {
    running = false;
    keepAwake(false);
    releaseAll();
    storeSession();
    call('web_session_end');
    showNotice(PAGE_TEXTS[pageLanguage()].ended);
  },
  recordingFull() {
    storeSession();
    showReplayMessage(replayTexts().full);
  },
  syncSettings() {
    if (settingsSyncing) {
      settingsSyncAgain = true;
      return;
    }
    settingsSyncing = true;
    FS.syncfs(false, (error) => {
      settingsSyncing = false;
      if (error) console.warn('settings not stored:', error);
      if (settingsSyncAgain) {
        settingsSyncAgain = false;
        window.velkarUi.syncSettings();
      }
    });
  },
  audioOpen() {
    return window.AudioContext || window.webkitAudioContext ? 1 : 0;
  },
  audioClose() {
    // The context stays for the next start of the engine; its voices are released one by one.
  },
  voiceCreate(samples, frames, channels, rate) {
    // (samples is a view of the program's memory: copied.)
    const voice = { samples: Float32Array.from(samples), frames, channels, rate, volume: 0,
      buffer: null, gain: null, source: null };
    if (audio.context) audioBuffer(voice);
    const id = audio.next++;
    audio.voices.set(id, voice);
    return id;
  },
  voiceGain(id, value) {
    const voice = audio.voices.get(id);
    if (!voice) return;
    voice.volume = value;
    if (voice.gain) voice.gain.gain.value = value;
  },
  voicePlay(id) {
    const voice = audio.voices.get(id);
    if (!voice || !voice.buffer) return;
    if (voice.source) voice.source.stop();
    voice.source = audio.context.createBufferSource();
    voice.source.buffer = voice.buffer;
    voice.source.connect(voice.gain);
    voice.source.start();
  },
  voiceRelease(id) {
    const voice = audio.voices.get(id);
    if (!voice) return;
    if (voice.source) voice.source.stop();
    if (voice.gain) voice.gain.disconnect();
    audio.voices.delete(id);
  },
};

// ---- The page's own settings ----

// Resolves once every settings file written so far has reached the browser's storage (or
// after five seconds, when the storage does not answer).
function settingsStored() {
  const until = performance.now() + 5000;
  return new Promise((resolve) => {
    const look = () => {
      if ((!settingsSyncing && !settingsSyncAgain) || performance.now() > until) resolve();
      else setTimeout(look, 20);
    };
    look();
  });
}

function readPageSettings() {
  let text = '';
  try {
    if (FS.stat(PAGE_SETTINGS_FILE).size > PAGE_SETTINGS_MAX_BYTES) return;
    text = FS.readFile(PAGE_SETTINGS_FILE, { encoding: 'utf8' });
  } catch (error) {
    return; // none yet
  }
  // Only known keys with known values are taken; anything else is left at its default.
  for (const line of text.split('\n')) {
    const match = /^(\w+)=(\w+)\s*$/.exec(line);
    if (match && Object.hasOwn(PAGE_SETTING_VALUES, match[1]) &&
        PAGE_SETTING_VALUES[match[1]].includes(match[2])) {
      pageSettings[match[1]] = match[2];
    }
  }
}

function changePageSetting(key, value) {
  if (pageSettings[key] === value) return;
  pageSettings[key] = value;
  const text = Object.entries(pageSettings).map(([k, v]) => `${k}=${v}\n`).join('');
  try {
    FS.writeFile(PAGE_SETTINGS_FILE, text);
    velkarUi.syncSettings();
  } catch (error) {
    console.warn('page settings not stored:', error);
  }
}

// ---- The picture's size and the touch controls' place ----

function pageLanguage() {
  return running || texts ? call('web_dialog_language', 'number') : 0;
}

function touchScreen() {
  return window.matchMedia('(pointer: coarse)').matches || navigator.maxTouchPoints > 0;
}

function touchShown() {
  if (pageSettings.Touch !== 'auto') return pageSettings.Touch === 'on';
  return touchScreen();
}

// The part of the page the player sees: the visual viewport (without a phone's browser bars
// or on-screen keyboard), at the page's own scale so that a pinch zoom does not shrink it.
function visibleSize() {
  const view = window.visualViewport;
  const root = document.documentElement;
  const style = getComputedStyle(document.body);
  const insetWidth = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight);
  const insetHeight = parseFloat(style.paddingTop) + parseFloat(style.paddingBottom);
  if (!view) return [root.clientWidth - insetWidth, window.innerHeight - insetHeight];
  return [Math.min(root.clientWidth, view.width * view.scale) - insetWidth,
    view.height * view.scale - insetHeight];
}

const GAP = 8;
// The buttons' panel below the picture is at least this tall, so that its smallest row (three
// tenths of it, less the gaps) is 44 CSS pixels, the least a finger hits surely.
const PORTRAIT_PANEL_LEAST = 166;
const PORTRAIT_PANEL_MOST = 300;
// The width of a replay's bar beside the picture.
const REPLAY_BAR_BESIDE = 200;

// Places the picture and the touch controls: the controls take a strip below the picture
// when the screen stands upright and both sides when it lies, never the picture's own place.
// The picture takes the chosen size: the largest whole number of the screen's own (device)
// pixels per game pixel that fits in what is left ('best'; on a phone with three device
// pixels to a CSS pixel, four of them make 320 x 426.67 CSS pixels, crisp where x1 would be
// small and x2 would not fit), exactly the room left ('fit'), or x1 or x2, made smaller to fit
// when the screen cannot hold it.
function layout() {
  // Menus for fingers on a touch screen, before the bar's height is taken.
  document.documentElement.classList.toggle('coarse', touchScreen());
  const stage = $('#stage');
  const box = $('#screen-box');
  const full = document.fullscreenElement !== null;
  const [viewWidth, viewHeight] = full ? [screen.width, screen.height] : visibleSize();
  const padding = full ? 0 : GAP;
  let roomWidth = viewWidth - 2 * padding;
  let roomHeight = viewHeight - 2 * padding - (full ? 0 : $('#bar').offsetHeight);
  const landscape = viewWidth > viewHeight;
  // A replay's bar goes under the picture, or beside it where the screen lies and the picture
  // would otherwise shrink below x1 (a phone held sideways). The touch controls wait while a
  // replay plays: they act on nothing until the player takes over, and the picture gets their
  // room.
  const controls = $('#replay-controls');
  const replayShown = !controls.hidden;
  const barBeside = replayShown && landscape &&
    roomHeight - controls.offsetHeight - GAP < 320 && roomWidth >= 240 + GAP + REPLAY_BAR_BESIDE;
  stage.classList.toggle('replay-shown', replayShown && !barBeside);
  stage.classList.toggle('replay-beside', barBeside);
  if (barBeside) roomWidth -= REPLAY_BAR_BESIDE + GAP;
  else if (replayShown) roomHeight -= controls.offsetHeight + GAP;
  const touch = touchShown() && !replayShown;
  stage.classList.toggle('touch-landscape', touch && landscape);
  stage.classList.toggle('touch-portrait', touch && !landscape);
  $('#touch-stick').hidden = !touch;
  $('#touch-buttons').hidden = !touch;
  let panelWidth = 0, panelHeight = 0;
  if (touch && landscape) {
    panelWidth = Math.floor(Math.min(220, Math.max(110, roomWidth * 0.25)));
    panelHeight = Math.floor(Math.min(roomHeight, 240));
    roomWidth -= 2 * (panelWidth + GAP);
  } else if (touch) {
    panelWidth = Math.floor((roomWidth - GAP) / 2);
    panelHeight = Math.floor(Math.min(220, Math.max(PORTRAIT_PANEL_LEAST, roomHeight * 0.28)));
    roomHeight -= panelHeight + GAP;
  }
  const fits = Math.max(0.25, Math.min(roomWidth / 240, roomHeight / 320));
  let factor = fits;
  const size = full ? 'fit' : pageSettings.Size;
  const ratio = window.devicePixelRatio || 1;
  // (A hair under the exact room still counts as fitting: the ratio is seldom exact.)
  const devicePixels = Math.floor(fits * ratio + 1e-6);
  if (size === 'best') factor = devicePixels >= 1 ? devicePixels / ratio : fits;
  else if (size === 'x1') factor = Math.min(1, fits);
  else if (size === 'x2') factor = Math.min(2, fits);
  // Whole device pixels are kept as they are, not rounded to CSS pixels.
  const whole = size === 'best' && devicePixels >= 1;
  const width = whole ? 240 * factor : Math.floor(240 * factor);
  const height = whole ? 320 * factor : Math.floor(320 * factor);
  box.style.width = width + 'px';
  box.style.height = height + 'px';
  controls.style.width = (barBeside ? REPLAY_BAR_BESIDE : width) + 'px';
  // Upright, the buttons take what the picture leaves below it (up to a limit): bigger
  // targets rather than an empty strip.
  if (touch && !landscape) {
    const left = Math.floor(panelHeight + roomHeight - height);
    panelHeight = Math.max(panelHeight, Math.min(PORTRAIT_PANEL_MOST, left));
  }
  stage.style.gridTemplateColumns = !touch ? '' : landscape
    ? `${panelWidth}px ${width}px ${panelWidth}px` : `${panelWidth}px ${panelWidth}px`;
  for (const panel of [$('#touch-stick'), $('#touch-buttons')]) {
    panel.style.width = panelWidth + 'px';
    panel.style.height = panelHeight + 'px';
  }
  const ring = Math.max(60, Math.min(panelWidth, panelHeight) - 16);
  $('.stick-ring').style.width = $('.stick-ring').style.height = ring + 'px';
  if (running && !full) {
    call('web_client_size', null, ['number', 'number'], [Math.round(width), Math.round(height)]);
  }
}

for (const target of [window, window.visualViewport]) {
  if (target) target.addEventListener('resize', () => { if (texts) layout(); });
}

document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement) call('web_full_screen_left');
  layout();
});

function showNotice(text) {
  const notice = $('#notice');
  notice.textContent = text;
  notice.hidden = false;
}

// ---- Menu bar ----

// A popup of the menu bar: its title (text with "&" before the access key) and its list.
function makePopup(index, text) {
  const popup = document.createElement('div');
  popup.className = 'popup';
  popup.dataset.index = index;
  const title = document.createElement('button');
  title.type = 'button';
  title.textContent = plainText(text);
  title.setAttribute('role', 'menuitem');
  title.setAttribute('aria-haspopup', 'menu');
  title.setAttribute('aria-expanded', 'false');
  // Alt and the letter after "&" open it.
  const access = /&([^&])/.exec(text);
  if (access) popup.dataset.accessKey = access[1].toUpperCase();
  title.addEventListener('click', () => (openPopup === popup ? closeMenu() : showPopup(popup)));
  title.addEventListener('mouseenter', () => { if (openPopup && openPopup !== popup) showPopup(popup); });
  const list = document.createElement('ul');
  list.className = 'items';
  list.setAttribute('role', 'menu');
  popup.append(title, list);
  return popup;
}

// An item of a menu list that runs chooseItem(id); a tab in text sets off its shortcut.
function addItem(id, text, target) {
  const li = document.createElement('li');
  li.setAttribute('role', 'none');
  const button = document.createElement('button');
  button.type = 'button';
  button.setAttribute('role', MENU_ROLES[id] || 'menuitem');
  button.tabIndex = -1;
  button.dataset.id = id;
  const [label, shortcut] = plainText(text).split('\t');
  button.innerHTML = '<span class="label"></span><span class="shortcut"></span>';
  button.querySelector('.label').textContent = label;
  button.querySelector('.shortcut').textContent = shortcut || '';
  button.addEventListener('click', () => chooseItem(id));
  li.appendChild(button);
  target.appendChild(li);
  return li;
}

function buildMenu() {
  const language = call('web_language', 'number');
  const bar = $('#menubar');
  bar.textContent = '';
  let popupIndex = -1;
  let list = null;
  let outer = null;
  for (const entry of texts.menu) {
    const text = entry.text[language];
    if (entry.kind === MENU_POPUP) {
      popupIndex += 1;
      const popup = makePopup(popupIndex, text);
      list = popup.querySelector('.items');
      bar.appendChild(popup);
      outer = null;
    } else if (entry.kind === MENU_SUBMENU) {
      const li = document.createElement('li');
      li.className = 'submenu';
      li.setAttribute('role', 'none');
      const button = document.createElement('button');
      button.type = 'button';
      button.tabIndex = -1;
      button.setAttribute('role', 'menuitem');
      button.setAttribute('aria-haspopup', 'menu');
      button.innerHTML = '<span class="label"></span><span class="shortcut">\u25B8</span>';
      button.querySelector('.label').textContent = plainText(text);
      const inner = document.createElement('ul');
      inner.className = 'items';
      inner.setAttribute('role', 'menu');
      li.append(button, inner);
      list.appendChild(li);
      outer = list;
      list = inner;
    } else if (entry.kind === MENU_SUBMENU_END) {
      list = outer;
      outer = null;
    } else if (entry.kind === MENU_SEPARATOR) {
      const line = document.createElement('hr');
      line.setAttribute('role', 'separator');
      list.appendChild(line);
    } else if (entry.kind === MENU_ITEM) {
      addItem(entry.id, text, list);
      // The page can also fit the picture to itself, after the two fixed sizes.
      if (entry.id === CMD.SIZE_X2) {
        addItem('best', PAGE_TEXTS[language].best, list);
        addItem('fit', PAGE_TEXTS[language].fit, list);
      }
      // The player's keys and pad buttons, beside Device Configuration.
      if (entry.id === CMD.DEVICE_CONFIG) addItem('controls', PAGE_TEXTS[language].controls, list);
      // ... and show or hide the touch controls, and choose the clock.
      if (entry.id === CMD.FULL_SCREEN) {
        addItem('touch', PAGE_TEXTS[language].touch, list);
        addItem('exact', PAGE_TEXTS[language].exact, list);
      }
    }
  }
  buildReplayMenu(bar, language);
}

function showPopup(popup) {
  if (openPopup) hidePopup();
  openPopup = popup;
  popup.classList.add('open');
  popup.querySelector(':scope > button').setAttribute('aria-expanded', 'true');
  // The page's own Replay popup holds the game as the program's popups do.
  if (popup.dataset.index === 'replay') {
    call('web_hold', null, ['number'], [1]);
    replayMenuStates(popup);
    return;
  }
  // The game is held while a popup is open; the program says which items are checked or gray.
  const states = call('web_menu_open', 'string', ['number'], [Number(popup.dataset.index)]);
  for (const state of states.split(';')) {
    if (!state) continue;
    const [id, checked, enabled] = state.split(',').map(Number);
    const button = popup.querySelector(`button[data-id="${id}"]`);
    if (!button) continue;
    button.setAttribute('aria-checked', checked ? 'true' : 'false');
    button.disabled = !enabled;
  }
  // The sizes are the page's own setting (the program knows x1 and x2 only).
  const full = document.fullscreenElement !== null;
  for (const [id, size] of [[CMD.SIZE_X1, 'x1'], [CMD.SIZE_X2, 'x2'], ['best', 'best'], ['fit', 'fit']]) {
    const button = popup.querySelector(`button[data-id="${id}"]`);
    if (button) button.setAttribute('aria-checked', !full && pageSettings.Size === size ? 'true' : 'false');
  }
  const touch = popup.querySelector('button[data-id="touch"]');
  if (touch) touch.setAttribute('aria-checked', touchShown() ? 'true' : 'false');
  const exact = popup.querySelector('button[data-id="exact"]');
  if (exact) exact.setAttribute('aria-checked', pageSettings.Speed === 'exact' ? 'true' : 'false');
}

function hidePopup() {
  openPopup.classList.remove('open');
  openPopup.querySelector(':scope > button').setAttribute('aria-expanded', 'false');
  openPopup = null;
}

function closeMenu() {
  if (!openPopup) return;
  hidePopup();
  call('web_menu_close');
  // The keys go back to the game: a title left focused would open its menu again on Enter.
  if ($('#bar').contains(document.activeElement)) document.activeElement.blur();
}

// The items of a menu list that can be chosen, in order.
function menuItems(list) {
  return [...list.querySelectorAll(':scope > li > button')].filter((button) => !button.disabled);
}

function focusItem(list, index) {
  const items = menuItems(list);
  if (items.length) items[(index + items.length) % items.length].focus();
}

function openPopupAt(index) {
  const popups = [...document.querySelectorAll('#menubar > .popup')];
  const popup = popups[(index + popups.length) % popups.length];
  showPopup(popup);
  focusItem(popup.querySelector(':scope > .items'), 0);
}

// Alt and a menu title's letter open that menu, as in the other programs.
function openPopupByAccessKey(event) {
  const letter = /^Key([A-Z])$/.exec(event.code);
  if (!letter) return false;
  const popups = [...document.querySelectorAll('#menubar > .popup')];
  const index = popups.findIndex((popup) => popup.dataset.accessKey === letter[1]);
  if (index < 0) return false;
  openPopupAt(index);
  return true;
}

// Keys in an open menu: up and down move between its items, right and left into and out of a
// submenu or to the next or previous menu, Home and End, Escape closes it; Enter and Space
// choose the item (the button's own click). Whether the key was taken.
function menuKey(event) {
  if (event.altKey && openPopupByAccessKey(event)) return true;
  const popups = [...document.querySelectorAll('#menubar > .popup')];
  const at = popups.indexOf(openPopup);
  const focused = document.activeElement;
  const list = focused && focused.closest('.items') && openPopup.contains(focused)
    ? focused.closest('.items') : openPopup.querySelector(':scope > .items');
  const items = menuItems(list);
  const index = items.indexOf(focused);
  const inSubmenu = list !== openPopup.querySelector(':scope > .items');
  switch (event.key) {
    case 'Escape':
      if (inSubmenu) list.closest('.submenu').querySelector(':scope > button').focus();
      else closeMenu();
      return true;
    case 'ArrowDown': focusItem(list, index + 1); return true;
    case 'ArrowUp': focusItem(list, index < 0 ? -1 : index - 1); return true;
    case 'Home': focusItem(list, 0); return true;
    case 'End': focusItem(list, -1); return true;
    case 'ArrowRight':
      if (focused && focused.getAttribute('aria-haspopup') && list.contains(focused)) {
        focusItem(focused.parentElement.querySelector(':scope > .items'), 0);
      } else {
        openPopupAt(at + 1);
      }
      return true;
    case 'ArrowLeft':
      if (inSubmenu) list.closest('.submenu').querySelector(':scope > button').focus();
      else openPopupAt(at - 1);
      return true;
    default:
      return false;
  }
}

document.addEventListener('mousedown', (event) => {
  if (openPopup && !openPopup.contains(event.target)) closeMenu();
});

function chooseItem(id) {
  closeMenu();
  switch (id) {
    case 'best':
    case 'fit':
      changePageSetting('Size', id);
      return layout();
    case 'touch':
      changePageSetting('Touch', touchShown() ? 'off' : 'on');
      return layout();
    case 'exact':
      changePageSetting('Speed', pageSettings.Speed === 'exact' ? 'smooth' : 'exact');
      return VelkarClock.setExact(clock, pageSettings.Speed === 'exact');
    case CMD.SIZE_X1:
    case CMD.SIZE_X2:
      // The program stores its own size too, and places its window (setClientSize).
      changePageSetting('Size', id === CMD.SIZE_X1 ? 'x1' : 'x2');
      return call('web_command', null, ['number', 'number'], [id, 0]);
    case CMD.CLEAR_HISCORE: return askClearHiScore();
    case CMD.DEVICE_CONFIG: return openDeviceDialog();
    case 'controls': return openControlsDialog();
    case CMD.ABOUT: return openAboutDialog();
    case 'save': case 'watch': case 'recent': case 'submit': return chooseReplayItem(id);
    default:
      call('web_command', null, ['number', 'number'], [id, 0]);
  }
}

// ---- Dialogs ----

function showDialog(dialog, onClose) {
  dialog.addEventListener('close', () => onClose(dialog.returnValue), { once: true });
  dialog.returnValue = '';
  dialog.showModal();
}

function askClearHiScore() {
  const dialog = $('#message-dialog');
  fillTexts(dialog, { '.caption': texts.clearQuestion.caption, '.text': texts.clearQuestion.text });
  dialog.querySelector('.cancel').hidden = false;
  call('web_hold', null, ['number'], [1]);
  showDialog(dialog, (answer) => {
    call('web_hold', null, ['number'], [0]);
    call('web_command', null, ['number', 'number'],
      [CMD.CLEAR_HISCORE, answer === 'ok' ? MSG_ANSWER_OK : MSG_ANSWER_CANCEL]);
  });
  // The question's second button, Cancel, is the default one.
  dialog.querySelector('.cancel').focus();
}

// Puts texts into a dialog's elements: { selector: text }.
function fillTexts(dialog, map) {
  for (const [selector, text] of Object.entries(map)) dialog.querySelector(selector).textContent = text;
}

// The characters the game's picture can draw in a name: the printable ASCII ones.
const DRAWABLE_NAME = /^[\x20-\x7e]*$/;

function openNameDialog() {
  const language = call('web_dialog_language', 'number');
  const t = texts.nameEntry[language];
  const dialog = $('#name-dialog');
  fillTexts(dialog, { '.caption': PAGE_TEXTS[language].nameCaption || t.caption,
    '.heading': t.heading, '.prompt': t.prompt, '.ok': t.ok });
  const input = dialog.querySelector('input');
  const error = dialog.querySelector('.error');
  input.value = '';
  error.hidden = true;
  // A name with a letter the ranking cannot draw is refused with the reason; the dialog stays.
  const form = dialog.querySelector('form');
  const onSubmit = (event) => {
    if (DRAWABLE_NAME.test(input.value)) return;
    event.preventDefault();
    error.textContent = PAGE_TEXTS[language].nameRefused;
    error.hidden = false;
    input.focus();
  };
  form.addEventListener('submit', onSubmit);
  // The game runs on meanwhile; the name is cut to nine bytes when it is stored.
  showDialog(dialog, (answer) => {
    form.removeEventListener('submit', onSubmit);
    const ok = answer === 'ok' && DRAWABLE_NAME.test(input.value);
    call('web_name_entry', null, ['number', 'string'], [ok ? 1 : 0, ok ? input.value : '']);
  });
  input.focus();
}

function openAboutDialog() {
  const language = call('web_dialog_language', 'number');
  const t = texts.about[language];
  const dialog = $('#about-dialog');
  fillTexts(dialog, { '.caption': t.caption, '.title': t.title, '.version-label': t.versionLabel,
    '.version': texts.version, '.systems': PAGE_TEXTS[language].systems, '.ok': t.ok });
  call('web_hold', null, ['number'], [1]);
  showDialog(dialog, () => call('web_hold', null, ['number'], [0]));
}

function openDeviceDialog() {
  const language = call('web_dialog_language', 'number');
  const t = texts.device[language];
  const dialog = $('#device-dialog');
  fillTexts(dialog, { '.caption': t.caption, '.input legend': t.inputGroup,
    '.sound legend': t.soundGroup, '.ok': t.ok, '.cancel': t.cancel, '.default': t.default });
  const error = dialog.querySelector('.error');
  error.hidden = true;
  call('web_devcfg_open');

  const grid = dialog.querySelector('.grid');
  grid.textContent = '';
  const lists = t.buttonLabel.map((labelText, index) => {
    const label = document.createElement('label');
    label.textContent = labelText;
    const select = document.createElement('select');
    select.name = 'button' + index;
    texts.buttonItems.forEach((item, k) => select.add(new Option(item, k)));
    select.addEventListener('change', () =>
      call('web_devcfg_button', null, ['number', 'number'], [index, select.selectedIndex]));
    label.htmlFor = select.id = 'devcfg-button-' + index;
    grid.append(label, select);
    return select;
  });
  const connectLabel = document.createElement('span');
  connectLabel.textContent = PAGE_TEXTS[language].connectLabel;
  const connect = document.createElement('output');
  grid.append(connectLabel, connect);

  const sliders = dialog.querySelector('.sliders');
  sliders.textContent = '';
  const controls = [t.bgmNote, t.effectNote].map((note, index) => {
    const box = document.createElement('div');
    box.className = 'slider';
    const range = document.createElement('input');
    range.type = 'range';
    range.min = 0;
    range.max = 100;
    range.name = 'volume' + index;
    const value = document.createElement('output');
    const caption = document.createElement('span');
    caption.textContent = note;
    range.addEventListener('input', () => {
      call('web_devcfg_slider', null, ['number', 'number'], [index, Number(range.value)]);
      show();
    });
    box.append(range, value, caption);
    sliders.appendChild(box);
    return { range, value };
  });

  function show() {
    const [buttons, positions, volumes, connected] = call('web_devcfg_state', 'string').split(';');
    buttons.split(',').forEach((item, i) => { lists[i].selectedIndex = Number(item); });
    positions.split(',').forEach((p, i) => { controls[i].range.value = p; });
    volumes.split(',').forEach((v, i) => { controls[i].value.textContent = v; });
    connect.textContent = connected === '1' ? texts.connected : texts.notFound;
  }
  show();

  const form = dialog.querySelector('form');
  const onSubmit = (event) => {
    if (event.submitter && event.submitter.value === 'ok') {
      const message = call('web_devcfg_ok', 'string');
      if (message) {
        // A list without a valid choice: the dialog stays open with the program's message.
        event.preventDefault();
        error.textContent = message;
        error.hidden = false;
      }
    }
  };
  const onDefault = () => {
    call('web_devcfg_default');
    show();
  };
  form.addEventListener('submit', onSubmit);
  dialog.querySelector('.default').addEventListener('click', onDefault);
  showDialog(dialog, (answer) => {
    form.removeEventListener('submit', onSubmit);
    dialog.querySelector('.default').removeEventListener('click', onDefault);
    if (answer !== 'ok') call('web_devcfg_cancel');
  });
}

function uiHasKeys() {
  return document.querySelector('dialog[open]') !== null;
}

// Escape would end the game session, after which only a reload plays again: it asks first.
function askEnd() {
  const dialog = $('#message-dialog');
  fillTexts(dialog, { '.caption': 'VELKAR', '.text': PAGE_TEXTS[pageLanguage()].endQuestion });
  dialog.querySelector('.cancel').hidden = false;
  call('web_hold', null, ['number'], [1]);
  showDialog(dialog, (answer) => {
    call('web_hold', null, ['number'], [0]);
    if (answer === 'ok' && running) call('web_command', null, ['number', 'number'], [CMD.EXIT, 0]);
  });
  dialog.querySelector('.cancel').focus();
}

// ---- Controls: the player's keys and pad buttons ----

// The layout of the Controls dialog, made once (the page's markup stays the other dialogs').
function controlsDialog() {
  let dialog = $('#controls-dialog');
  if (dialog) return dialog;
  dialog = document.createElement('dialog');
  dialog.id = 'controls-dialog';
  dialog.innerHTML = '<form method="dialog"><h1 class="caption">Controls</h1>' +
    '<table><thead><tr><th></th><th>Keyboard</th><th>Pad</th></tr></thead><tbody></tbody></table>' +
    '<p class="message"></p><div class="buttons"><button value="ok" class="ok">OK</button>' +
    '<button value="cancel" class="cancel">Cancel</button>' +
    '<button type="button" class="default">Defaults</button></div></form>';
  document.body.appendChild(dialog);
  return dialog;
}

// Each action takes a key and a standard-layout pad button, set by clicking its button and
// pressing the key or pad button (Escape: none). The core refuses one another action holds.
function openControlsDialog() {
  const dialog = controlsDialog();
  const rows = dialog.querySelector('tbody');
  const message = dialog.querySelector('.message');
  call('web_controls_open');
  let waiting = null; // { kind: 'key' | 'pad', action }
  let padTimer = 0;
  let state = null;

  function show() {
    state = JSON.parse(call('web_controls_state', 'string'));
    rows.textContent = '';
    state.actions.forEach((name, action) => {
      const row = document.createElement('tr');
      const label = document.createElement('th');
      label.textContent = name;
      row.appendChild(label);
      for (const kind of ['key', 'pad']) {
        const cell = document.createElement('td');
        const button = document.createElement('button');
        button.type = 'button';
        button.className = kind;
        button.dataset.action = action;
        const bound = (kind === 'key' ? state.keys : state.pads)[action];
        button.textContent = waiting && waiting.kind === kind && waiting.action === action
          ? (kind === 'key' ? 'Press a key...' : 'Press a button...') : bound || '-';
        button.addEventListener('click', () => wait(kind, action));
        cell.appendChild(button);
        row.appendChild(cell);
      }
      rows.appendChild(row);
    });
    const focused = waiting ? rows.querySelector(`button.${waiting.kind}[data-action="${waiting.action}"]`)
      : null;
    if (focused) focused.focus();
  }

  function refused(holder, what) {
    message.textContent = holder === 10 ? `${what} cannot be used.`
      : `${what} is already ${state.actions[holder]}'s; choose another or change ` +
        `${state.actions[holder]} first.`;
  }

  function stopWaiting() {
    waiting = null;
    clearInterval(padTimer);
    padTimer = 0;
  }

  function wait(kind, action) {
    stopWaiting();
    waiting = { kind, action };
    message.textContent = `Press the ${kind === 'key' ? 'key' : 'pad button'} for ` +
      `${state.actions[action]} (Escape: none).`;
    if (kind === 'pad') {
      padTimer = setInterval(() => {
        const pad = [...navigator.getGamepads()].find((p) => p && p.connected && p.mapping === 'standard');
        const index = pad ? pad.buttons.findIndex((b) => b.pressed) : -1;
        if (index < 0) return;
        stopWaiting();
        message.textContent = '';
        const holder = call('web_controls_pad', 'number', ['number', 'number'], [action, index]);
        if (holder >= 0) refused(holder, `Button ${index}`);
        show();
      }, 20);
    }
    show();
  }

  const onKeyDown = (event) => {
    if (!waiting) return;
    event.preventDefault();
    event.stopPropagation();
    if (event.repeat) return;
    const { kind, action } = waiting;
    stopWaiting();
    message.textContent = '';
    if (event.key === 'Escape') {
      call(kind === 'key' ? 'web_controls_key' : 'web_controls_pad', 'number', ['number', 'number'],
        [action, -1]);
    } else if (kind === 'key') {
      const holder = call('web_controls_key', 'number', ['number', 'number'], [action, event.keyCode]);
      if (holder >= 0) refused(holder, holder < 10 ? state.keys[holder] : 'That key');
    }
    show();
  };
  // Escape while a key is awaited empties the slot rather than closing the dialog.
  const onCancel = (event) => { if (waiting) event.preventDefault(); };
  const onDefault = () => {
    stopWaiting();
    message.textContent = '';
    call('web_controls_default');
    show();
  };
  // On the window, before the page's own key handling: the button pressed was redrawn, so the
  // focus may be outside the dialog.
  window.addEventListener('keydown', onKeyDown, true);
  dialog.addEventListener('cancel', onCancel);
  dialog.querySelector('.default').addEventListener('click', onDefault);
  message.textContent = '';
  show();
  showDialog(dialog, (answer) => {
    stopWaiting();
    window.removeEventListener('keydown', onKeyDown, true);
    dialog.removeEventListener('cancel', onCancel);
    dialog.querySelector('.default').removeEventListener('click', onDefault);
    // Kept with the settings at once (the program writes them when they changed).
    call('web_controls_close', null, ['number'], [answer === 'ok' ? 1 : 0]);
  });
}

// ---- Keys, touch controls and gamepads ----

// The keys the game holds down now (code: key code), each let go when the page loses the
// keyboard or is hidden, since the key-up then goes elsewhere.
const heldKeys = new Map();

function sendKey(down, keyCode, code, altDown, repeat) {
  if (down) heldKeys.set(code, keyCode);
  else heldKeys.delete(code);
  return call('web_key', 'number', ['number', 'number', 'string', 'number', 'number'],
    [down ? 1 : 0, keyCode, code, altDown ? 1 : 0, repeat ? 1 : 0]);
}

// A key or touch control pressed and let go between two ticks would never be seen by the game,
// which reads the keys once a tick: such a release waits until one tick has run, so that a
// quick tap counts for one frame.
let ticksRun = 0;
const pressedAt = new Map(); // code: { tick: ticksRun when pressed, handled }
const lateReleases = new Map(); // code: [key code, Alt down]

// Whether the page keeps the browser's own use of the key.
function pressKey(keyCode, code, altDown, repeat) {
  lateReleases.delete(code);
  const handled = sendKey(true, keyCode, code, altDown, repeat);
  if (!repeat || !pressedAt.has(code)) pressedAt.set(code, { tick: ticksRun, handled });
  return handled;
}

function releaseKey(keyCode, code, altDown) {
  const pressed = pressedAt.get(code);
  pressedAt.delete(code);
  if (pressed && pressed.tick === ticksRun && heldKeys.has(code)) {
    lateReleases.set(code, [keyCode, altDown]);
    return pressed.handled;
  }
  return sendKey(false, keyCode, code, altDown, false);
}

function onKey(event, down) {
  resumeAudio();
  if (!running) return;
  // A key let go always reaches the game, so that no key stays held behind a dialog or menu.
  if (down) {
    if (uiHasKeys() || replayControlKeeps(event)) return;
    // Escape on the full screen is the browser's way out of it; it does not end the game there.
    if (event.key === 'Escape' && document.fullscreenElement) return;
    if (openPopup) {
      if (menuKey(event)) event.preventDefault();
      return;
    }
    if (event.key === 'Escape') {
      event.preventDefault();
      if (!event.repeat) askEnd();
      return;
    }
    if (event.altKey && !event.repeat && openPopupByAccessKey(event)) {
      event.preventDefault();
      return;
    }
  }
  const handled = down ? pressKey(event.keyCode, event.code, event.altKey, event.repeat)
    : releaseKey(event.keyCode, event.code, event.altKey);
  if (handled) event.preventDefault();
}

window.addEventListener('keydown', (event) => onKey(event, true));
window.addEventListener('keyup', (event) => onKey(event, false));
window.addEventListener('mousedown', resumeAudio);
window.addEventListener('pointerdown', resumeAudio);
window.addEventListener('touchend', resumeAudio);

// The touch controls press the game's own keys, taps latched as the keyboard's are.
const TOUCH_KEYS = {
  up: [38, 'ArrowUp'], down: [40, 'ArrowDown'], left: [37, 'ArrowLeft'], right: [39, 'ArrowRight'],
  shot: [90, 'KeyZ'], laser: [88, 'KeyX'], bomb: [67, 'KeyC'], start: [112, 'F1'], pause: [80, 'KeyP'],
};

// The touch controls' actions (the game's own order), so that they press the player's keys.
const TOUCH_ACTIONS = { up: 0, down: 1, left: 2, right: 3, shot: 4, laser: 5, bomb: 6, start: 7,
  pause: 9 };
const ARROW_CODES = { 37: 'ArrowLeft', 38: 'ArrowUp', 39: 'ArrowRight', 40: 'ArrowDown' };
const touchPressed = new Map(); // name: [key code, code] pressed

function touchKeyOf(name) {
  const bound = call('web_action_key', 'number', ['number'], [TOUCH_ACTIONS[name]]);
  if (bound === TOUCH_KEYS[name][0]) return TOUCH_KEYS[name];
  if (bound >= 0) return [bound, ARROW_CODES[bound] || 'Touch' + name];
  return name === 'pause' ? [123, 'F12'] : null; // F12 pauses where no binding takes it
}

function touchKey(name, down) {
  if (!running) return;
  const key = down ? touchKeyOf(name) : touchPressed.get(name);
  if (down && key) touchPressed.set(name, key);
  if (!down) touchPressed.delete(name);
  if (!key) return;
  const [keyCode, code] = key;
  if (down) pressKey(keyCode, code, false, false);
  else releaseKey(keyCode, code, false);
}

// The screen stays awake while a game runs (looked at once a second); the browser lets the
// lock go by itself when the page is hidden, and it is asked for again when it is shown.
const WAKE_CHECK_TICKS = 60;
const wake = { lock: null, asking: false };

function keepAwake(wanted) {
  if (!('wakeLock' in navigator)) return;
  const held = wake.lock !== null && !wake.lock.released;
  if (wanted && !held && !wake.asking && document.visibilityState === 'visible') {
    wake.asking = true;
    navigator.wakeLock.request('screen').then((lock) => { wake.lock = lock; },
      () => { wake.lock = null; }).finally(() => { wake.asking = false; });
  } else if (!wanted && held) {
    wake.lock.release().catch(() => {});
    wake.lock = null;
  }
}

// One tick of the game, then the releases that waited for it.
function tick() {
  call('web_tick');
  ++ticksRun;
  if (ticksRun % WAKE_CHECK_TICKS === 0) keepAwake(running && call('web_game_running', 'number') === 1);
  if (replay.watching) {
    checkReplayEnd();
    if (!replay.ended) showReplayPlace(true);
  }
  else if (ticksRun % REPLAY.STORE_TICKS === 0) storeSession();
  if (lateReleases.size === 0) return;
  const late = [...lateReleases];
  lateReleases.clear();
  for (const [code, [keyCode, altDown]] of late) sendKey(false, keyCode, code, altDown, false);
}

// The stick: a ring; the direction from its centre to the finger, in eight ways, once the
// finger is a quarter of the radius away from the centre.
const SECTOR_KEYS = [['right'], ['right', 'down'], ['down'], ['left', 'down'], ['left'],
  ['left', 'up'], ['up'], ['right', 'up']];
const stick = { pointer: null, keys: [] };

function stickTo(x, y) {
  const ring = $('.stick-ring').getBoundingClientRect();
  const radius = ring.width / 2;
  let dx = (x - ring.left - radius) / radius;
  let dy = (y - ring.top - radius) / radius;
  const length = Math.hypot(dx, dy);
  let keys = [];
  if (length >= 0.25) {
    const sector = (Math.round(Math.atan2(dy, dx) / (Math.PI / 4)) + 8) % 8;
    keys = SECTOR_KEYS[sector];
  }
  if (length > 1) {
    dx /= length;
    dy /= length;
  }
  $('.stick-knob').style.transform = `translate(${dx * radius}px, ${dy * radius}px)`;
  for (const key of stick.keys) if (!keys.includes(key)) touchKey(key, false);
  for (const key of keys) if (!stick.keys.includes(key)) touchKey(key, true);
  stick.keys = keys;
}

function stickRelease() {
  for (const key of stick.keys) touchKey(key, false);
  stick.keys = [];
  stick.pointer = null;
  $('.stick-knob').style.transform = '';
}

const stickPanel = $('#touch-stick');
stickPanel.addEventListener('pointerdown', (event) => {
  if (stick.pointer !== null) return;
  event.preventDefault();
  stick.pointer = event.pointerId;
  stickPanel.setPointerCapture(event.pointerId);
  stickTo(event.clientX, event.clientY);
});
stickPanel.addEventListener('pointermove', (event) => {
  if (event.pointerId === stick.pointer) stickTo(event.clientX, event.clientY);
});
for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
  stickPanel.addEventListener(type, (event) => { if (event.pointerId === stick.pointer) stickRelease(); });
}

// The buttons: each finger holds the button it came down on until it is lifted.
const buttonPointers = new Map(); // pointer id: button

for (const button of document.querySelectorAll('#touch-buttons button')) {
  button.addEventListener('pointerdown', (event) => {
    event.preventDefault();
    button.setPointerCapture(event.pointerId);
    buttonPointers.set(event.pointerId, button);
    button.classList.add('down');
    touchKey(button.dataset.key, true);
  });
  const lift = (event) => {
    if (buttonPointers.get(event.pointerId) !== button) return;
    buttonPointers.delete(event.pointerId);
    if (![...buttonPointers.values()].includes(button)) {
      button.classList.remove('down');
      touchKey(button.dataset.key, false);
    }
  };
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) button.addEventListener(type, lift);
  // No context menu or text selection from a long press.
  button.addEventListener('contextmenu', (event) => event.preventDefault());
}
stickPanel.addEventListener('contextmenu', (event) => event.preventDefault());

// Every held key and touch control let go at once: the window lost the focus, the page was
// hidden, or the session ended.
function releaseAll() {
  if (stick.pointer !== null) stickRelease();
  buttonPointers.clear();
  for (const button of document.querySelectorAll('#touch-buttons button.down')) button.classList.remove('down');
  lateReleases.clear();
  pressedAt.clear();
  for (const [code, keyCode] of [...heldKeys]) sendKey(false, keyCode, code, false, false);
}

window.addEventListener('blur', () => { if (running) releaseAll(); });
window.addEventListener('pagehide', () => {
  if (!running) return;
  releaseAll();
  storeSession();
});
window.addEventListener('gamepadconnected', () => { if (running) call('web_gamepad_connected'); });

$('#fullscreen-button').addEventListener('click', () => {
  $('#fullscreen-button').blur(); // Enter and Space are the game's again
  if (running) call('web_command', null, ['number', 'number'], [CMD.FULL_SCREEN, 0]);
});

// ---- The clock ----

// Smooth or exact (the page's Speed setting, taken at start-up); the page test reads its
// count of display frames by ticks.
const clock = VelkarClock.create();

function animationFrame(now) {
  if (!running) return;
  for (let ticks = VelkarClock.ticksAt(clock, now); ticks > 0; --ticks) tick();
  velkarUi.draw();
  requestAnimationFrame(animationFrame);
}

// While the tab is hidden no animation frame comes; the first one after it starts afresh.
document.addEventListener('visibilitychange', () => {
  VelkarClock.restart(clock);
  if (document.visibilityState === 'hidden' && running) {
    releaseAll();
    call('web_write_settings');
    storeSession();
  }
});

// ---- Start-up ----

function start() {
  const result = call('web_start', 'number', ['string', 'number', 'number', 'number'],
    [navigator.language || '', params.get('trace') === '1' ? 1 : 0, screen.width, screen.height]);
  if (result !== 0) {
    showNotice(PAGE_TEXTS[0].failed);
    return;
  }
  texts = JSON.parse(call('web_texts', 'string'));
  const fullScreenEntry = texts.menu.find((entry) => entry.id === CMD.FULL_SCREEN);
  const fullScreenText = plainText(fullScreenEntry.text[call('web_language', 'number')]).split('\t');
  $('#fullscreen-button .text').textContent = fullScreenText[0];
  $('#fullscreen-button').title = fullScreenText.join(' ');
  $('#fullscreen-button').setAttribute('aria-label', fullScreenText[0]);
  document.documentElement.lang = call('web_language', 'number') === 1 ? 'ja' : 'en';
  buildMenu();
  readPageSettings();
  VelkarClock.setExact(clock, pageSettings.Speed === 'exact');
  running = true;
  layout();
  startReplayOrRecording();
  findBoard();
  if (TEST_MODE) {
    window.velkarTest = {
      // Runs n ticks of the game clock with the keys held now; returns the game state.
      step(n) {
        for (let i = 0; i < n; ++i) tick();
        velkarUi.draw();
        return JSON.parse(call('web_state_json', 'string'));
      },
      state() { return JSON.parse(call('web_state_json', 'string')); },
      // The replay playing or played: its state, frames, digests and the sentence that says it.
      replayState() { return JSON.parse(call('web_replay_state', 'string')); },
      // The session recorded so far, as Save Replay downloads it.
      sessionCopy() { return sessionCopy(); },
      // Stores the session now; resolves with the stored sessions.
      async storedSessions() {
        await storeSession();
        return storedSessions();
      },
      // Whether every settings file written so far has reached the browser's storage.
      settingsStored() { return !settingsSyncing && !settingsSyncAgain; },
      // Runs ticks until the Name Entry dialog opens (at most n); returns how many ran, or -1.
      stepUntilNameEntry(n) {
        for (let i = 0; i < n; ++i) {
          tick();
          if ($('#name-dialog').open) return i + 1;
        }
        velkarUi.draw();
        return -1;
      },
      // Writes the settings file into the browser's storage as a previous session would have.
      storeSettings(text) {
        FS.writeFile('/settings/velkar.ini', text);
        return new Promise((resolve, reject) =>
          FS.syncfs(false, (error) => (error ? reject(error) : resolve())));
      },
      // Mean time of one tick over n ticks, the median and 99th percentile of single ticks, and
      // the time of putting a picture on the canvas, in microseconds.
      time(n) {
        const single = [];
        let begin = performance.now();
        for (let i = 0; i < n; ++i) {
          const at = performance.now();
          call('web_tick');
          single.push((performance.now() - at) * 1000);
        }
        const tickUs = ((performance.now() - begin) * 1000) / n;
        single.sort((a, b) => a - b);
        const p50Us = single[Math.floor(n * 0.5)];
        const p99Us = single[Math.min(n - 1, Math.floor(n * 0.99))];
        const draws = 100;
        begin = performance.now();
        for (let i = 0; i < draws; ++i) {
          call('web_tick');
          velkarUi.draw();
        }
        const drawUs = ((performance.now() - begin) * 1000) / draws - tickUs;
        return { tickUs, p50Us, p99Us, drawUs };
      },
    };
  } else {
    requestAnimationFrame(animationFrame);
    keepFiles();
  }
  window.velkarReady = true;
}

// A page from a web server has its files kept by the service worker, for play with no network
// and to be installed as an app. (Not in the test mode, whose tests serve files of their own.)
function keepFiles() {
  if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol)) return;
  navigator.serviceWorker.register('velkar_sw.js').catch((error) =>
    console.warn('the page\'s files are not kept for offline play:', error.message || error));
}

// The program: compiled while it downloads where the server sends it as application/wasm,
// else once it is whole; a page opened from a folder, which cannot fetch it, takes it from
// velkar_wasm_file.js (a script, which such a page may load).
async function compileProgram(imports) {
  if (location.protocol === 'file:') {
    await new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = 'velkar_wasm_file.js';
      script.onload = resolve;
      script.onerror = () => reject(new Error('velkar_wasm_file.js cannot be read'));
      document.head.appendChild(script);
    });
    const bytes = Uint8Array.from(atob(velkarWasmFile), (c) => c.charCodeAt(0));
    return WebAssembly.instantiate(bytes, imports);
  }
  const response = fetch('velkar.wasm', { credentials: 'same-origin' });
  if (WebAssembly.instantiateStreaming) {
    try {
      const result = await WebAssembly.instantiateStreaming(response, imports);
      window.velkarWasmStreamed = true;
      return result;
    } catch (error) {
      // Most likely another type than application/wasm: compiled from the whole file below.
      console.warn('velkar.wasm not compiled while it streams:', error.message || error);
    }
  }
  const again = await fetch('velkar.wasm', { credentials: 'same-origin' });
  if (!again.ok) throw new Error(`velkar.wasm: the server answered ${again.status}`);
  return WebAssembly.instantiate(await again.arrayBuffer(), imports);
}

var Module = {
  instantiateWasm(imports, receive) {
    compileProgram(imports).then((result) => receive(result.instance, result.module), (error) => {
      console.error(error);
      showNotice(PAGE_TEXTS[0].failed);
    });
    return {};
  },
  preRun: [() => {
    // The settings file lives in IndexedDB; it is read before the game starts.
    FS.mkdir('/settings');
    FS.mount(IDBFS, {}, '/settings');
    addRunDependency('settings');
    FS.syncfs(true, (error) => {
      if (error) console.warn('settings not loaded:', error);
      removeRunDependency('settings');
    });
    // A replay to watch is at hand before the first frame.
    addRunDependency('replay');
    prepareReplay().finally(() => removeRunDependency('replay'));
  }],
  onRuntimeInitialized: start,
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
};
