# Image file decoding: the dispatcher and one decoder per file format.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
target_sources(prism_texture PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/image_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_bmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dds_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_dds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_png.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_ppm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_tga.cpp)
target_link_libraries(prism_texture PRIVATE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
