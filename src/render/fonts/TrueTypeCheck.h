#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// stb_truetype reads a font file where its tables say, without looking at
// where the file ends, and trusts every count and offset in them. This walks
// everything it will read (the table directory, cmap and the subtable it
// picks, head, hhea, hmtx, maxp, loca, every glyph in glyf, kern and the pair
// adjustments in GPOS) and answers why the bytes must not be handed to it;
// empty when they may. Fonts with CFF outlines are refused: the game's
// fonts are all TrueType.
std::string trueTypeFault(const std::uint8_t* data, std::uint32_t size);

} // namespace vorn
