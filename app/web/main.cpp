// The web program's entry points: main brings the show up and draws its first frame; the page
// calls web_play after the viewer's click or key (once audio runs), and the browser's animation
// frames drive the show from then on. The k417 object of the page wraps these for tests.
// Subtle: a fatal error unwinds out of any of these calls; the page has shown the message by then.
#include <emscripten/emscripten.h>

#include "k417_embedded.h"
#include "platform/resources.h"
#include "web_show.h"

namespace {
WebShow g_show;
long g_offlineFrame = -1;  // the last offline frame drawn since the show started, -1 before any

EM_JS(void, page_ready, (), { if (Module.k417Page && Module.k417Page.ready) Module.k417Page.ready(); });
EM_JS(void, page_ended, (), { if (Module.k417Page && Module.k417Page.ended) Module.k417Page.ended(); });

void step() {
  if (g_show.live_frame(emscripten_get_now())) return;
  // The tune has wrapped: the last frame stays, the music stops at once.
  emscripten_cancel_main_loop();
  g_show.finish();
  page_ended();
}

// A truncated copy of the linked-in archive in place of the real one, for the page's test of a
// damaged archive; the icon stays.
EmbeddedResource g_damaged[2];
void install_damaged_archive() {
  ResourceView archive{}, icon{};
  if (!resource_load("FileSystem", 102, &archive)) return;
  size_t count = 0;
  g_damaged[count++] = EmbeddedResource{"FileSystem", 102, archive.data, archive.size / 2};
  if (resource_load("Icon", 101, &icon)) g_damaged[count++] = EmbeddedResource{"Icon", 101, icon.data, icon.size};
  resources_install(g_damaged, count);
}

EM_JS(int, page_wants_damaged_archive, (), {
  return new URLSearchParams(location.search).get('archive') === 'damaged' ? 1 : 0;
});
}  // namespace

extern "C" {
// Restarts the show from its beginning and draws frame 0 of it, without sound.
EMSCRIPTEN_KEEPALIVE void web_restart() {
  emscripten_cancel_main_loop();
  g_show.finish();
  g_show.start();
  g_show.offline_frame(0, 1);  // frame 0 is the same at every rate: time 0, the first segment
  g_show.present();
  g_offlineFrame = 0;
}

// Plays from frame 0 with sound; a show that has ended or was stepped offline starts over.
EMSCRIPTEN_KEEPALIVE void web_play() {
  if (!g_show.started() || g_offlineFrame != 0) web_restart();
  g_offlineFrame = -1;
  g_show.begin_live(emscripten_get_now());
  emscripten_set_main_loop(step, 0, 0);
}

// Offline frames up to k at fps (frame-exact, as the capture tool), the last one drawn to the
// page; frames already passed cannot be drawn again without a restart, and none while the show
// plays live. Gives 0 when the show ended first (or the frame cannot be drawn), else the frame's
// checksum.
EMSCRIPTEN_KEEPALIVE uint32_t web_offline(int fps, int k) {
  if (fps < 1 || g_offlineFrame < 0 || k < g_offlineFrame) return 0;
  while (g_offlineFrame < k) {
    if (!g_show.offline_frame(++g_offlineFrame, fps)) return 0;
  }
  g_show.present();
  return g_show.frame_checksum();
}

EMSCRIPTEN_KEEPALIVE void web_seek(int order) { g_show.seek(order); }
EMSCRIPTEN_KEEPALIVE uint32_t web_frame_checksum() { return g_show.frame_checksum(); }
EMSCRIPTEN_KEEPALIVE int web_position() { return g_show.position(); }
EMSCRIPTEN_KEEPALIVE double web_heard_frames() { return static_cast<double>(g_show.heard_frames()); }
EMSCRIPTEN_KEEPALIVE uint32_t web_pcm_checksum() { return g_show.pcm_checksum(); }
EMSCRIPTEN_KEEPALIVE double web_pcm_frames() { return static_cast<double>(g_show.pcm_frames()); }
}

int main() {
  k417_install_embedded_resources();
  if (page_wants_damaged_archive()) install_damaged_archive();
  web_restart();
  page_ready();
  return 0;
}
