# Pixel-format conversion: codecs, block compression and the resampling methods.
target_sources(prism_texture PRIVATE
  box_integer.cpp
  box_integer_sse2.cpp
  dxt_block.cpp
  dxt_codec.cpp
  filter_weights.cpp
  float_codec.cpp
  gamma_tables.cpp
  packed_codec.cpp
  packed_layouts.cpp
  packed_remap.cpp
  pair_codec.cpp
  pixel_codec.cpp
  pixel_converter.cpp
  resample_box.cpp
  resample_copy.cpp
  resample_linear.cpp
  resample_triangle.cpp)
