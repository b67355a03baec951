#pragma once
// How hard the PNG writers work on the compressed image data. Only the
// compressed bytes differ; pixels and palette are the same either way.
enum class CompressionEffort {
  kDefault,   // about today's sizes at a fraction of the time
  kSmallest,  // the strongest parser everywhere: smaller files, slower writing
};
