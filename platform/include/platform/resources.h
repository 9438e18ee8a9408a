// Embedded-resource seam: (type, 16-bit number) to immutable bytes of the executable.
// Windows reads the executable's resource section; elsewhere a table linked into the program.
#pragma once
#include <cstddef>
#include <cstdint>

struct ResourceView {
  void* handle;  // what resource_release gives back; never null for a loaded resource
  const uint8_t* data;
  uint32_t size;
};

// Loads a resource; false when it does not exist or cannot be loaded.
bool resource_load(const char* type, uint16_t number, ResourceView* view);
void resource_release(ResourceView* view);
// Size of a resource without loading it; false when it does not exist.
bool resource_size(const char* type, uint16_t number, uint32_t* size);
// Visits the numbers of a type in the platform's fixed order until visit returns false.
// Gives false when the platform reports the visit as failed (no resource, or stopped early).
bool resource_enumerate(const char* type, bool (*visit)(uint16_t number, void* context), void* context);

// Where the platform has no resource section: the table a program links in (the build generates
// it from the archive; platform/posix/resources_table.cpp reads it).
struct EmbeddedResource {
  const char* type;
  uint16_t number;
  const uint8_t* data;
  uint32_t size;
};
// Installs the table that resource_* read (replacing any earlier one); null uninstalls.
// Windows ignores it and always reads its own resource section.
void resources_install(const EmbeddedResource* table, size_t count);
