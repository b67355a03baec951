# The Windows executable: for now the batch face only. It is a GUI-subsystem
# program (the window comes with the desktop face) that still prints to the
# console it was started from. Its manifest makes UTF-8 the process code page,
# so narrow strings stay UTF-8 from the command line down to every file call.
add_executable(brisel_quantizer WIN32 main.cpp platform/crash_report_win.cpp shell/no_desktop_win.cpp
               brisel_quantizer.rc)
target_link_libraries(brisel_quantizer PRIVATE cli lang io engine tamble dbghelp)
set_target_properties(brisel_quantizer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set_source_files_properties(brisel_quantizer.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/brisel_quantizer.manifest)
configure_file(${CMAKE_SOURCE_DIR}/NOTICE.txt ${CMAKE_BINARY_DIR}/NOTICE.txt COPYONLY)
