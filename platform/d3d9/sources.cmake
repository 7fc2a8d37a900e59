# The software Direct3D 9.
target_sources(prism_platform PRIVATE
  d3d9/adapter.cpp
  d3d9/buffer.cpp
  d3d9/device.cpp
  d3d9/device_draw.cpp
  d3d9/device_object.cpp
  d3d9/device_resources.cpp
  d3d9/device_state.cpp
  d3d9/device_states.cpp
  d3d9/direct3d.cpp
  d3d9/display_system.cpp
  d3d9/format_table.cpp
  d3d9/module.cpp
  d3d9/pixel_codec.cpp
  d3d9/resource.cpp
  d3d9/shader_validator.cpp
  d3d9/state_block.cpp
  d3d9/surface.cpp
  d3d9/texture.cpp
  d3d9/vertex_declaration.cpp
)
