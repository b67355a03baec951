#pragma once
// Whether a GIF holds all of its first frame: the general decoder leaves the rows
// a short file lacks transparent, and so would show a broken file as whole.
#include <cstddef>
#include <cstdint>

// True when the file ends inside the first frame, or the frame's compressed data
// ends (even properly closed) before it gives every pixel of the frame.
bool gif_first_frame_is_short(const std::uint8_t* bytes, std::size_t size);
