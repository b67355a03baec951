#pragma once
// One row of error diffusion, the serial heart of remap_diffused: what the
// pass and each row hand the row kernels (one per instruction-set level),
// as plain data that the vector kernel files can read.
#include <cstdint>

#include "engine/colour/work_color.h"
#include "engine/nearest/nearest.h"
#include "engine/nearest/nearest_window.h"
#include "tamble/isa_kernel.h"

struct Error4 {
  double alpha, L, a, b;
};

// Prepared once per pass.
struct DiffusionPass {
  const WindowTable* window;    // searches of unpenalised colours
  const nearest_index* index;   // the other searches
  const WorkColor* colour;      // palette colours by index
  const double* chroma2;        // their squared chroma
  const double* radius;         // entry radii, null without plain-remap guesses
  const std::int64_t* rank;     // each entry's place in the window table's order
  std::uint32_t count;          // palette entries
  bool opaque;                  // every entry's alpha is 1
  double box_lo[3], box_hi[3];  // the palette box in L, a, b
  double opaque_threshold;
  double diffusion_limit;
  std::int64_t transparent;     // index of fully transparent pixels
};

// One row, prepared before it runs.
struct DiffusionRow {
  const WorkColor* colour;  // working colour by column
  const double* level;      // dither level by column, capped at 1
  Error4* current;          // this row's incoming error, slot c + 1 for column c
  Error4* next;             // the next row's, cleared
  std::uint8_t* output;     // the row's indices: the plain remap's guesses in, the answers out
  std::uint32_t width;
  bool forward;             // left to right
  bool eager;               // measure every guessed pixel's window, not only those outside the guess's radius
};

// Each returns how many of the row's pixels kept their guess within its radius.
using diffusion_row_fn = std::uint32_t (*)(const DiffusionPass&, const DiffusionRow&);
std::uint32_t diffuse_row_scalar(const DiffusionPass& pass, const DiffusionRow& row);
std::uint32_t diffuse_row_avx2(const DiffusionPass& pass, const DiffusionRow& row);
extern const tamble::isa_kernel<diffusion_row_fn> kDiffuseRowScalar;
extern const tamble::isa_kernel<diffusion_row_fn> kDiffuseRowAvx2;
