// The executable's own "FileSystem" resources behind platform/resources.h (kernel32).
// Resource type names match without regard to case; identifiers are integers (MAKEINTRESOURCE).
#include <windows.h>

#include "platform/resources.h"

namespace {
struct Visit {
  bool (*visit)(uint16_t number, void* context);
  void* context;
};

BOOL CALLBACK visit_name(HMODULE, LPCSTR, LPSTR name, LONG_PTR parameter) {
  Visit* visit = reinterpret_cast<Visit*>(parameter);
  if (!IS_INTRESOURCE(name)) return TRUE;  // named resources are not ours
  return visit->visit(static_cast<uint16_t>(reinterpret_cast<ULONG_PTR>(name)), visit->context) ? TRUE : FALSE;
}
}  // namespace

void resources_install(const EmbeddedResource*, size_t) {}

bool resource_load(const char* type, uint16_t number, ResourceView* view) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(number), type);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return false;
  void* data = LockResource(loaded);
  if (!data) {
    FreeResource(loaded);
    return false;
  }
  view->handle = loaded;
  view->data = static_cast<const uint8_t*>(data);
  view->size = SizeofResource(nullptr, found);
  return true;
}

void resource_release(ResourceView* view) {
  if (!view) return;
  if (view->handle) FreeResource(static_cast<HGLOBAL>(view->handle));
  *view = ResourceView{};
}

bool resource_size(const char* type, uint16_t number, uint32_t* size) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(number), type);
  if (!found) return false;
  *size = SizeofResource(nullptr, found);
  return true;
}

bool resource_enumerate(const char* type, bool (*visit)(uint16_t, void*), void* context) {
  Visit state{visit, context};
  return EnumResourceNamesA(nullptr, type, visit_name, reinterpret_cast<LONG_PTR>(&state)) != FALSE;
}
