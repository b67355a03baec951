# The desktop face's reference quantizers over the peers (ffmpeg, ImageMagick),
# one source for both, built beside the program where the comparison finds them.
foreach(peer ffmpeg imagemagick)
  set(adapter_sources ${CMAKE_CURRENT_LIST_DIR}/reference_adapter.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tool_process_posix.cpp ${CMAKE_CURRENT_LIST_DIR}/tool_process_win.cpp
      ${CMAKE_SOURCE_DIR}/app/platform/imagemagick_names_posix.cpp ${CMAKE_SOURCE_DIR}/app/platform/imagemagick_names_win.cpp)
  bq_platform_sources(adapter_sources)
  add_executable(brisel-reference-${peer} ${adapter_sources})
  target_include_directories(brisel-reference-${peer} PRIVATE ${CMAKE_SOURCE_DIR})
  if(WIN32)
    target_link_libraries(brisel-reference-${peer} PRIVATE io)  # the command line's quoting
  endif()
  set_target_properties(brisel-reference-${peer} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()
target_compile_definitions(brisel-reference-ffmpeg PRIVATE BQ_ADAPTER_FFMPEG=1)
