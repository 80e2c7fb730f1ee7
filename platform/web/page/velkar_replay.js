// Replays in the page: every session is recorded from start-up by the program's recorder, kept
// in the browser's IndexedDB for the last few sessions and saved as a .vrp file on request; a
// replay from a link (?replay=URL) or a file the player picks plays in place of the player's
// game; and a page served by the score board submits its session to it.
//
// A replay must start where the program starts, so the page starts afresh to watch one: the
// file waits in IndexedDB while the page loads again with ?watch=1, and "Play" afterwards loads
// the page without it, so that the next session is recorded from start-up too.
'use strict';

const REPLAY = {
  // The page reads no more of a file or a download than this: one byte past what the
  // program's reader takes, so that the reader itself refuses a longer file.
  MOST_BYTES: 4 * 1024 * 1024 + 1,
  // Sessions kept in the browser's storage, newest first.
  KEPT_SESSIONS: 5,
  // The session is copied into storage this often (ticks of 16 ms: about 10 seconds).
  STORE_TICKS: 625,
  // The bar's Page Up and Page Down: 10 s of play, as the Left and Right keys seek.
  SEEK_FRAMES: 625,
  // The board's verification is asked after for this long at most.
  BOARD_WAIT_MS: 120000,
  DATABASE: 'velkar-replays',
};

const REPLAY_TEXTS = [
  { menu: '&Replay', save: '&Save Replay', watch: '&Watch Replay...', recent: '&Recent Replays...',
    submit: 'Submit to Score &Board', watching: 'Replay: ', stop: 'End Replay (F2)',
    matched: 'The replay played to its end exactly as it was recorded.',
    differs: 'The replay went another way than its recording.',
    noClosing: 'The replay file was cut off; it played as far as it goes.',
    stopped: 'The replay was ended before its end.',
    again: 'Watch Again', play: 'Play',
    refused: 'This replay cannot be played:',
    notFetched: 'The replay could not be fetched:',
    nothing: 'Nothing has been recorded in this session.',
    full: 'The replay of this session is full; the rest of the session is not recorded.',
    recentCaption: 'Recent Replays', none: 'No session is stored yet.',
    frames: 'frames', close: 'Close',
    bar: 'Replay', position: 'Replay position', resume: 'Play', pause: 'Pause', speed: 'Replay speed',
    takeOver: 'Take over',
    fastest: 'fastest', frameOf: (frame, length) => `frame ${frame} / ${length}`,
    boardCaption: 'Score Board', sending: 'Sending the replay to the score board...',
    stored: 'The score board has the replay; it is playing it through now...',
    verified: 'The score board played the replay through and ranked it.',
    boardRefused: 'The score board refused the replay:',
    boardPending: 'The score board has not finished playing the replay; look at the board later.',
    boardFailed: 'The score board could not be reached:',
    entry: (e) => `${e.rank === 'hard' ? 'Hard' : 'Normal'}: ${e.score} points, stage ${e.stage}` +
      (e.name !== null ? `, ${e.name}` : ''),
    noEntry: 'No game of this session ended, so nothing was ranked.' },
  { menu: 'リプレイ(&R)', save: 'リプレイを保存(&S)', watch: 'リプレイを見る(&W)...',
    recent: '最近のリプレイ(&R)...', submit: 'スコアボードに送る(&B)', watching: 'リプレイ: ',
    stop: 'リプレイを終える (F2)',
    matched: 'リプレイは記録どおりに最後まで再生されました。',
    differs: 'リプレイは記録と違う展開になりました。',
    noClosing: 'リプレイのファイルは途中で切れています。ある所まで再生しました。',
    stopped: 'リプレイは最後まで再生する前に終えました。',
    again: 'もう一度見る', play: 'プレイする',
    refused: 'このリプレイは再生できません:',
    notFetched: 'リプレイを取得できませんでした:',
    nothing: 'このセッションはまだ何も記録されていません。',
    full: 'このセッションのリプレイは一杯です。これ以降は記録されません。',
    recentCaption: '最近のリプレイ', none: '保存されたセッションはまだありません。',
    frames: 'フレーム', close: '閉じる',
    bar: 'リプレイ', position: 'リプレイの位置', resume: '再生', pause: '一時停止', speed: '再生速度',
    takeOver: '操作を引き継ぐ',
    fastest: '最速', frameOf: (frame, length) => `フレーム ${frame} / ${length}`,
    boardCaption: 'スコアボード', sending: 'リプレイをスコアボードに送っています...',
    stored: 'スコアボードがリプレイを受け取り、再生して確かめています...',
    verified: 'スコアボードがリプレイを最後まで再生し、順位を付けました。',
    boardRefused: 'スコアボードはリプレイを受け付けませんでした:',
    boardPending: 'スコアボードの再生がまだ終わっていません。後でボードを見てください。',
    boardFailed: 'スコアボードにつながりませんでした:',
    entry: (e) => `${e.rank === 'hard' ? 'ハード' : 'ノーマル'}: ${e.score} 点, ステージ ${e.stage}` +
      (e.name !== null ? `, ${e.name}` : ''),
    noEntry: 'このセッションで終わったゲームがないため、順位は付きません。' },
];

const replay = {
  pending: null,     // before start-up: { name, bytes } to watch, or { name, error }
  watching: null,    // the name of the replay playing
  ended: false,      // the replay watched has ended
  sessionId: 0,      // the stored session this page records (its start time)
  lastStoredFrames: -1,
  storing: false,
  board: false,      // the page is served by the score board
};

const replayTexts = () => REPLAY_TEXTS[pageLanguage()];

// ---- The browser's storage ----

function openReplayDatabase() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(REPLAY.DATABASE, 1);
    request.onupgradeneeded = () => {
      request.result.createObjectStore('sessions', { keyPath: 'id' });
      request.result.createObjectStore('watch');
    };
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

// Runs work(stores) in one transaction over the named stores; resolves with what work's last
// request gave once the transaction is done.
async function replayTransaction(names, mode, work) {
  const db = await openReplayDatabase();
  try {
    return await new Promise((resolve, reject) => {
      const transaction = db.transaction(names, mode);
      let result;
      const stores = names.map((name) => transaction.objectStore(name));
      const request = work(...stores);
      if (request) request.onsuccess = () => { result = request.result; };
      transaction.oncomplete = () => resolve(result);
      transaction.onerror = () => reject(transaction.error);
      transaction.onabort = () => reject(transaction.error);
    });
  } finally {
    db.close();
  }
}

// The stored sessions, newest first.
async function storedSessions() {
  const all = await replayTransaction(['sessions'], 'readonly', (sessions) => sessions.getAll());
  return (all || []).sort((a, b) => b.id - a.id);
}

// The session so far, as a whole replay file ('' when nothing is recorded).
function sessionCopy() {
  return call('web_record_copy', 'string');
}

// Keeps this session's copy in storage, and only the newest sessions.
async function storeSession() {
  if (replay.storing || replay.sessionId === 0) return;
  const frames = call('web_record_frames', 'number');
  if (frames === replay.lastStoredFrames) return;
  const text = sessionCopy();
  if (!text) return;
  replay.storing = true;
  try {
    const record = { id: replay.sessionId, started: new Date(replay.sessionId).toISOString(), frames, text };
    await replayTransaction(['sessions'], 'readwrite', (sessions) => {
      sessions.put(record);
      const keys = sessions.getAllKeys();
      keys.onsuccess = () => {
        const old = keys.result.sort((a, b) => b - a).slice(REPLAY.KEPT_SESSIONS);
        for (const key of old) sessions.delete(key);
      };
    });
    replay.lastStoredFrames = frames;
  } catch (error) {
    console.warn('session not stored:', error);
  } finally {
    replay.storing = false;
  }
}

// ---- Watching ----

// Reads at most REPLAY.MOST_BYTES of a response's body.
async function boundedBody(response) {
  if (!response.body) return new Uint8Array(await response.arrayBuffer()).slice(0, REPLAY.MOST_BYTES);
  const reader = response.body.getReader();
  const parts = [];
  let size = 0;
  while (size < REPLAY.MOST_BYTES) {
    const { done, value } = await reader.read();
    if (done) break;
    parts.push(value.subarray(0, REPLAY.MOST_BYTES - size));
    size += Math.min(value.length, REPLAY.MOST_BYTES - size);
  }
  reader.cancel().catch(() => {});
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const part of parts) {
    bytes.set(part, at);
    at += part.length;
  }
  return bytes;
}

// The name a file goes by in messages: the last part of its path.
function replayName(text) {
  return text.split(/[\\/]/).filter(Boolean).pop() || text;
}

// ?replay=URL: the file, fetched before the program starts (the browser's own rules decide
// which other sites may be read). Only web addresses are fetched.
async function fetchReplay(address) {
  let url;
  try {
    url = new URL(address, location.href);
  } catch (error) {
    return { name: address, error: 'not a web address' };
  }
  const name = replayName(decodeURIComponent(url.pathname)) || url.host;
  if (url.protocol !== 'http:' && url.protocol !== 'https:') {
    return { name, error: 'only http and https addresses are fetched' };
  }
  try {
    const response = await fetch(url, { credentials: 'same-origin', redirect: 'follow' });
    if (!response.ok) return { name, error: `the server answered ${response.status}` };
    return { name, bytes: await boundedBody(response) };
  } catch (error) {
    return { name, error: String(error.message || error) };
  }
}

// Before the program starts: what the page was loaded to watch, if anything.
async function prepareReplay() {
  if (params.has('replay')) {
    replay.pending = await fetchReplay(params.get('replay'));
  } else if (params.get('watch') === '1') {
    try {
      replay.pending = await replayTransaction(['watch'], 'readonly', (watch) => watch.get('file'));
    } catch (error) {
      console.warn('no replay to watch:', error);
    }
  }
}

// The reader's verdict on bytes: '' when they can be played; watch 1 starts them at once
// (only before the first tick).
function openReplay(name, bytes, watch) {
  const at = Module._malloc(Math.max(bytes.length, 1));
  try {
    Module.HEAPU8.set(bytes, at);
    return call('web_replay_open', 'string', ['number', 'number', 'string', 'number'],
      [at, bytes.length, name, watch ? 1 : 0]);
  } finally {
    Module._free(at);
  }
}

// At start-up, before the first tick: the replay the page was loaded with plays, or else the
// session is recorded. A replay that cannot be played is refused with the reader's reason and
// the player's game goes on.
function startReplayOrRecording() {
  const pending = replay.pending;
  replay.pending = null;
  if (pending && pending.bytes) {
    const error = openReplay(pending.name, pending.bytes, true);
    if (!error) {
      replay.watching = pending.name;
      showReplayBar();
      return;
    }
    showReplayMessage(`${replayTexts().refused}\n${error}`);
  } else if (pending && pending.error) {
    showReplayMessage(`${replayTexts().notFetched}\n${pending.name}: ${pending.error}`);
  }
  const error = call('web_record_start', 'string');
  if (error) {
    console.warn('not recorded:', error);
    return;
  }
  replay.sessionId = Date.now();
}

// The page again, with these of its parameters changed (null: left out).
function pageWith(changes) {
  const next = new URLSearchParams(location.search);
  for (const [key, value] of Object.entries(changes)) {
    if (value === null) next.delete(key);
    else next.set(key, value);
  }
  const query = next.toString();
  return location.pathname + (query ? '?' + query : '');
}

// Leaves this page for another start: the session stored and the settings written first.
async function restartPage(address) {
  await storeSession();
  running = false;
  releaseAll();
  call('web_session_end');
  await settingsStored();
  location.assign(address);
}

// A file the player picked: checked by the reader here, so that a damaged file is refused
// without leaving the game; a sound one is watched from a fresh start.
async function watchFile(file) {
  const bytes = new Uint8Array(await file.slice(0, REPLAY.MOST_BYTES).arrayBuffer());
  const name = replayName(file.name);
  const error = openReplay(name, bytes, false);
  if (error) {
    showReplayMessage(`${replayTexts().refused}\n${error}`);
    return;
  }
  await watchBytes(name, bytes);
}

async function watchBytes(name, bytes) {
  await replayTransaction(['watch'], 'readwrite', (watch) => watch.put({ name, bytes }, 'file'));
  await restartPage(pageWith({ replay: null, watch: '1' }));
}

function chooseReplayFile() {
  const input = document.createElement('input');
  input.type = 'file';
  input.accept = '.vrp,text/plain';
  input.addEventListener('change', () => {
    if (input.files.length) watchFile(input.files[0]).catch((error) => showReplayMessage(String(error)));
  });
  input.click();
}

function showReplayBar() {
  const t = replayTexts();
  const bar = $('#replay-bar');
  bar.querySelector('.name').textContent = t.watching + replay.watching;
  bar.querySelector('button').textContent = t.stop;
  bar.hidden = false;
  const controls = $('#replay-controls');
  controls.setAttribute('aria-label', t.bar);
  controls.querySelector('.position').setAttribute('aria-label', t.position);
  const speed = controls.querySelector('.speed');
  speed.setAttribute('aria-label', t.speed);
  speed.textContent = '';
  ['x1/4', 'x1/2', 'x1', 'x2', 'x4', 'x8', t.fastest].forEach((text, value) => speed.add(new Option(text, value)));
  controls.querySelector('.take-over').textContent = t.takeOver;
  controls.hidden = false;
  showReplayPlace();
  layout();
}

// ---- The bar under the picture while a replay plays ----

// Minutes and seconds of a number of frames: 62.5 frames a second, 16 ms each.
function replayClock(frames) {
  const seconds = Math.floor((frames * 16) / 1000);
  return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
}

// What the bar shows now; target: the frame the slider last asked for, until a tick has run.
const place = { frame: -1, length: -1, speed: -1, paused: -1, target: null, pointer: null };

// The replay's last frame: the slider's end, as the End key's (one more frame ends the replay).
const lastReplayFrame = () => Math.max(place.length - 1, 0);

function showReplayPosition(frame) {
  const t = replayTexts();
  const controls = $('#replay-controls');
  const slider = controls.querySelector('.position');
  place.frame = frame;
  slider.setAttribute('aria-valuemax', lastReplayFrame());
  slider.setAttribute('aria-valuenow', frame);
  const text = `${replayClock(frame)} / ${replayClock(place.length)}`;
  slider.setAttribute('aria-valuetext', text);
  const percent = `${(100 * Math.min(frame, lastReplayFrame())) / Math.max(lastReplayFrame(), 1)}%`;
  controls.querySelector('.thumb').style.left = percent;
  controls.querySelector('.done').style.width = percent;
  controls.querySelector('.time').textContent = text;
  controls.querySelector('.frames').textContent = t.frameOf(frame, place.length);
}

// After every tick while a replay plays (ticked), and when the bar changes something: the
// program's position, length, speed and pause, put on the bar where they changed. A frame the
// slider asked for is shown until a tick has gone there.
function showReplayPlace(ticked) {
  const controls = $('#replay-controls');
  if (controls.hidden) return;
  if (ticked) place.target = null;
  const length = call('web_replay_length', 'number');
  const frame = place.target !== null ? place.target : call('web_replay_position', 'number');
  if (length !== place.length || frame !== place.frame) {
    place.length = length;
    showReplayPosition(frame);
  }
  const speed = call('web_replay_speed', 'number');
  if (speed !== place.speed) {
    place.speed = speed;
    controls.querySelector('.speed').value = String(speed);
  }
  const paused = call('web_paused', 'number');
  if (paused !== place.paused) {
    place.paused = paused;
    const button = controls.querySelector('.play');
    button.dataset.playing = paused ? 'false' : 'true';
    button.setAttribute('aria-label', paused ? replayTexts().resume : replayTexts().pause);
    button.title = button.getAttribute('aria-label');
  }
}

// The slider asks for a frame: the program goes there before its next frame, by the seeking
// keys' path. The slider shows it at once.
function seekReplay(frame) {
  if (!running || replay.ended) return;
  place.target = Math.min(Math.max(Math.round(frame), 0), lastReplayFrame());
  call('web_replay_seek', null, ['number'], [place.target]);
  showReplayPosition(place.target);
}

// The keys the bar's speed list takes for itself when it has the focus: all but Escape and the
// function keys, which still reach the game. (Space on the play button is the game's pause
// key, which keeps the button from acting on it too; Enter presses the button.)
function replayControlKeeps(event) {
  const target = event.target;
  return target instanceof HTMLSelectElement && target.closest('#replay-controls') !== null &&
    event.key !== 'Escape' && !/^F\d+$/.test(event.key);
}

{
  const controls = $('#replay-controls');
  const slider = controls.querySelector('.position');
  // The slider's keys: the arrows one frame, Page Up and Page Down 10 s, Home and End the start
  // and the last frame. Every other key (Space, `.`, [ and ]) is the game's replay key.
  slider.addEventListener('keydown', (event) => {
    if (event.altKey || event.ctrlKey || event.metaKey || uiHasKeys()) return;
    const at = place.target !== null ? place.target : place.frame;
    const moves = { ArrowRight: 1, ArrowUp: 1, ArrowLeft: -1, ArrowDown: -1,
      PageUp: REPLAY.SEEK_FRAMES, PageDown: -REPLAY.SEEK_FRAMES };
    let to;
    if (Object.hasOwn(moves, event.key)) to = at + moves[event.key];
    else if (event.key === 'Home') to = 0;
    else if (event.key === 'End') to = lastReplayFrame();
    else return;
    event.preventDefault();
    event.stopPropagation();
    resumeAudio();
    seekReplay(to);
  });
  // Mouse, pen and fingers: the frame under the pointer, followed while it is dragged.
  const seekToPointer = (event) => {
    const track = slider.querySelector('.track').getBoundingClientRect();
    const ratio = Math.min(Math.max((event.clientX - track.left) / Math.max(track.width, 1), 0), 1);
    seekReplay(ratio * lastReplayFrame());
  };
  slider.addEventListener('pointerdown', (event) => {
    if (place.pointer !== null || (event.pointerType === 'mouse' && event.button !== 0)) return;
    place.pointer = event.pointerId;
    slider.setPointerCapture(event.pointerId);
    slider.focus();
    seekToPointer(event);
  });
  slider.addEventListener('pointermove', (event) => {
    if (event.pointerId === place.pointer) seekToPointer(event);
  });
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
    slider.addEventListener(type, (event) => { if (event.pointerId === place.pointer) place.pointer = null; });
  }
  controls.querySelector('.play').addEventListener('click', () => {
    if (!running || replay.ended) return;
    call('web_replay_set_paused', null, ['number'], [place.paused ? 0 : 1]);
    showReplayPlace();
  });
  // Take over (as T): the game from the frame shown is the player's.
  controls.querySelector('.take-over').addEventListener('click', () => {
    if (!running || replay.ended) return;
    call('web_replay_take_over');
  });
  controls.querySelector('.speed').addEventListener('change', (event) => {
    if (!running || replay.ended) return;
    call('web_replay_set_speed', null, ['number'], [Number(event.target.value)]);
    showReplayPlace();
  });
}

// After every tick while a replay plays: its end, or the frame where it went another way than
// its recording, is told at once (the game is held there), with the choice of watching it
// again or playing.
function checkReplayEnd() {
  if (!replay.watching || replay.ended) return;
  if (call('web_replay_playing', 'number') !== 0 && call('web_replay_differs', 'number') === 0) return;
  replay.ended = true;
  $('#replay-bar').hidden = true;
  $('#replay-controls').hidden = true;
  layout();
  // Taken over: the game goes on as the player's, recorded as this session's recording.
  if (call('web_replay_taken_over', 'number') !== 0) {
    replay.sessionId = Date.now();
    return;
  }
  const outcome = JSON.parse(call('web_replay_state', 'string'));
  const t = replayTexts();
  const verdict = { 2: t.matched, 3: t.noClosing, 4: t.differs, 5: t.stopped }[outcome.state] || '';
  const dialog = $('#replay-dialog');
  fillTexts(dialog, { '.caption': replay.watching, '.verdict': verdict, '.detail': outcome.text,
    '.again': t.again, '.play': t.play });
  dialog.dataset.state = outcome.state;
  call('web_hold', null, ['number'], [1]);
  showDialog(dialog, (answer) => {
    const again = answer === 'again';
    restartPage(again ? location.pathname + location.search : pageWith({ replay: null, watch: null }));
  });
}

// ---- Saving, the stored sessions and the board ----

function downloadReplay(text, started) {
  const stamp = new Date(started).toISOString().replace(/\..*$/, '').replace(/[-:]/g, '').replace('T', '-');
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([text], { type: 'application/octet-stream' }));
  link.download = `velkar-${stamp}.vrp`;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function saveReplay() {
  const text = sessionCopy();
  if (!text) return showReplayMessage(replayTexts().nothing);
  downloadReplay(text, replay.sessionId);
  storeSession();
}

function showReplayMessage(text, caption) {
  const dialog = $('#message-dialog');
  if (dialog.open) dialog.close();
  fillTexts(dialog, { '.caption': caption || 'VELKAR', '.text': text });
  dialog.querySelector('.cancel').hidden = true;
  showDialog(dialog, () => {});
}

async function openRecentDialog() {
  const t = replayTexts();
  const dialog = $('#recent-dialog');
  fillTexts(dialog, { '.caption': t.recentCaption, '.close': t.close });
  const list = dialog.querySelector('ul');
  list.textContent = '';
  await storeSession();
  const sessions = await storedSessions().catch(() => []);
  if (sessions.length === 0) {
    const item = document.createElement('li');
    item.textContent = t.none;
    list.appendChild(item);
  }
  for (const session of sessions) {
    const item = document.createElement('li');
    const label = document.createElement('span');
    label.textContent = `${new Date(session.id).toLocaleString()}  ${session.frames} ${t.frames} ` +
      `(${replayClock(session.frames)})`;
    const save = document.createElement('button');
    save.type = 'button';
    save.className = 'save';
    save.textContent = plainText(t.save);
    save.addEventListener('click', () => downloadReplay(session.text, session.id));
    const watch = document.createElement('button');
    watch.type = 'button';
    watch.className = 'watch';
    watch.textContent = plainText(t.watch).replace(/\.\.\.$/, '');
    watch.addEventListener('click', () => {
      dialog.close();
      watchBytes(`velkar-${session.id}.vrp`, new TextEncoder().encode(session.text));
    });
    item.append(label, save, watch);
    list.appendChild(item);
  }
  call('web_hold', null, ['number'], [1]);
  showDialog(dialog, () => call('web_hold', null, ['number'], [0]));
}

// Whether the page came from the score board, which serves it under /play/ with its API
// beside it. Elsewhere nothing is asked.
async function findBoard() {
  if (!/^https?:$/.test(location.protocol) || !location.pathname.startsWith('/play/')) return;
  try {
    const response = await fetch('/api/scores?limit=1', { credentials: 'same-origin' });
    const body = response.ok ? await response.json() : null;
    replay.board = body !== null && Array.isArray(body.entries);
  } catch (error) {
    replay.board = false;
  }
  const item = document.querySelector('#menubar button[data-id="submit"]');
  if (item) item.closest('li').hidden = !replay.board;
}

// The board's JSON answer, or an error with its message.
async function boardJson(response) {
  let body = null;
  try {
    body = await response.json();
  } catch (error) {
    body = null;
  }
  if (!response.ok) {
    throw new Error(`${response.status} ${body && body.error ? body.error : response.statusText}`);
  }
  return body;
}

async function submitToBoard() {
  const t = replayTexts();
  const text = sessionCopy();
  if (!text) return showReplayMessage(t.nothing, t.boardCaption);
  showReplayMessage(t.sending, t.boardCaption);
  try {
    const sent = await boardJson(await fetch('/api/replays', { method: 'POST', body: text,
      headers: { 'Content-Type': 'application/octet-stream' }, credentials: 'same-origin' }));
    showReplayMessage(`${t.stored}\n${sent.id}`, t.boardCaption);
    const until = Date.now() + REPLAY.BOARD_WAIT_MS;
    let status = sent;
    while (status.status === 'pending' && Date.now() < until) {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      status = await boardJson(await fetch(sent.url, { credentials: 'same-origin' }));
    }
    if (status.status === 'verified') {
      const lines = status.entries.length ? status.entries.map(t.entry) : [t.noEntry];
      showReplayMessage([t.verified, ...lines].join('\n'), t.boardCaption);
    } else if (status.status === 'refused') {
      showReplayMessage(`${t.boardRefused}\n${status.reason}`, t.boardCaption);
    } else {
      showReplayMessage(`${t.boardPending}\n${sent.id}`, t.boardCaption);
    }
  } catch (error) {
    showReplayMessage(`${t.boardFailed}\n${error.message || error}`, t.boardCaption);
  }
}

// ---- The Replay menu ----

// The page's own popup, before Help.
function buildReplayMenu(bar, language) {
  const t = REPLAY_TEXTS[language];
  const popup = makePopup('replay', t.menu);
  const list = popup.querySelector('.items');
  for (const id of ['save', 'watch', 'recent', 'submit']) addItem(id, t[id], list);
  list.lastElementChild.hidden = !replay.board; // submit
  bar.insertBefore(popup, bar.lastElementChild);
}

// The popup opens: what can be done now.
function replayMenuStates(popup) {
  const recording = call('web_record_frames', 'number') >= 0;
  for (const id of ['save', 'submit']) popup.querySelector(`button[data-id="${id}"]`).disabled = !recording;
}

function chooseReplayItem(id) {
  switch (id) {
    case 'save': return saveReplay();
    case 'watch': return chooseReplayFile();
    case 'recent': return openRecentDialog();
    case 'submit': return submitToBoard();
    default: return undefined;
  }
}

$('#replay-bar button').addEventListener('click', () => {
  if (!running) return;
  sendKey(true, 113, 'F2', false, false);
  sendKey(false, 113, 'F2', false, false);
});
