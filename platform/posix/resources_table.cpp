// Embedded resources where the platform has no resource section: a table linked into the program.
// Names of types match without regard to letter case, as on Windows.
#include <strings.h>

#include "platform/resources.h"

namespace {
struct Table {
  const EmbeddedResource* entries;
  size_t count;
};
Table g_table;

const EmbeddedResource* find(const char* type, uint16_t number) {
  for (size_t i = 0; i < g_table.count; ++i) {
    const EmbeddedResource& entry = g_table.entries[i];
    if (entry.number == number && strcasecmp(entry.type, type) == 0) return &entry;
  }
  return nullptr;
}
}  // namespace

void resources_install(const EmbeddedResource* table, size_t count) { g_table = {table, table ? count : 0}; }

bool resource_load(const char* type, uint16_t number, ResourceView* view) {
  const EmbeddedResource* entry = find(type, number);
  if (!entry) return false;
  view->handle = const_cast<EmbeddedResource*>(entry);
  view->data = entry->data;
  view->size = entry->size;
  return true;
}

void resource_release(ResourceView* view) {
  if (view) *view = ResourceView{};
}

bool resource_size(const char* type, uint16_t number, uint32_t* size) {
  const EmbeddedResource* entry = find(type, number);
  if (!entry) return false;
  *size = entry->size;
  return true;
}

bool resource_enumerate(const char* type, bool (*visit)(uint16_t, void*), void* context) {
  bool any = false;
  for (size_t i = 0; i < g_table.count; ++i) {
    const EmbeddedResource& entry = g_table.entries[i];
    if (strcasecmp(entry.type, type) != 0) continue;
    any = true;
    if (!visit(entry.number, context)) return false;  // stopped early, as EnumResourceNames reports
  }
  return any;
}
