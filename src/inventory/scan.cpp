#include "inventory/scan.hpp"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define INVENTORY_SCAN_SSE2 1
#endif

namespace inventory {

std::size_t find_first(std::string_view bytes, ByteRanges ranges, Match match) {
  const bool inside = match == Match::inside;
  std::size_t position = 0;
#ifdef INVENTORY_SCAN_SSE2
  // Shifted so that a range starts at -128, a byte is in it exactly when it
  // compares below -128 + count as a signed byte.
  const auto shift = [](unsigned char first) {
    return _mm_set1_epi8(static_cast<char>(0x80 - first));
  };
  const auto limit = [](unsigned char count) {
    return _mm_set1_epi8(static_cast<char>(count - 128));
  };
  const __m128i shift_a = shift(ranges.first_a);
  const __m128i limit_a = limit(ranges.count_a);
  const __m128i shift_b = shift(ranges.first_b);
  const __m128i limit_b = limit(ranges.count_b);
  const unsigned flip = inside ? 0U : 0xFFFFU;
  for (; position + 16 <= bytes.size(); position += 16) {
    const __m128i block =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + position));
    const __m128i in_a = _mm_cmplt_epi8(_mm_add_epi8(block, shift_a), limit_a);
    const __m128i in_b = _mm_cmplt_epi8(_mm_add_epi8(block, shift_b), limit_b);
    const unsigned found =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(in_a, in_b))) ^ flip;
    if (found != 0) {
      return position + static_cast<std::size_t>(std::countr_zero(found));
    }
  }
#endif
  for (; position < bytes.size(); ++position) {
    if (ranges.contains(static_cast<unsigned char>(bytes[position])) == inside) {
      return position;
    }
  }
  return bytes.size();
}

}  // namespace inventory
