// The web back-end's JavaScript half: the canvas (whole-factor scaling, full screen on a double
// click or F), title and favicon, messages to the page, and the Web Audio player node.
// Subtle: frames heard are the worklet's last count plus the context time since, never more than
// it had queued then, so the position cannot run ahead of sound that was actually there.
var LibraryK417Web = {
  $K417Web__postset: 'Module["k417Web"] = K417Web;',
  $K417Web: {
    canvas: null,
    context2d: null,
    image: null,
    audio: null,  // {context, node, rate, generation, report, heard}

    page: function() { return Module['k417Page'] || {}; },

    // Largest whole factor of the frame that fits the window in device pixels (never below one),
    // centred on a whole device pixel: half a pixel off would smear every row it crosses.
    fit: function() {
      var c = K417Web.canvas;
      if (!c) return;
      var ratio = window.devicePixelRatio || 1;
      var w = Math.round(window.innerWidth * ratio), h = Math.round(window.innerHeight * ratio);
      var scale = Math.max(1, Math.floor(Math.min(w / c.width, h / c.height)));
      c.style.position = 'absolute';
      c.style.width = (c.width * scale / ratio) + 'px';
      c.style.height = (c.height * scale / ratio) + 'px';
      c.style.left = (Math.floor((w - c.width * scale) / 2) / ratio) + 'px';
      c.style.top = (Math.floor((h - c.height * scale) / 2) / ratio) + 'px';
    },

    toggleFullscreen: function() {
      if (document.fullscreenElement) {
        document.exitFullscreen().catch(function() {});
      } else if (document.documentElement.requestFullscreen) {
        // Refused without a gesture or where the page may not: the show goes on in the window.
        document.documentElement.requestFullscreen().catch(function() {});
      }
    },

    // Called by the page in answer to a click or key: a running AudioContext at the mixer's rate
    // with the player node. Rejects with a message for the viewer when the browser cannot play.
    startAudio: function(workletUrl) {
      if (K417Web.audio) return K417Web.audio.context.resume();
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return Promise.reject(new Error('This browser has no Web Audio, which the show needs for its music.'));
      var context;
      try {
        context = new Context({ sampleRate: 44100 });
      } catch (e) {
        return Promise.reject(new Error('Web Audio cannot play at 44,100 Hz here: ' + e.message));
      }
      if (!context.audioWorklet) {
        context.close();
        return Promise.reject(new Error('This page needs AudioWorklet, which browsers give only to https or localhost pages.'));
      }
      return context.audioWorklet.addModule(workletUrl).then(function() {
        var node = new AudioWorkletNode(context, 'k417-player', { numberOfInputs: 0, outputChannelCount: [2] });
        var audio = { context: context, node: node, rate: context.sampleRate, generation: 0, report: null, heard: 0 };
        node.port.onmessage = function(event) {
          if (event.data.generation === audio.generation) audio.report = event.data;
        };
        node.connect(context.destination);
        K417Web.audio = audio;
        return context.resume();
      });
    },

    heard: function() {
      var a = K417Web.audio;
      if (!a || !a.report) return 0;
      var r = a.report;
      var since = Math.floor(a.context.currentTime * a.rate) - r.endFrame;
      var heard = r.played + Math.max(0, Math.min(since, r.queued));
      if (heard > a.heard) a.heard = heard;
      return a.heard;
    },
  },

  k417_web_title: function(title) {
    document.title = UTF8ToString(title);
  },

  k417_web_icon: function(rgba, side) {
    var canvas = document.createElement('canvas');
    canvas.width = canvas.height = side;
    var context = canvas.getContext('2d');
    var image = context.createImageData(side, side);
    image.data.set(HEAPU8.subarray(rgba, rgba + side * side * 4));
    context.putImageData(image, 0, 0);
    var link = document.querySelector('link[rel="icon"]');
    if (!link) {
      link = document.createElement('link');
      link.rel = 'icon';
      document.head.appendChild(link);
    }
    link.type = 'image/png';
    link.href = canvas.toDataURL('image/png');
  },

  k417_web_canvas_open: function(width, height) {
    var c = document.getElementById('k417-canvas');
    if (!c) {
      c = document.createElement('canvas');
      c.id = 'k417-canvas';
      document.body.appendChild(c);
    }
    c.width = width;
    c.height = height;
    K417Web.canvas = c;
    K417Web.context2d = c.getContext('2d', { alpha: false });
    K417Web.context2d.imageSmoothingEnabled = false;
    K417Web.image = K417Web.context2d.createImageData(width, height);
    if (!K417Web.listening) {
      K417Web.listening = true;
      window.addEventListener('resize', K417Web.fit);
      document.addEventListener('fullscreenchange', K417Web.fit);
      document.addEventListener('dblclick', K417Web.toggleFullscreen);
      document.addEventListener('keydown', function(event) {
        if ((event.key === 'f' || event.key === 'F') && !event.repeat && !event.ctrlKey && !event.altKey && !event.metaKey) {
          K417Web.toggleFullscreen();
        }
      });
    }
    K417Web.fit();
  },

  k417_web_canvas_present: function(rgba, width, height) {
    if (!K417Web.context2d) return;
    K417Web.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    K417Web.context2d.putImageData(K417Web.image, 0, 0);
  },

  k417_web_canvas_close: function() {
    K417Web.context2d = null;
  },

  k417_web_message: function(kind, caption, text) {
    var page = K417Web.page();
    var c = UTF8ToString(caption), t = UTF8ToString(text);
    if (page.message) page.message(kind === 1 ? 'error' : 'notice', c, t);
  },

  k417_web_stopped: function(code) {
    var page = K417Web.page();
    if (page.stopped) page.stopped(code);
  },

  k417_web_audio_queue: function(frames, count) {
    var a = K417Web.audio;
    if (!a) return;
    var data = HEAP16.slice(frames >> 1, (frames >> 1) + count * 2);
    a.node.port.postMessage({ type: 'pcm', generation: a.generation, data: data }, [data.buffer]);
  },

  k417_web_audio_heard: function() {
    return K417Web.heard();
  },

  k417_web_audio_restart: function() {
    var a = K417Web.audio;
    if (!a) return;
    a.generation++;
    a.report = null;
    a.heard = 0;
    a.node.port.postMessage({ type: 'reset', generation: a.generation });
  },
};

autoAddDeps(LibraryK417Web, '$K417Web');
mergeInto(LibraryManager.library, LibraryK417Web);
