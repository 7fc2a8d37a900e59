# Image decoding tests: one file per format, the dispatcher, and the public image suites.
list(APPEND texture_test_sources
  image_file_builders.cpp
  decode_bmp_test.cpp)
list(APPEND texture_test_sources decode_tga_test.cpp decode_ppm_test.cpp)
list(APPEND texture_test_sources decode_dds_test.cpp dds_format_test.cpp)
list(APPEND texture_test_sources decode_png_test.cpp decode_jpeg_test.cpp)
list(APPEND texture_test_sources image_decoder_test.cpp)
list(APPEND texture_test_sources image_suites_test.cpp)
# The prismtex commands are tested here too; their library comes from tools/prismtex.
list(APPEND texture_test_sources prismtex_commands_test.cpp)
cmake_language(DEFER CALL target_link_libraries texture_tests PRIVATE prismtex_commands)
