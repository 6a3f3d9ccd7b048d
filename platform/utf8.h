#pragma once

// Internal to the platform layer: the one UTF-8 decoder behind the text
// conversions and the translation of typed text into characters.

#include <cstddef>

// Decodes the code point that starts at s[i] of the n bytes and moves i past
// what it read. False for a malformed, truncated, overlong or surrogate
// sequence or a value past U+10FFFF; i has then moved on at least one byte.
bool vornDecodeUtf8(const unsigned char* s, std::size_t n, std::size_t& i, char32_t& cp);
