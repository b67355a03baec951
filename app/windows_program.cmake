# The Windows executable with both faces: the batch face prints to the console
# it was started from; the desktop face is Win32 and Direct3D 11 under Dear
# ImGui's backends of those (built by tools/install-windows-deps). It is a
# GUI-subsystem program whose entry is WinMain. Its manifest makes UTF-8 the
# process code page, so narrow strings stay UTF-8 from the command line down
# to every file call.
bq_folder_library(app EXCLUDE "/main_win\\.cpp$" "/no_desktop_win\\.cpp$")
find_library(BQ_WIN_IMGUI NAMES libimgui.a REQUIRED)
find_path(BQ_WIN_IMGUI_INCLUDE imgui/imgui.h REQUIRED)
target_include_directories(app SYSTEM PUBLIC ${BQ_WIN_IMGUI_INCLUDE}/imgui)
target_link_libraries(app PUBLIC cli lang io engine tamble ${BQ_WIN_IMGUI}
                      d3d11 d3dcompiler dxgi dwmapi gdi32 imm32 shell32 ole32 uuid dbghelp)

# The icon, drawn by the program's own code on the build machine, becomes
# resource 101.
set(BQ_ICON ${CMAKE_BINARY_DIR}/brisel_quantizer.ico)
add_custom_command(OUTPUT ${BQ_ICON}
  COMMAND c++ -std=c++20 -O2 -I${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/desktop/make_windows_icon.cpp
          ${CMAKE_SOURCE_DIR}/app/ui/app_icon.cpp -o ${CMAKE_BINARY_DIR}/make_windows_icon
  COMMAND ${CMAKE_BINARY_DIR}/make_windows_icon ${BQ_ICON}
  DEPENDS ${CMAKE_SOURCE_DIR}/desktop/make_windows_icon.cpp ${CMAKE_SOURCE_DIR}/app/ui/app_icon.cpp
  COMMENT "Drawing the Windows icon")

add_executable(brisel_quantizer WIN32 main_win.cpp brisel_quantizer.rc)
target_link_libraries(brisel_quantizer PRIVATE app)
target_include_directories(brisel_quantizer PRIVATE ${CMAKE_BINARY_DIR})
set_target_properties(brisel_quantizer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set_source_files_properties(brisel_quantizer.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/brisel_quantizer.manifest;${BQ_ICON}")
configure_file(${CMAKE_SOURCE_DIR}/NOTICE.txt ${CMAKE_BINARY_DIR}/NOTICE.txt COPYONLY)
