#include "render/fonts/BMFont.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "render/DrawData.h"
#include "render/ImageData.h"
#include "render/Render.h"
#include "render/VertexData.h"

#include <tinyxml2.h>

#include <cstring>

namespace vorn {

namespace {

// The font compares each byte as a signed char widened to 32 bits, so bytes
// 128 to 255 become codes no character of the file carries.
std::uint32_t codeOf(char c) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
}

const tinyxml2::XMLElement* section(const tinyxml2::XMLElement* root, const char* name) {
    const tinyxml2::XMLElement* element = root ? root->FirstChildElement(name) : nullptr;
    if (!element) {
        log("BMFont: no <%s> section in the font description", name);
    }
    return element;
}

} // namespace

BMFont::BMFont(const tinyxml2::XMLElement* root) {
    float addXAdvance = 0.0f;
    if (const auto* common = section(root, "common")) {
        lineHeight_ = common->FloatAttribute("lineHeight", 0.0f);
        base_ = common->FloatAttribute("base", 0.0f);
        addXAdvance = common->FloatAttribute("addXAdvance", 0.0f);
    }

    if (const auto* pages = section(root, "pages")) {
        for (const auto* page = pages->FirstChildElement("page"); page; page = page->NextSiblingElement("page")) {
            const int id = page->IntAttribute("id", 0);
            const char* file = page->Attribute("file");
            if (!file) {
                log("BMFont: page %d has no \"file\", skipped", id);
                continue;
            }
            const std::string path = std::string("data/fonts/") + file;
            auto image = std::dynamic_pointer_cast<ImageData>(ResourceManager::instance()->getResource(path));
            // A missing image file still gives a frame, of size 0: its glyphs
            // would get infinite texture coordinates.
            if (!image || image->getWidth() <= 0.0f || image->getHeight() <= 0.0f || image->getScale() == 0.0f) {
                log("BMFont: page image %s is missing, page %d skipped", path.c_str(), id);
                pages_.erase(id);
                continue;
            }
            pages_[id] = image;
        }
    }

    if (const auto* chars = section(root, "chars")) {
        for (const auto* element = chars->FirstChildElement("char"); element;
             element = element->NextSiblingElement("char")) {
            const int pageId = element->IntAttribute("page", 0);
            const auto page = pages_.find(pageId);
            if (page == pages_.end()) {
                log("Incorrect page");
                continue;
            }
            Glyph glyph = parseChar(page->second, element);
            glyph.xadvance += addXAdvance;
            chars_[static_cast<std::uint32_t>(glyph.id)] = glyph;
        }
    }

    if (const auto* kernings = section(root, "kernings")) {
        for (const auto* element = kernings->FirstChildElement("kerning"); element;
             element = element->NextSiblingElement("kerning")) {
            const auto first = static_cast<std::uint32_t>(element->IntAttribute("first", 0));
            const auto second = static_cast<std::uint32_t>(element->IntAttribute("second", 0));
            kernings_[first][second] = element->FloatAttribute("amount", 0.0f);
        }
    }
}

Glyph BMFont::parseChar(const std::shared_ptr<ImageData>& page, const tinyxml2::XMLElement* element) {
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
    Glyph glyph;
    // Walked in order so that a name given twice counts the later value.
    for (const auto* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        const char* name = attribute->Name();
        if (std::strcmp(name, "id") == 0) {
            glyph.id = attribute->IntValue();
        } else if (std::strcmp(name, "x") == 0) {
            x = attribute->FloatValue();
        } else if (std::strcmp(name, "y") == 0) {
            y = attribute->FloatValue();
        } else if (std::strcmp(name, "width") == 0) {
            width = attribute->FloatValue();
        } else if (std::strcmp(name, "height") == 0) {
            height = attribute->FloatValue();
        } else if (std::strcmp(name, "xoffset") == 0) {
            glyph.xoffset = attribute->FloatValue();
        } else if (std::strcmp(name, "yoffset") == 0) {
            glyph.yoffset = attribute->FloatValue();
        } else if (std::strcmp(name, "xadvance") == 0) {
            glyph.xadvance = attribute->FloatValue();
        }
    }
    if (!page) {
        return glyph;
    }
    glyph.texture = page->getTexture();

    const float pageWidth = page->getWidth() * page->getScale();
    const float pageHeight = page->getHeight() * page->getScale();
    const float left = glyph.xoffset;
    const float top = glyph.yoffset;
    glyph.corners = {glm::vec3(left, top, 0.0f), glm::vec3(left + width, top, 0.0f),
                     glm::vec3(left + width, top + height, 0.0f), glm::vec3(left, top + height, 0.0f)};
    if (pageWidth != 0.0f && pageHeight != 0.0f) {
        const float u0 = x / pageWidth, u1 = (x + width) / pageWidth;
        const float v0 = y / pageHeight, v1 = (y + height) / pageHeight;
        glyph.uv = {glm::vec2(u0, v0), glm::vec2(u1, v0), glm::vec2(u1, v1), glm::vec2(u0, v1)};
    }
    return glyph;
}

void BMFont::prepareTextures() {
    prepared_ = true;
    for (auto& [id, page] : pages_) {
        page->load();
    }
}

const Glyph* BMFont::findGlyph(std::uint32_t code) const {
    const auto found = chars_.find(code);
    return found == chars_.end() ? nullptr : &found->second;
}

float BMFont::kerning(std::uint32_t first, std::uint32_t second) const {
    const auto row = kernings_.find(first);
    if (row == kernings_.end()) {
        return 0.0f;
    }
    const auto pair = row->second.find(second);
    return pair == row->second.end() ? 0.0f : pair->second;
}

// The one walk behind drawing, building and measuring, so that what is
// measured is what is drawn. Returns the pen's final x.
template <typename EmitQuad>
float BMFont::layout(const glm::vec3& position, const std::string& text, float extraSpace, EmitQuad emit) {
    float x = position.x;
    float y = position.y;
    bool havePrevious = false;
    std::uint32_t previous = 0;
    for (const char c : text) {
        if (c == '\n') {
            havePrevious = false;
            x = 0.0f;
            y += lineHeight_;
            continue;
        }
        const std::uint32_t code = codeOf(c);
        if (havePrevious) {
            x += kerning(previous, code);
        }
        const Glyph* glyph = findGlyph(code);
        if (!glyph) {
            continue;
        }
        emit(*glyph, glm::vec3(x, y - base_, position.z));
        havePrevious = true;
        previous = code;
        x += glyph->xadvance;
        if (c == ' ') {
            x += extraSpace;
        }
    }
    return x;
}

void BMFont::drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) {
    Render* render = Render::instance();
    if (!render) {
        return;
    }
    if (!prepared_) {
        prepareTextures();
    }
    VertexData quad;
    layout(position, text, extraSpace, [&](const Glyph& glyph, const glm::vec3& pen) {
        render->setTexture(glyph.texture);
        quad.vertices.clear();
        quad.indices.clear();
        glyph.appendQuad(quad, pen);
        render->drawVertexData(quad);
    });
}

std::shared_ptr<DrawData> BMFont::buildDrawData(const glm::vec3& position, const std::string& text,
                                                float extraSpace) {
    if (!prepared_) {
        prepareTextures();
    }
    auto result = std::make_shared<DrawData>();
    VertexData quad;
    layout(position, text, extraSpace, [&](const Glyph& glyph, const glm::vec3& pen) {
        quad.vertices.clear();
        quad.indices.clear();
        glyph.appendQuad(quad, pen);
        result->add(glyph.texture, quad);
    });
    return result;
}

glm::vec2 BMFont::measure(const std::string& text) {
    const float width = layout(glm::vec3(0.0f), text, 0.0f, [](const Glyph&, const glm::vec3&) {});
    return {width, lineHeight_};
}

std::string BMFont::filterText(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (c != '\n' && c != '\r' && findGlyph(codeOf(c))) {
            result += c;
        }
    }
    return result;
}

} // namespace vorn
