# Built for Linux and Windows alike, into tools/ of the build folder.
add_executable(decode_to_png ${CMAKE_CURRENT_LIST_DIR}/decode_to_png.cpp)
target_link_libraries(decode_to_png PRIVATE io)
set_target_properties(decode_to_png PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
