# Tests of pixel-format conversion, filters and block compression.
list(APPEND texture_test_sources
  conversion_test_support.cpp
  pixel_codec_test.cpp
  dxt_block_test.cpp
  resample_test.cpp
  conversion_bounds_test.cpp
  texture_tables_test.cpp)
