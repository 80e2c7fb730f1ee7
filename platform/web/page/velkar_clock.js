// The game's 16 ms clock over the display's animation frames: how many ticks each frame owes.
//
// Two ways to keep time. The exact clock runs 62.5 ticks a second whatever the display does, so
// on a 60 Hz display one frame in 24 runs two ticks: a visible jump. Where the display's
// measured refresh is within 5 % of 60 Hz (or of 120, 180, 240 Hz), the smooth clock instead
// runs one tick per display frame (per two, three, four): the game is then up to 5 % slower or
// faster than its own clock (4 % slower at 60 Hz), and every picture stays on screen equally
// long. A display frame that came late (a frame the browser dropped) is made up with a tick
// more. Replays count frames, never time, so neither way changes what a game does.
'use strict';

const VelkarClock = {
  FRAME_MS: 16,
  // A frame that comes later than this (a tab shown again, a stall) counts as one tick.
  LONGEST_GAP_MS: 250,
  // At most this many ticks in one animation frame; a machine that cannot keep up runs slower
  // instead of piling up work.
  MOST_TICKS: 4,
  // The display's period is the median of this many frame gaps, measured afresh every half of
  // them; the smooth clock waits for the first measure.
  MEASURED_GAPS: 60,
  // How far the display's rate (per tick) may be from 60 Hz for the smooth clock.
  SMOOTH_RATE: 60,
  SMOOTH_TOLERANCE: 0.05,
  MOST_FRAMES_PER_TICK: 4,

  // exact: the exact clock even where the smooth one could run.
  create(exact = false) {
    return {
      last: null, owed: 0, exact, gaps: [], sinceMeasure: 0,
      period: 0,          // the display's measured period (ms), 0 before the first measure
      framesPerTick: 0,   // display frames per tick of the smooth clock; 0: the exact clock runs
      owedFrames: 0,
      // Display frames by the ticks they ran (0, 1, 2, 3, 4), and the frames that came late
      // (the smooth clock's frames that spanned two or more display periods), for the page's
      // measures.
      framesByTicks: [0, 0, 0, 0, 0],
      lateFrames: 0,
    };
  },

  // The animation frame at time now (ms): the number of ticks to run now.
  ticksAt(clock, now) {
    const measured = clock.last === null ? -1 : now - clock.last;
    clock.last = now;
    if (measured > 0 && measured <= this.LONGEST_GAP_MS) this.measure(clock, measured);
    const ticks = clock.framesPerTick > 0 && !clock.exact
      ? this.smoothTicks(clock, measured) : this.exactTicks(clock, measured);
    clock.framesByTicks[ticks] += 1;
    return ticks;
  },

  exactTicks(clock, measured) {
    const gap = measured < 0 || measured > this.LONGEST_GAP_MS ? this.FRAME_MS : measured;
    clock.owed += gap;
    const ticks = Math.min(Math.floor(clock.owed / this.FRAME_MS), this.MOST_TICKS);
    clock.owed -= ticks * this.FRAME_MS;
    if (clock.owed >= this.FRAME_MS) clock.owed %= this.FRAME_MS;
    return ticks;
  },

  // Display frames, not milliseconds: a frame on time is one, a late one as many as it spans.
  smoothTicks(clock, measured) {
    let frames = 1;
    if (measured > 0 && measured <= this.LONGEST_GAP_MS) {
      frames = Math.max(1, Math.round(measured / clock.period));
    }
    if (frames > 1) clock.lateFrames += 1;
    clock.owedFrames += frames;
    const ticks = Math.min(Math.floor(clock.owedFrames / clock.framesPerTick), this.MOST_TICKS);
    clock.owedFrames -= ticks * clock.framesPerTick;
    if (clock.owedFrames >= clock.framesPerTick) clock.owedFrames %= clock.framesPerTick;
    return ticks;
  },

  measure(clock, gap) {
    clock.gaps.push(gap);
    if (clock.gaps.length > this.MEASURED_GAPS) clock.gaps.shift();
    clock.sinceMeasure += 1;
    if (clock.gaps.length < this.MEASURED_GAPS || clock.sinceMeasure < this.MEASURED_GAPS / 2) return;
    clock.sinceMeasure = 0;
    const sorted = [...clock.gaps].sort((a, b) => a - b);
    clock.period = sorted[sorted.length >> 1];
    const rate = 1000 / clock.period;
    const framesPerTick = Math.max(1, Math.round(rate / this.SMOOTH_RATE));
    const near = Math.abs(rate / framesPerTick - this.SMOOTH_RATE) <= this.SMOOTH_RATE * this.SMOOTH_TOLERANCE;
    const next = near && framesPerTick <= this.MOST_FRAMES_PER_TICK ? framesPerTick : 0;
    if (next !== clock.framesPerTick) {
      clock.framesPerTick = next;
      clock.owed = 0;
      clock.owedFrames = 0;
    }
  },

  // The "Exact speed" choice.
  setExact(clock, exact) {
    clock.exact = exact;
    clock.owed = 0;
    clock.owedFrames = 0;
  },

  // No frames come while the tab is hidden; the next one starts afresh (the display's period
  // is kept).
  restart(clock) {
    clock.last = null;
    clock.owed = 0;
    clock.owedFrames = 0;
  },
};

if (typeof module !== 'undefined') module.exports = VelkarClock;
