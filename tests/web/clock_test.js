// The page's game clock: 62.5 ticks a second whatever the display's rate, no burst after a
// hidden tab, no pile-up on a slow machine.
'use strict';
const assert = require('assert');
const VelkarClock = require(process.argv[2]);

function run(hz, seconds, clock = VelkarClock.create(), start = 0) {
  let ticks = 0;
  const frames = Math.round(hz * seconds);
  for (let i = 0; i <= frames; ++i) ticks += VelkarClock.ticksAt(clock, start + (i * 1000) / hz);
  return ticks;
}

// One second at each refresh rate: 1000 / 16 = 62.5 ticks, give or take the one in progress.
for (const hz of [30, 60, 75, 120, 144, 240]) {
  const ticks = run(hz, 10);
  assert.ok(Math.abs(ticks - 625) <= 2, `${hz} Hz: ${ticks} ticks in 10 s`);
  console.log(`${hz} Hz: ${ticks} ticks in 10 s`);
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
