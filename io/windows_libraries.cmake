# The Windows build decodes PNG with libpng, as on Linux, so a PNG gives the
# same pixels everywhere; every other format goes to the Windows Imaging
# Component, so the Linux decoders of those formats and their libraries stay out
# (the HEIF file stays for its probe, which finds no HEIF without libheif).
# libpng, libdeflate and zlib are the static mingw builds of
# tools/install-windows-deps.
bq_folder_library(io EXCLUDE "/decode_(libs|jpeg|webp|tiff|bmp_gif)\\.cpp$")
find_library(BQ_WIN_PNG NAMES libpng16.a REQUIRED)
find_library(BQ_WIN_DEFLATE NAMES libdeflate.a REQUIRED)
find_library(BQ_WIN_ZLIB NAMES libz.a REQUIRED)
find_path(BQ_WIN_PNG_INCLUDE png.h REQUIRED)
find_path(BQ_WIN_DEFLATE_INCLUDE libdeflate.h REQUIRED)
target_include_directories(io SYSTEM PUBLIC ${BQ_WIN_PNG_INCLUDE} ${BQ_WIN_DEFLATE_INCLUDE})
target_link_libraries(io PUBLIC engine ${BQ_WIN_PNG} ${BQ_WIN_DEFLATE} ${BQ_WIN_ZLIB}
                      windowscodecs ole32 oleaut32 uuid)
