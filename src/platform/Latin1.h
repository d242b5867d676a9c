#pragma once
// Latin-1 (and so ASCII) bytes widened to UTF-16: the fast way from a
// file's or a cell's bytes to a QString's characters.

#include <QtGlobal>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wk {

// out holds n characters.
inline void widenLatin1(const char* in, qsizetype n, char16_t* out) {
    const auto* u = reinterpret_cast<const unsigned char*>(in);
    qsizetype k = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time: each byte widened by a zero byte.
    const __m128i zero = _mm_setzero_si128();
    for (; k + 16 <= n; k += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; k < n; ++k) out[k] = u[k];
}

}  // namespace wk
