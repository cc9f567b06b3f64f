# The LD_PRELOAD shim that counts GL readback calls by the library that made them, for every
# suite that proves a host keeps its frames on the GPU; defined once whichever suite comes first.
if(NOT TARGET swirlmoss_readback_counter)
  add_library(swirlmoss_readback_counter MODULE ${CMAKE_CURRENT_LIST_DIR}/../obs/readback_counter.cpp)
  swirlmoss_warnings(swirlmoss_readback_counter)
  target_link_libraries(swirlmoss_readback_counter PRIVATE ${CMAKE_DL_LIBS})
  set_target_properties(swirlmoss_readback_counter PROPERTIES PREFIX "")
endif()
