# Hearing sound, apart from where it comes from: aubio's look at each hop, and the live reading
# of it. A target of its own so that a host with sound of its own links aubio and nothing else;
# the OBS module alone (SWIRLMOSS_OBS_MODULE_ONLY) builds it without the rest of this layer.
pkg_check_modules(AUBIO REQUIRED IMPORTED_TARGET aubio)
add_library(swirlmoss_hostkit_sound STATIC ${CMAKE_CURRENT_LIST_DIR}/sound_hop.cpp ${CMAKE_CURRENT_LIST_DIR}/live_sound.cpp)
swirlmoss_hostkit_layer(swirlmoss_hostkit_sound)
target_link_libraries(swirlmoss_hostkit_sound PUBLIC swirlmoss_hostkit_params PRIVATE PkgConfig::AUBIO)
