#pragma once
// Latin-1 (and so ASCII) bytes widened to UTF-16: from a file's or a cell's
// bytes to a QString's characters, into room the caller has made.

#include <QtGlobal>

namespace wk {

// out holds n characters. A plain loop: the compiler widens it with vector
// instructions where the processor has them.
inline void widenLatin1(const char* in, qsizetype n, char16_t* out) {
    const auto* u = reinterpret_cast<const unsigned char*>(in);
    for (qsizetype k = 0; k < n; ++k) out[k] = u[k];
}

}  // namespace wk
