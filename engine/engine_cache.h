#pragma once
// The two process-wide single-entry caches: the working-space image with its
// contrast maps (keyed by the image), and the histogram (keyed by the
// importance map, the image and the speed). The interactive face requantizes
// one image many times; these make the repeated runs cheap.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/colour/histogram.h"
#include "engine/colour/work_color.h"
#include "engine/colour/work_image.h"
#include "engine/engine_settings.h"
#include "tamble/device.h"

// The image as working colours (see keep_engine_caches for its form), reused
// while caches are kept and `key`, the pixel count and the width match the
// cached ones, else converted anew. Refused memory throws
// std::bad_alloc (as every function here does) and leaves the cache empty.
WorkImage cached_working_image(tamble::device* dev, const std::uint8_t* pixels,
                               std::uint32_t width, std::uint32_t height, double gamma,
                               std::uint64_t key, const EngineSettings& settings);

// Copies the contrast maps of the cached image into the per-call maps,
// computing them first when this image has none yet. Needs width and height
// above 3 (smaller images keep all-zero maps). Either destination may be null.
void copy_contrast_maps(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                        double* importance, double* edge_map);

// The cached image's noise map, computed first when needed; read-only, valid
// until the next cached_working_image or release_engine_caches. Same
// preconditions as copy_contrast_maps.
const double* cached_noise_map(tamble::device* dev, std::uint32_t width, std::uint32_t height);

// The run's histogram in working colours: the cached one with its items
// restored, or a new one (posterized until it fits max colours for the speed),
// which becomes the cache when it can. A new histogram that did not enter the
// cache is handed over in `owned`.
Histogram* histogram_for_run(tamble::device* dev, const std::uint8_t* pixels,
                             std::size_t pixel_count, double gamma, const double* importance,
                             std::uint64_t image_key, const EngineSettings& settings,
                             std::unique_ptr<Histogram>& owned);

// For a run that keeps nothing, numbers its colours and reads the noise map
// only for the histogram (no focus): the new histogram of
// histogram_for_run, bit for bit, summed while the noise map is made a
// chunk of rows at a time, so that the map never exists whole. A run that
// dithers gets its edge map made in the same pass (take_cached_edge_map
// hands it over). nullptr, with nothing done, for any other run.
std::unique_ptr<Histogram> histogram_over_made_noise(tamble::device* dev, std::size_t pixel_count,
                                                     double gamma, const EngineSettings& settings);

// Puts the cached histogram's items back as built, from its pristine copy;
// false (nothing done) when `hist` is not the cached histogram.
bool restore_cached_histogram(Histogram& hist);

// Frees both caches (tests, and callers that want the memory back).
void release_engine_caches();

// Whether runs leave their working image, maps and histogram for the next
// run (the default). A face that runs each image once turns this off: the
// histogram then has no pristine copy, the noise map is made alone and freed
// once read (or made into the edge map where the run dithers), and the whole
// cache is freed at the end of the run.
void keep_engine_caches(bool keep);
bool engine_caches_kept();

// For runs that keep nothing, whose maps are the noise map alone: frees the
// cached noise map (runs that do not dither), or hands over the edge map
// made over it once it has been read. Either leaves the cache unusable by a
// later run; the working image stays readable until the next
// cached_working_image or release_engine_caches.
void drop_cached_noise_map();
tamble::array<double> take_cached_edge_map(tamble::device* dev, std::uint32_t width,
                                           std::uint32_t height);
