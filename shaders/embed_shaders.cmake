# Turns the GLSL source files into C++ constants, so the library carries the texts it was
# built from and nobody copies shader code by hand. Also writes each complete stage as a
# file beside the generated source, for the offline validator.
#
# cmake -DSOURCE_DIR=<shaders dir> -DOUTPUT=<generated .cpp> -DSTAGE_DIR=<dir> -P embed_shaders.cmake

foreach(var SOURCE_DIR OUTPUT STAGE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_shaders.cmake: ${var} is not set")
  endif()
endforeach()

# Reads one file and returns it as a run of C++ string literals, one per source line, so
# no single literal grows past what every compiler accepts.
function(glsl_to_literals file out_text out_raw)
  file(READ "${SOURCE_DIR}/${file}" text)
  set(${out_raw} "${text}" PARENT_SCOPE)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" "\\n\"\n    \"" text "${text}")
  set(${out_text} "    // ${file}\n    \"${text}\\n\"" PARENT_SCOPE)
endfunction()

set(fragment_pieces effect.frag noise.glsl fbm.glsl paint.glsl smoke.glsl)

glsl_to_literals(effect.vert vertex_literals vertex_raw)
set(fragment_literals "")
set(fragment_raw "")
foreach(piece IN LISTS fragment_pieces)
  glsl_to_literals(${piece} literals raw)
  string(APPEND fragment_literals "${literals}\n")
  string(APPEND fragment_raw "${raw}")
endforeach()
string(REGEX REPLACE "\n$" "" fragment_literals "${fragment_literals}")
glsl_to_literals(noise.glsl noise_literals noise_raw)
glsl_to_literals(fbm.glsl fbm_literals fbm_raw)

set(generated "// Generated at build time from the files in shaders/; edit those, not this.
#include \"shaders/effect_shaders.h\"

namespace shaders {

const char* const kEffectVertexSource =
${vertex_literals};

const char* const kEffectFragmentSource =
${fragment_literals};

const char* const kNoisePiece =
${noise_literals};

const char* const kFbmPiece =
${fbm_literals};

}  // namespace shaders
")

# Rewriting only on change keeps the library from rebuilding when nothing moved.
set(previous "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL generated)
  file(WRITE "${OUTPUT}" "${generated}")
endif()
file(WRITE "${STAGE_DIR}/effect_stage.vert" "${vertex_raw}")
file(WRITE "${STAGE_DIR}/effect_stage.frag" "${fragment_raw}")
