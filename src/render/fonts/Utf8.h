#pragma once

#include <string>

namespace vorn {

// UTF-8 to code points, leniently: every ill-formed piece (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, a value
// past U+10FFFF) becomes one U+FFFD, so text from any source can be laid
// out and shows where it was damaged.
std::u32string decodeUtf8(const std::string& text);

} // namespace vorn
