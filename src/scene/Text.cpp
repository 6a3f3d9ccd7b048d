#include "scene/Text.h"

#include "core/Locale.h"
#include "core/Localization.h"
#include "core/ResourceManager.h"
#include "core/StringUtils.h"
#include "render/DrawData.h"
#include "render/Render.h"
#include "render/fonts/Font.h"
#include "scene/LoadContext.h"
#include "widgets/UiDefaults.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>

namespace vorn {

namespace {

bool isAligned(int align) { return align >= 1 && align <= 3; }

std::string localText(const std::string& key) { return Localization::instance()->current()->text(key); }

void drawAt(Render& render, const DrawData& data, float dx, float dy) {
    render.pushMatrix();
    render.multMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(dx, dy, 0.0f)));
    data.draw();
    render.popMatrix();
}

} // namespace

Text::Text() = default;

Text::Text(const std::string& text) : text_(text), displayText_(text) {}

Text::~Text() = default;

void Text::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    std::string text;
    std::string key;
    std::string templateText;
    std::string templateKey;
    std::string fontName;
    float fontSize = 0.0f;
    LoadContext::each(attributes, [&](const std::string& name, const Value& value) {
        if (name == "text") {
            text = value.toString();
        } else if (name == "key") {
            key = value.toString();
        } else if (name == "template") {
            templateText = value.toString();
        } else if (name == "template_key") {
            templateKey = value.toString();
        } else if (name == "font") {
            fontName = value.toString();
        } else if (name == "font_size" || name == "fontSize") {
            fontSize = value.asFloat();
        } else if (name == "align") {
            const std::string align = value.toString();
            if (align == "left") alignment_ = ALIGN_LEFT;
            else if (align == "right") alignment_ = ALIGN_RIGHT;
            else if (align == "center") alignment_ = ALIGN_CENTER;
            else if (align == "width") alignment_ = ALIGN_WIDTH;
        } else if (name == "dataSource") {
            setDataSource(value.toString());
        } else if (name == "w") {
            setSize({value.asFloat(), size_.y});
            fixedSize_ = true;
        } else if (name == "h") {
            setSize({size_.x, value.asFloat()});
            fixedSize_ = true;
        } else if (name == "shadow_color" || name == "shadowColor") {
            shadowColor_ = Color(value.toString());
            shadow_ = true;
        } else if (name == "shadow_offset" || name == "shadowOffset") {
            const float offset = value.asFloat();
            shadowOffset_ = {offset, offset};
        } else if (name == "shadow_offset_x" || name == "shadowOffsetX") {
            shadowOffset_.x = value.asFloat();
        } else if (name == "shadow_offset_y" || name == "shadowOffsetY") {
            shadowOffset_.y = value.asFloat();
        } else if (name == "outlineWidth" || name == "outline_width") {
            outlineWidth_ = value.asFloat();
            outline_ = true;
        } else if (name == "outlineColor" || name == "outline_color") {
            outlineColor_ = Color(value.toString());
        }
    });
    font_ = ResourceManager::instance()->getFont(fontName, fontSize);
    template_ = templateKey.empty() ? templateText : localText(templateKey);
    setText(key.empty() ? text : localText(key));
    if (isOnStage()) relayout();
}

void Text::onSetup() {
    if (!font_) font_ = UiDefaults::instance()->defaultFont();
    if (font_) font_->prepareTextures();
}

void Text::onEnterStage() {
    DataSourceListener::connect();
    Node::onEnterStage();
    if (isOnStage()) relayout();
}

void Text::setText(const std::string& text) {
    drawData_.reset();
    text_ = text;
    displayText_ = text;
    // Until the next layout the new text is drawn as it is, never the
    // lines of the old one.
    clearWrapping();
    if (isOnStage()) relayout();
    layoutInParent(size_);
}

void Text::setAlignment(int alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    drawData_.reset();
    refresh();
}

void Text::setFont(const std::shared_ptr<Font>& font) {
    if (font == font_) return;
    font_ = font;
    drawData_.reset();
    refresh();
}

void Text::refresh() {
    if (isOnStage()) relayout();
}

void Text::clearWrapping() {
    wrapped_ = false;
    lines_.clear();
}

void Text::relayout() {
    if (!font_) return;
    if (text_.empty()) {
        clearWrapping();
        return;
    }
    measuredSize_ = font_->measure(text_);
    if (isFillParent() || fixedSize_) {
        wordWrap();
        singleLineOffsets();
        const float height = font_->lineHeight() * static_cast<float>(lines_.size());
        if (height != size_.y) {
            size_.y = height;
            // A centred anchor follows the new height at the next draw.
            transformDirty_ = true;
        }
        layoutInParent(size_);
        return;
    }
    const bool centered = isCenterParent();
    if (!isAligned(getParentAlign()) && !isAligned(getParentVAlign()) && !centered) {
        singleLineOffsets();
        return;
    }
    if (isAligned(getParentAlign()) || centered) alignment_ = ALIGN_LEFT;
    setSize({0.0f, 0.0f});
    singleLineOffsets();
    if (isAligned(getParentVAlign()) || centered) offset_.y = font_->base();
    setSize(measuredSize_);
    layoutInParent(measuredSize_);
}

void Text::singleLineOffsets() {
    if (!font_ || text_.empty()) return;
    const float width = size_.x;
    switch (alignment_) {
    case ALIGN_LEFT: offset_ = {0.0f, 0.0f, 0.0f}; break;
    case ALIGN_RIGHT: offset_ = {width - measuredSize_.x, 0.0f, 0.0f}; break;
    case ALIGN_CENTER: offset_ = {(width - measuredSize_.x) * 0.5f, 0.0f, 0.0f}; break;
    default: break;
    }
}

void Text::wordWrap() {
    const float width = size_.x;
    if (width <= 0.0f) {
        // Nothing to wrap to: the text is drawn as it is.
        displayText_ = text_;
        clearWrapping();
        return;
    }
    const std::vector<std::string> words = splitWords(text_);
    displayText_ = words.front();
    // Only the line being built is measured: the text so far would cost
    // time growing with its length, and a font that measures its widest
    // line would judge by the wrong one.
    std::string line = displayText_.substr(displayText_.rfind('\n') + 1);
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::size_t lineBreak = word.find('\n');
        const std::string firstPart = word.substr(0, lineBreak);
        std::string candidate = line;
        candidate += ' ';
        candidate += firstPart;
        if (font_->measure(candidate).x <= width) {
            displayText_ += ' ';
            line = std::move(candidate);
        } else {
            displayText_ += '\n';
            line = firstPart;
        }
        displayText_ += word;
        if (lineBreak != std::string::npos) line = word.substr(word.rfind('\n') + 1);
    }
    lines_ = split(displayText_, "\n");
    wrapped_ = true;
}

float Text::lineOffset(float lineWidth) const {
    const float width = size_.x;
    switch (alignment_) {
    case ALIGN_RIGHT: return width - lineWidth;
    case ALIGN_CENTER: return (width - lineWidth) * 0.5f;
    default: return 0.0f;
    }
}

void Text::buildDrawData() {
    if (!wrapped_) {
        drawData_ = font_->buildDrawData(offset_, displayText_, 0.0f);
        return;
    }
    auto data = std::make_shared<DrawData>();
    float y = font_->base();
    for (const std::string& line : lines_) {
        std::shared_ptr<DrawData> built;
        if (alignment_ == ALIGN_WIDTH) {
            const auto blanks = std::count(line.begin(), line.end(), ' ');
            const float extra = blanks > 0 ? (size_.x - font_->measure(line).x) / static_cast<float>(blanks) : 0.0f;
            built = font_->buildDrawData({0.0f, y, 0.0f}, line, extra);
        } else {
            const float x = alignment_ == ALIGN_LEFT ? 0.0f : lineOffset(font_->measure(line).x);
            built = font_->buildDrawData({x, y, 0.0f}, line, 0.0f);
        }
        if (built) data->append(*built);
        y += font_->lineHeight();
    }
    drawData_ = std::move(data);
}

void Text::draw() {
    if (!font_) return;
    Render* render = Render::instance();
    if (!render) return;
    if (!drawData_) buildDrawData();
    if (!drawData_) return;
    // Wrap flags stay from whatever drew last; glyph quads must not repeat.
    render->setTextureWrap(0, 0);
    if (shadow_) drawShadowed(*render);
    else if (outline_) drawOutlined(*render);
    else drawData_->draw();
}

void Text::drawOutlineCopies(Render& render) const {
    const float w = outlineWidth_;
    const float offsets[8][2] = {{w, 0}, {0, w}, {-w, 0}, {0, -w}, {w, w}, {-w, w}, {-w, -w}, {w, -w}};
    for (const auto& o : offsets) drawAt(render, *drawData_, o[0], o[1]);
}

// The outline in the node's colour times the outline colour, the glyphs
// over it in the node's colour (which the traversal has already applied).
void Text::drawOutlined(Render& render) const {
    render.pushColor();
    render.multiplyColor(outlineColor_);
    drawOutlineCopies(render);
    render.popColor();
    drawData_->draw();
}

// The shadow takes the colour in force above this node, not the node's
// own: the traversal's colour is taken off for it and put back exactly.
void Text::drawShadowed(Render& render) const {
    const Color own = render.getColor();
    render.popColor();
    render.pushMatrix();
    render.multMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(shadowOffset_.x, shadowOffset_.y, 0.0f)));
    render.pushColor();
    render.multiplyColor(shadowColor_);
    if (outline_) drawOutlineCopies(render);
    else drawData_->draw();
    render.popColor();
    render.popMatrix();
    render.pushColor();
    render.setColor(own);
    if (outline_) drawOutlined(render);
    else drawData_->draw();
}

} // namespace vorn
