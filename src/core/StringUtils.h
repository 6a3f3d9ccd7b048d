#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vorn {

// All of these but the UTF-8 ones treat text as plain bytes.

std::string join(const std::vector<std::string>& parts, const std::string& separator);

// The whole file as stored (no line-end conversion, a byte-order mark kept);
// fallback when the file is missing or empty.
std::string readTextFile(const std::string& path, const std::string& fallback);
std::string readTextFile(const std::string& path);

// Every separator yields a piece on each side, so "a,,b" gives three pieces
// and "" gives one empty piece. An empty separator gives the text whole.
std::vector<std::string> split(const std::string& text, const std::string& separator);
// Split at single blanks; a run of blanks gives empty pieces.
std::vector<std::string> splitWords(const std::string& text);
// Without leading and trailing white space: blank, tab, line feed,
// vertical tab, form feed and carriage return.
std::string trim(const std::string& text);

// Both look at the whole path, directories included: "gfx/ui.sprite.xml"
// gives "xml" and "sprite.xml". Too few dots give "".
std::string lastExtension(const std::string& path);
std::string lastTwoExtensions(const std::string& path);

// The bytes of the well-formed UTF-8 character that starts at text[at], or
// 0 when none does there: a stray continuation byte, a truncated or
// overlong sequence, a surrogate, a value past U+10FFFF.
std::size_t utf8Length(const std::string& text, std::size_t at);
// The byte length of the ill-formed piece at text[at] (which utf8Length
// refused): its lead byte and the continuation bytes that still fit it, so
// that a truncated character counts as one piece.
std::size_t brokenUtf8Length(const std::string& text, std::size_t at);
bool isValidUtf8(const std::string& text);

} // namespace vorn
