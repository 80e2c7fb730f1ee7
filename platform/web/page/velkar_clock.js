// The game's 16 ms clock over the display's animation frames: how many ticks each frame owes.
'use strict';

const VelkarClock = {
  FRAME_MS: 16,
  // A frame that comes later than this (a tab shown again, a stall) counts as one tick.
  LONGEST_GAP_MS: 250,
  // At most this many ticks in one animation frame; a machine that cannot keep up runs slower
  // instead of piling up work.
  MOST_TICKS: 4,

  create() {
    return { last: null, owed: 0 };
  },

  // The animation frame at time now (ms): the number of ticks to run now.
  ticksAt(clock, now) {
    let gap = clock.last === null ? this.FRAME_MS : now - clock.last;
    clock.last = now;
    if (gap > this.LONGEST_GAP_MS || gap < 0) gap = this.FRAME_MS;
    clock.owed += gap;
    let ticks = Math.min(Math.floor(clock.owed / this.FRAME_MS), this.MOST_TICKS);
    clock.owed -= ticks * this.FRAME_MS;
    if (clock.owed >= this.FRAME_MS) clock.owed %= this.FRAME_MS;
    return ticks;
  },

  // No frames come while the tab is hidden; the next one starts afresh.
  restart(clock) {
    clock.last = null;
    clock.owed = 0;
  },
};

if (typeof module !== 'undefined') module.exports = VelkarClock;
