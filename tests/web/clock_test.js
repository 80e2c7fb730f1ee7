// The page's game clock: 62.5 ticks a second whatever the display's rate in the exact mode;
// one tick per display frame (or per 2, 3, 4) on displays near 60 Hz (or its multiples) in the
// smooth mode, the default; no burst after a hidden tab, no pile-up on a slow machine.
'use strict';
const assert = require('assert');
const VelkarClock = require(process.argv[2]);

// Frames at hz for the given seconds, each up to jitter ms early or late (a fixed pattern, so
// that every run is the same); the ticks they ran.
function run(hz, seconds, clock = VelkarClock.create(true), start = 0, jitter = 0) {
  let ticks = 0;
  const frames = Math.round(hz * seconds);
  for (let i = 0; i <= frames; ++i) {
    const wobble = jitter * Math.sin(i * 2.399963); // spread over [-jitter, jitter]
    ticks += VelkarClock.ticksAt(clock, start + (i * 1000) / hz + wobble);
  }
  return ticks;
}

// Ten seconds at each refresh rate in the exact mode, frames up to 1.5 ms early or late (less
// at high rates): 1000 / 16 = 62.5 ticks a second, give or take the one in progress; at 60 Hz
// one frame in 24 runs two.
for (const hz of [30, 60, 75, 120, 144, 240]) {
  const clock = VelkarClock.create(true);
  const ticks = run(hz, 10, clock, 0, Math.min(1.5, 200 / hz));
  assert.ok(Math.abs(ticks - 625) <= 2, `${hz} Hz: ${ticks} ticks in 10 s`);
  if (hz === 60) assert.ok(clock.framesByTicks[2] >= 20, `exact at 60 Hz: ${clock.framesByTicks}`);
  console.log(`exact, ${hz} Hz: ${ticks} ticks in 10 s; frames by ticks ${clock.framesByTicks}`);
}

// The smooth mode, with frames up to 1.5 ms early or late (less at high rates): after the first measure,
// one tick per display frame at 60 Hz (and at 58 and 62.5 Hz), one per two at 120 Hz, one per
// four at 240 Hz: never two ticks in a frame on time. Rates not near 60 Hz or a multiple keep
// the exact clock.
for (const [hz, framesPerTick] of [[60, 1], [58, 1], [62.5, 1], [120, 2], [240, 4], [50, 0],
  [75, 0], [144, 0], [30, 0]]) {
  const clock = VelkarClock.create();
  run(hz, 2, clock, 0, Math.min(1.5, 200 / hz));
  assert.strictEqual(clock.framesPerTick, framesPerTick, `${hz} Hz: frames per tick`);
  clock.framesByTicks.fill(0);
  const ticks = run(hz, 10, clock, 2000 + 1000 / hz, Math.min(1.5, 200 / hz));
  const frames = Math.round(hz * 10) + 1;
  if (framesPerTick === 0) {
    // (The run spans 10 s and one frame more.)
    assert.ok(Math.abs(ticks - 625) <= 4, `${hz} Hz: ${ticks} ticks in 10 s`);
  } else {
    assert.ok(Math.abs(ticks - frames / framesPerTick) <= 1, `${hz} Hz: ${ticks} ticks for ${frames} frames`);
    assert.strictEqual(clock.framesByTicks[2] + clock.framesByTicks[3] + clock.framesByTicks[4], 0,
      `${hz} Hz: frames with two ticks: ${clock.framesByTicks}`);
  }
  console.log(`smooth, ${hz} Hz: ${ticks} ticks in 10 s, frames by ticks ${clock.framesByTicks}`);
}

// A frame the browser dropped at 60 Hz (a gap of two frames) is made up with two ticks; the
// choice of the exact clock takes effect at once.
{
  const clock = VelkarClock.create();
  run(60, 1, clock);
  const at = 1000 + 2000 / 60;
  assert.strictEqual(VelkarClock.ticksAt(clock, at), 2, 'a dropped frame');
  assert.strictEqual(VelkarClock.ticksAt(clock, at + 1000 / 60), 1);
  VelkarClock.setExact(clock, true);
  clock.framesByTicks.fill(0);
  run(60, 10, clock, at + 2000 / 60);
  assert.ok(clock.framesByTicks[2] >= 20, `the exact clock chosen: ${clock.framesByTicks}`);
}

// A tab hidden for 5 s: the first frame afterwards runs one tick, not 312.
{
  const clock = VelkarClock.create();
  run(60, 1, clock);
  const after = VelkarClock.ticksAt(clock, 1000 + 5000);
  assert.strictEqual(after, 1, 'first frame after a 5 s gap');
  // And the following frames go on at the normal rate.
  let ticks = 0;
  for (let i = 1; i <= 60; ++i) ticks += VelkarClock.ticksAt(clock, 6000 + (i * 1000) / 60);
  assert.ok(Math.abs(ticks - 62) <= 2, `after the gap: ${ticks}`);
}

// A machine that manages only 10 frames a second runs at most 4 ticks per frame, so the game
// slows down rather than queueing work.
{
  const clock = VelkarClock.create();
  const ticks = run(10, 10, clock);
  assert.strictEqual(ticks, 1 + 100 * 4, `10 Hz: ${ticks}`);
}

// restart() forgets the time of the last frame.
{
  const clock = VelkarClock.create();
  VelkarClock.ticksAt(clock, 100);
  VelkarClock.restart(clock);
  assert.strictEqual(VelkarClock.ticksAt(clock, 200), 1);
}
console.log('clock ok');
