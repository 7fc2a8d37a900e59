# Tests of texture creation from image files: format choice, fitting, locks, copies, mip levels.
list(APPEND texture_test_sources
  loading_fixture.cpp
  format_choice_test.cpp
  texture_fitting_test.cpp
  texture_builder_test.cpp
  surface_lock_test.cpp
  prismtex_load_test.cpp)
