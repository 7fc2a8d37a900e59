# Texture creation from image files: format choice, size fitting, locks, copies and mip levels.
target_sources(prism_texture PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/debug_mute.cpp
  ${CMAKE_CURRENT_LIST_DIR}/format_choice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mip_rebuild.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texture_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texture_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texture_fitting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texture_levels.cpp)
