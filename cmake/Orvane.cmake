# Helpers shared by the build files of every folder.

# Links an executable against the demo, the engine and one platform back-end (null, sdl2 or win32).
# The shell calls the production's entry points and the production calls the engine, so those two
# are one group; the back-end calls nothing above its seams and simply follows them (and the file
# systems, which call the back-end's file services).
function(orvane_link target backend)
  target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,k417_demo,orvane_engine>" orvane_vfs orvane_maths
                        orvane_platform_${backend})
  foreach(lib IN ITEMS k417_demo orvane_engine orvane_platform_${backend})
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
endfunction()

# Applies the engine's code flags (no exceptions, no RTTI) to a library or executable.
function(orvane_code_flags target)
  target_compile_options(${target} PRIVATE ${K417_CODE_FLAGS})
endfunction()
