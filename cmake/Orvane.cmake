# Helpers shared by the build files of every folder.

# Adds the folder's sources to the engine library when the folder has any.
function(orvane_engine_sources)
  target_sources(orvane_engine PRIVATE ${ARGN})
endfunction()

# Links an executable against the demo, the engine and one platform back-end (null, sdl2 or win32).
# The shell calls the production's entry points and the production calls the engine, so those two
# are one group; the back-end calls nothing above its seams and simply follows them.
function(orvane_link target backend)
  set(libs orvane_engine)
  if(TARGET k417_demo)
    list(PREPEND libs k417_demo)
  endif()
  string(REPLACE ";" "," group "${libs}")
  target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,${group}>" orvane_platform_${backend})
  foreach(lib IN LISTS libs ITEMS orvane_platform_${backend})
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
endfunction()

# Applies the engine's code flags (no exceptions, no RTTI) to a library or executable.
function(orvane_code_flags target)
  target_compile_options(${target} PRIVATE ${K417_CODE_FLAGS})
endfunction()
