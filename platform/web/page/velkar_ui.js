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
const MENU_POPUP = 0, MENU_ITEM = 1, MENU_SEPARATOR = 2, MENU_SUBMENU = 3, MENU_SUBMENU_END = 4;
const MSG_ANSWER_OK = 1, MSG_ANSWER_CANCEL = 2;
// The page's own texts (the fitted picture size and the end of a game session).
const PAGE_TEXTS = [
  { fit: 'Fit to &Page', ended: 'VELKAR has ended. Reload the page to play again.',
    failed: 'VELKAR cannot run in this browser.' },
  { fit: 'ページに合わせる(&P)', ended: 'VELKAR は終了しました。もう一度遊ぶにはページを再読み込みしてください。',
    failed: 'このブラウザでは VELKAR を実行できません。' },
];

const $ = (selector) => document.querySelector(selector);
const canvas = $('#screen');
const context = canvas.getContext('2d');

let texts = null;
let shown = null; // the picture of the last tick, not yet on the canvas
let running = false;
let scale = 'x2';
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

const audio = { context: null, voices: new Map(), next: 1 };

function resumeAudio() {
  if (audio.context && audio.context.state === 'suspended') audio.context.resume();
}

// ---- What the program calls (EM_JS) ----

window.velkarUi = {
  // A tick hands over its picture; it reaches the canvas once per animation frame (draw), so
  // that several ticks in one frame cost one canvas update.
  present(rgba, width, height) {
    shown = { rgba, width, height };
  },
  draw() {
    if (!shown) return;
    context.putImageData(new ImageData(new Uint8ClampedArray(shown.rgba), shown.width, shown.height), 0, 0);
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
  setClientSize(width, height) {
    scale = width >= 480 ? 'x2' : 'x1';
    applyScale();
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
    call('web_write_settings');
    showNotice(PAGE_TEXTS[pageLanguage()].ended);
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
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    if (!audio.context) audio.context = new Context();
    return 1;
  },
  audioClose() {
    // The context stays for the next start of the engine; its voices are released one by one.
  },
  voiceCreate(samples, frames, channels, rate) {
    if (!audio.context) return -1;
    const buffer = audio.context.createBuffer(channels, frames, rate);
    for (let c = 0; c < channels; ++c) {
      const data = buffer.getChannelData(c);
      for (let i = 0; i < frames; ++i) data[i] = samples[i * channels + c];
    }
    const gain = audio.context.createGain();
    gain.gain.value = 0;
    gain.connect(audio.context.destination);
    const id = audio.next++;
    audio.voices.set(id, { buffer, gain, source: null });
    return id;
  },
  voiceGain(id, value) {
    const voice = audio.voices.get(id);
    if (voice) voice.gain.gain.value = value;
  },
  voicePlay(id) {
    const voice = audio.voices.get(id);
    if (!voice) return;
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
    voice.gain.disconnect();
    audio.voices.delete(id);
  },
};

// ---- The picture's size ----

function pageLanguage() {
  return running || texts ? call('web_dialog_language', 'number') : 0;
}

function applyScale() {
  const box = $('#screen-box');
  let width = 480, height = 640;
  if (scale === 'x1') {
    width = 240;
    height = 320;
  } else if (scale === 'fit') {
    const room = window.innerHeight - $('#bar').offsetHeight - 16;
    const factor = Math.max(0.25, Math.min((window.innerWidth - 16) / 240, room / 320));
    width = Math.floor(240 * factor);
    height = Math.floor(320 * factor);
    call('web_client_size', null, ['number', 'number'], [width, height]);
  }
  box.style.width = width + 'px';
  box.style.height = height + 'px';
}

window.addEventListener('resize', () => { if (scale === 'fit') applyScale(); });

document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement) call('web_full_screen_left');
  const box = $('#screen-box');
  if (document.fullscreenElement) {
    // Black bars keep the picture's 3 : 4 shape on the whole screen.
    const factor = Math.min(screen.width / 240, screen.height / 320);
    box.style.width = Math.floor(240 * factor) + 'px';
    box.style.height = Math.floor(320 * factor) + 'px';
  } else {
    applyScale();
  }
});

function showNotice(text) {
  const notice = $('#notice');
  notice.textContent = text;
  notice.hidden = false;
}

// ---- Menu bar ----

function buildMenu() {
  const language = call('web_language', 'number');
  const bar = $('#menubar');
  bar.textContent = '';
  let popupIndex = -1;
  let list = null;
  let outer = null;
  const addItem = (id, text, target) => {
    const li = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.setAttribute('role', 'menuitemcheckbox');
    button.dataset.id = id;
    const [label, shortcut] = plainText(text).split('\t');
    button.innerHTML = '<span class="label"></span><span class="shortcut"></span>';
    button.querySelector('.label').textContent = label;
    button.querySelector('.shortcut').textContent = shortcut || '';
    button.addEventListener('click', () => chooseItem(id));
    li.appendChild(button);
    target.appendChild(li);
  };
  for (const entry of texts.menu) {
    const text = entry.text[language];
    if (entry.kind === MENU_POPUP) {
      popupIndex += 1;
      const popup = document.createElement('div');
      popup.className = 'popup';
      popup.dataset.index = popupIndex;
      const title = document.createElement('button');
      title.type = 'button';
      title.textContent = plainText(text);
      title.addEventListener('click', () => (openPopup === popup ? closeMenu() : showPopup(popup)));
      title.addEventListener('mouseenter', () => { if (openPopup && openPopup !== popup) showPopup(popup); });
      list = document.createElement('ul');
      list.className = 'items';
      list.setAttribute('role', 'menu');
      popup.append(title, list);
      bar.appendChild(popup);
      outer = null;
    } else if (entry.kind === MENU_SUBMENU) {
      const li = document.createElement('li');
      li.className = 'submenu';
      const button = document.createElement('button');
      button.type = 'button';
      button.innerHTML = '<span class="label"></span><span class="shortcut">\u25B8</span>';
      button.querySelector('.label').textContent = plainText(text);
      const inner = document.createElement('ul');
      inner.className = 'items';
      li.append(button, inner);
      list.appendChild(li);
      outer = list;
      list = inner;
    } else if (entry.kind === MENU_SUBMENU_END) {
      list = outer;
      outer = null;
    } else if (entry.kind === MENU_SEPARATOR) {
      list.appendChild(document.createElement('hr'));
    } else if (entry.kind === MENU_ITEM) {
      addItem(entry.id, text, list);
      // The page can also fit the picture to itself, after the two fixed sizes.
      if (entry.id === CMD.SIZE_X2) addItem('fit', PAGE_TEXTS[language].fit, list);
    }
  }
}

function showPopup(popup) {
  if (openPopup) hidePopup();
  openPopup = popup;
  popup.classList.add('open');
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
  const fit = popup.querySelector('button[data-id="fit"]');
  if (fit) fit.setAttribute('aria-checked', scale === 'fit' ? 'true' : 'false');
}

function hidePopup() {
  openPopup.classList.remove('open');
  openPopup = null;
}

function closeMenu() {
  if (!openPopup) return;
  hidePopup();
  call('web_menu_close');
}

document.addEventListener('mousedown', (event) => {
  if (openPopup && !openPopup.contains(event.target)) closeMenu();
});

function chooseItem(id) {
  closeMenu();
  if (id === 'fit') {
    scale = 'fit';
    applyScale();
    return;
  }
  switch (id) {
    case CMD.CLEAR_HISCORE: return askClearHiScore();
    case CMD.DEVICE_CONFIG: return openDeviceDialog();
    case CMD.ABOUT: return openAboutDialog();
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

function openNameDialog() {
  const t = texts.nameEntry[call('web_dialog_language', 'number')];
  const dialog = $('#name-dialog');
  fillTexts(dialog, { '.caption': t.caption, '.heading': t.heading, '.prompt': t.prompt, '.ok': t.ok });
  const input = dialog.querySelector('input');
  input.value = '';
  // The game runs on meanwhile; the name is cut to nine bytes when it is stored.
  showDialog(dialog, (answer) => {
    call('web_name_entry', null, ['number', 'string'], [answer === 'ok' ? 1 : 0, input.value]);
  });
  input.focus();
}

function openAboutDialog() {
  const t = texts.about[call('web_dialog_language', 'number')];
  const dialog = $('#about-dialog');
  fillTexts(dialog, { '.caption': t.caption, '.title': t.title, '.version-label': t.versionLabel,
    '.version': texts.version, '.systems': t.systems, '.ok': t.ok });
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
  connectLabel.textContent = t.connectLabel;
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

// ---- Keys and gamepads ----

function onKey(event, down) {
  resumeAudio();
  if (!running) return;
  // A key let go always reaches the game, so that no key stays held behind a dialog or menu.
  if (down) {
    if (uiHasKeys()) return;
    // Escape on the full screen is the browser's way out of it; it does not end the game there.
    if (event.key === 'Escape' && document.fullscreenElement) return;
    if (openPopup) {
      if (event.key === 'Escape') closeMenu();
      return;
    }
  }
  const handled = call('web_key', 'number', ['number', 'number', 'string', 'number', 'number'],
    [down ? 1 : 0, event.keyCode, event.code, event.altKey ? 1 : 0, event.repeat ? 1 : 0]);
  if (handled) event.preventDefault();
}

window.addEventListener('keydown', (event) => onKey(event, true));
window.addEventListener('keyup', (event) => onKey(event, false));
window.addEventListener('mousedown', resumeAudio);
window.addEventListener('gamepadconnected', () => { if (running) call('web_gamepad_connected'); });

$('#fullscreen-button').addEventListener('click', () => {
  if (running) call('web_command', null, ['number', 'number'], [CMD.FULL_SCREEN, 0]);
});

// ---- The clock ----

const clock = VelkarClock.create();

function animationFrame(now) {
  if (!running) return;
  for (let ticks = VelkarClock.ticksAt(clock, now); ticks > 0; --ticks) call('web_tick');
  velkarUi.draw();
  requestAnimationFrame(animationFrame);
}

// While the tab is hidden no animation frame comes; the first one after it starts afresh.
document.addEventListener('visibilitychange', () => {
  VelkarClock.restart(clock);
  if (document.visibilityState === 'hidden' && running) call('web_write_settings');
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
  $('#fullscreen-button').textContent = fullScreenText[0];
  $('#fullscreen-button').title = fullScreenText.join(' ');
  document.documentElement.lang = call('web_language', 'number') === 1 ? 'ja' : 'en';
  buildMenu();
  applyScale();
  running = true;
  if (TEST_MODE) {
    window.velkarTest = {
      // Runs n ticks of the game clock with the keys held now; returns the game state.
      step(n) {
        for (let i = 0; i < n; ++i) call('web_tick');
        velkarUi.draw();
        return JSON.parse(call('web_state_json', 'string'));
      },
      state() { return JSON.parse(call('web_state_json', 'string')); },
      // Whether every settings file written so far has reached the browser's storage.
      settingsStored() { return !settingsSyncing && !settingsSyncAgain; },
      // Runs ticks until the Name Entry dialog opens (at most n); returns how many ran, or -1.
      stepUntilNameEntry(n) {
        for (let i = 0; i < n; ++i) {
          call('web_tick');
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
      // Mean time of one tick over n ticks, and of putting a picture on the canvas, in
      // microseconds.
      time(n) {
        let begin = performance.now();
        for (let i = 0; i < n; ++i) call('web_tick');
        const tickUs = ((performance.now() - begin) * 1000) / n;
        const draws = 100;
        begin = performance.now();
        for (let i = 0; i < draws; ++i) {
          call('web_tick');
          velkarUi.draw();
        }
        const drawUs = ((performance.now() - begin) * 1000) / draws - tickUs;
        return { tickUs, drawUs };
      },
    };
  } else {
    requestAnimationFrame(animationFrame);
  }
  window.velkarReady = true;
}

var Module = {
  preRun: [() => {
    // The settings file lives in IndexedDB; it is read before the game starts.
    FS.mkdir('/settings');
    FS.mount(IDBFS, {}, '/settings');
    addRunDependency('settings');
    FS.syncfs(true, (error) => {
      if (error) console.warn('settings not loaded:', error);
      removeRunDependency('settings');
    });
  }],
  onRuntimeInitialized: start,
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
};
