#pragma once
// The parts of libheif the decoder uses, reached through pointers filled when a
// run first meets a HEIF file: libheif and its codec chain cost every process
// milliseconds to map, and almost no run reads HEIF.
#include <libheif/heif.h>

#define BQ_HEIF_FUNCTIONS(X)                                                      \
  X(heif_check_filetype) X(heif_context_alloc) X(heif_context_free)               \
  X(heif_context_read_from_file) X(heif_context_read_from_memory_without_copy)    \
  X(heif_context_get_primary_image_handle) X(heif_image_handle_get_width)         \
  X(heif_image_handle_get_height) X(heif_image_handle_release) X(heif_decode_image) \
  X(heif_image_get_width) X(heif_image_get_height) X(heif_image_get_plane_readonly) \
  X(heif_image_release)

struct HeifFunctions {
#define BQ_HEIF_POINTER(name) decltype(&::name) name = nullptr;
  BQ_HEIF_FUNCTIONS(BQ_HEIF_POINTER)
#undef BQ_HEIF_POINTER
};

// Fills every pointer from an open library; false, with the table left
// partly filled, when any one is missing.
bool bind_heif_functions(void* library, HeifFunctions& table);

// The process's one table, loaded on the first call from any thread; null when
// libheif cannot be loaded or lacks a function.
const HeifFunctions* heif_functions();
