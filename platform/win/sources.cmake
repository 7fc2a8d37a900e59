# Windows services for Linux: base types, text, files, registry, time, modules, processor.
target_sources(prism_platform PRIVATE
  win/builtin_modules.cpp
  win/files.cpp
  win/kernel_objects.cpp
  win/last_error.cpp
  win/modules.cpp
  win/processor.cpp
  win/registry.cpp
  win/registry_file.cpp
  win/text.cpp
  win/time.cpp
)
