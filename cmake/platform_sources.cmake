# A file named *_win.cpp serves Windows only; *_posix.cpp, *_linux.cpp,
# *_x11.cpp, *_sdl.cpp and *_gl.cpp serve Linux only. Everything else is
# portable and builds everywhere.
if(WIN32)
  set(BQ_OTHER_PLATFORMS_REGEX "_(posix|linux|x11|sdl|gl)\\.cpp$")
else()
  set(BQ_OTHER_PLATFORMS_REGEX "_win\\.cpp$")
endif()

# Drops the other platforms' files from the list named `list_var`.
function(bq_platform_sources list_var)
  set(srcs ${${list_var}})
  list(FILTER srcs EXCLUDE REGEX "${BQ_OTHER_PLATFORMS_REGEX}")
  set(${list_var} ${srcs} PARENT_SCOPE)
endfunction()
