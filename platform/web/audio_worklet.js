// The web program's sound: an AudioWorklet processor that plays the 16-bit stereo segments the
// page posts, in order, and reports how many frames it has played and at which context frame.
// Subtle: an empty queue plays silence without counting it, so the music position (which follows
// the count) waits for the page instead of running ahead of the sound.
class K417Player extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = [];      // Int16Array chunks, interleaved left/right
    this.offset = 0;      // values of queue[0] already played
    this.queued = 0;      // frames waiting
    this.played = 0;      // frames played since the last reset
    this.generation = 0;  // which reset the counts belong to
    this.quanta = 0;
    this.reported = -1;   // played count of the last report
    this.port.onmessage = (event) => {
      const m = event.data;
      if (m.type === 'pcm') {
        if (m.generation !== this.generation) return;
        this.queue.push(m.data);
        this.queued += m.data.length >> 1;
      } else if (m.type === 'reset') {
        this.queue = [];
        this.offset = 0;
        this.queued = 0;
        this.played = 0;
        this.generation = m.generation;
        this.report();
      }
    };
  }

  report() {
    // endFrame: the context frame at which the count was reached (after this quantum).
    this.reported = this.played;
    this.port.postMessage({ generation: this.generation, played: this.played, queued: this.queued,
      endFrame: currentFrame + 128 });
  }

  process(inputs, outputs) {
    const left = outputs[0][0], right = outputs[0][1] || outputs[0][0];
    const frames = left.length;
    let i = 0;
    while (i < frames && this.queue.length) {
      const chunk = this.queue[0];
      while (i < frames && this.offset < chunk.length) {
        left[i] = chunk[this.offset] / 32768;
        right[i] = chunk[this.offset + 1] / 32768;
        this.offset += 2;
        i++;
      }
      if (this.offset >= chunk.length) {
        this.queue.shift();
        this.offset = 0;
      }
    }
    this.played += i;
    this.queued -= i;
    for (; i < frames; i++) left[i] = right[i] = 0;
    // About every 23 ms while playing; a page waiting for the count extrapolates in between.
    if ((++this.quanta & 7) === 0 && this.played !== this.reported) this.report();
    return true;
  }
}
registerProcessor('k417-player', K417Player);
