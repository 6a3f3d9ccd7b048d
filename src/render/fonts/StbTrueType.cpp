// The one translation unit that compiles stb_truetype and stb_rect_pack; the
// packer must come first so that stb_truetype packs with it.
#define STB_RECT_PACK_IMPLEMENTATION
#include <stb/stb_rect_pack.h>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
