# The production's data, generated from the text sources in this folder by the tools in tools/:
# the tune, the picture (with a PNG preview), the font, the icons, the archive and its embedding.
# Cross builds make nothing here: they take the archive and the icon from the native build.

if(WIN32)
  set(K417_PAK ${K417_HOST_DIR}/assets/k417.pak)
  set(K417_ICO ${K417_HOST_DIR}/assets/k417.ico)
  set(K417_PAK ${K417_PAK} PARENT_SCOPE)
  set(K417_ICO ${K417_ICO} PARENT_SCOPE)
  return()
endif()

if(NOT TARGET xmgen OR NOT TARGET pcxgen OR NOT TARGET fontgen OR NOT TARGET icongen OR NOT TARGET embed)
  message(STATUS "Assets: generator tools not built (K417_TOOLS is off); no data generated")
  return()
endif()

set(out ${CMAKE_BINARY_DIR}/assets)
set(src ${CMAKE_CURRENT_SOURCE_DIR})
file(MAKE_DIRECTORY ${out})

# Read in this order: the sections file refers to phrases and instruments of the others.
set(K417_TUNE_SOURCES
    ${src}/tune/song.txt ${src}/tune/instruments.txt ${src}/tune/drums.txt
    ${src}/tune/harmony.txt ${src}/tune/melody.txt ${src}/tune/sections.txt)
set(K417_TUNE_SOURCES ${K417_TUNE_SOURCES} PARENT_SCOPE)

add_custom_command(OUTPUT ${out}/fini.xm
  COMMAND xmgen ${out}/fini.xm ${K417_TUNE_SOURCES}
  DEPENDS xmgen ${K417_TUNE_SOURCES}
  COMMENT "Composing fini.xm" VERBATIM)
add_custom_command(OUTPUT ${out}/64.pcx ${out}/64.png
  COMMAND pcxgen ${src}/picture/texture.txt ${out}/64.pcx --png ${out}/64.png
  DEPENDS pcxgen ${src}/picture/texture.txt
  COMMENT "Painting 64.pcx" VERBATIM)
add_custom_command(OUTPUT ${out}/fontje.dat
  COMMAND fontgen ${src}/font/glyphs.txt ${out}/fontje.dat
  DEPENDS fontgen ${src}/font/glyphs.txt
  COMMENT "Drawing fontje.dat" VERBATIM)
add_custom_command(OUTPUT ${out}/k417.ico ${out}/k417-icon.rgba
  COMMAND icongen ${out}/64.pcx ${out}/k417.ico ${out}/k417-icon.rgba
  DEPENDS icongen ${out}/64.pcx
  COMMENT "Cutting the icons" VERBATIM)

set(asset_files ${out}/fini.xm ${out}/64.pcx ${out}/fontje.dat ${out}/k417.ico ${out}/k417-icon.rgba)
set(embedded ${out}/k417_embedded.cpp)
if(TARGET pak)
  add_custom_command(OUTPUT ${out}/k417.pak
    COMMAND pak create --upper --embedded-layout k417.pak 64.pcx fini.xm fontje.dat
    WORKING_DIRECTORY ${out}
    DEPENDS pak ${out}/64.pcx ${out}/fini.xm ${out}/fontje.dat
    COMMENT "Packing k417.pak" VERBATIM)
  list(APPEND asset_files ${out}/k417.pak)
  set(resources FileSystem:102:${out}/k417.pak Icon:101:${out}/k417-icon.rgba)
  set(resource_files ${out}/k417.pak ${out}/k417-icon.rgba)
else()
  message(STATUS "Assets: no pak tool yet; the embedded table carries only the icon")
  set(resources Icon:101:${out}/k417-icon.rgba)
  set(resource_files ${out}/k417-icon.rgba)
endif()
set(K417_PAK ${out}/k417.pak PARENT_SCOPE)
set(K417_ICO ${out}/k417.ico PARENT_SCOPE)

add_custom_target(k417_assets ALL DEPENDS ${asset_files})

add_custom_command(OUTPUT ${embedded}
  COMMAND embed ${embedded} k417_install_embedded_resources ${resources}
  DEPENDS embed ${resource_files}
  COMMENT "Embedding the archive and the icon" VERBATIM)
add_library(k417_embedded STATIC ${embedded})
target_include_directories(k417_embedded PUBLIC ${src}/embedded PRIVATE ${CMAKE_SOURCE_DIR}/platform/include)
add_dependencies(k417_embedded k417_assets)
