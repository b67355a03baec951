#pragma once
// Memory hints to the operating system; one implementation file per platform.
#include <cstddef>

namespace tamble::os {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Asks for huge pages behind [p, p + bytes); only a hint, failures are ignored.
void advise_huge_pages(void* p, std::size_t bytes);

}  // namespace tamble::os
