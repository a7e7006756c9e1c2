# The WebAssembly build (emscripten): the picture libraries come from the prefix that
# scripts/build-web-deps fills (PIXMIRA_WASM_DEPS), linked statically; no fontconfig (the page
# hands its fonts to the engine).
if(NOT PIXMIRA_WASM_DEPS)
  message(FATAL_ERROR "PIXMIRA_WASM_DEPS names the prefix of the WebAssembly libraries")
endif()
set(PIXMIRA_WEB_FLAGS -O3 -msimd128 -fexceptions)
if(PIXMIRA_WEB_THREADS)
  list(APPEND PIXMIRA_WEB_FLAGS -pthread)
endif()
add_compile_options(${PIXMIRA_WEB_FLAGS})
add_link_options(${PIXMIRA_WEB_FLAGS})

add_library(pixmira_deps INTERFACE)
target_include_directories(pixmira_deps SYSTEM INTERFACE ${PIXMIRA_WASM_DEPS}/include
                           ${PIXMIRA_WASM_DEPS}/include/freetype2)
foreach(lib heif de265 webpmux webpdemux webp lcms2 freetype png16 jpeg z)
  target_link_libraries(pixmira_deps INTERFACE ${PIXMIRA_WASM_DEPS}/lib/lib${lib}.a)
endforeach()
