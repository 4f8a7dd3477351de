#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace nvx::platform {

// Asks the kernel to back the 2 MiB stretches of a large buffer with huge pages.
// Only worth it before the memory is first touched: a 40 MB raster then costs a
// few dozen page faults instead of ten thousand. Merely advice; failure is harmless.
inline void AdviseHugePages(void* data, std::size_t bytes) {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Gives the memory pages that lie wholly within the bytes back to the system,
// for a buffer whose bytes there are read no more (they would read as zeros).
inline void ReleasePages(void* data, std::size_t bytes) {
  constexpr std::uintptr_t kPage = 4096;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (start + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t end = (start + bytes) & ~(kPage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

// Makes the memory pages of the bytes ahead of a writer that is about to fill
// them, in one call instead of a page fault per 4 KiB. Merely a saving: where
// the kernel cannot (before Linux 5.14), the writer's faults make them.
inline void PreparePagesForWriting(void* data, std::size_t bytes) {
  constexpr std::uintptr_t kPage = 4096;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = start & ~(kPage - 1);
  const std::uintptr_t end = (start + bytes + kPage - 1) & ~(kPage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

// Grows a vector to `size` elements; fresh memory gets the huge-page advice
// before the resize first writes it.
template <class Vector>
void ResizeOnHugePages(Vector& vector, std::size_t size) {
  if (vector.capacity() < size) {
    vector.reserve(size);
    AdviseHugePages(vector.data(), vector.capacity() * sizeof(*vector.data()));
  }
  vector.resize(size);
}

}  // namespace nvx::platform
