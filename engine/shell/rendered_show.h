// The show brought up for a caller that renders the tune itself, segment by segment on its own
// thread (the capture tool, the web page), in place of the output thread and the wave device.
#pragma once

struct Module;

struct RenderedShow {
  Module* module = nullptr;  // null when the production has no tune
  void* moduleBytes = nullptr;
};

// The shell's start-up in its order, the module made here and opened for rendering; a failure
// ends the program with the shell's own messages, as at a normal start.
void rendered_show_start(RenderedShow* show);
// The production, the module and the shell released in reverse order; start may follow.
void rendered_show_finish(RenderedShow* show);
