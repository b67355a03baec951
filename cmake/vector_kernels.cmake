# Source files named *_avx2.cpp and *_avx512.cpp hold vector kernels; they are
# compiled for their instruction set only and chosen at run time.
function(bq_vector_kernel_flags)
  foreach(src IN LISTS ARGN)
    if(src MATCHES "_avx512\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS
        "-mavx512f;-mavx512bw;-mavx512dq;-mavx512vl;-mavx2;-mfma;-mbmi2")
    elseif(src MATCHES "_avx2\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma;-mbmi2")
    endif()
  endforeach()
endfunction()

# One static library per folder, from every source file below it.
function(bq_folder_library name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  bq_vector_kernel_flags(${srcs})
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()
