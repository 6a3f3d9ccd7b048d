#include "widgets/TextInput.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "core/Keys.h"
#include "core/StringUtils.h"
#include "render/fonts/Font.h"
#include "scene/Image.h"
#include "scene/LoadContext.h"
#include "scene/Scene.h"
#include "scene/Text.h"
#include "widgets/UiDefaults.h"

#include <set>

namespace vorn {

namespace {

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the character a lead byte opens; 0 for a byte that opens none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

// The whole, well-formed characters of a typed text, in order; stray bytes,
// overlong forms, surrogates and values past U+10FFFF are dropped, so that
// nothing typed can make the name one the users file cannot carry.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        out.push_back(text.substr(i, length));
        i += length;
    }
    return out;
}

const std::set<std::string> textKeys = {"font",
                                        "font_size",
                                        "fontSize",
                                        "shadow_color",
                                        "shadowColor",
                                        "shadow_offset",
                                        "shadowOffset",
                                        "shadow_offset_x",
                                        "shadowOffsetX",
                                        "shadow_offset_y",
                                        "shadowOffsetY",
                                        "outlineWidth",
                                        "outline_width",
                                        "outlineColor",
                                        "outline_color"};

} // namespace

std::string TextInput::cutToWholeCharacters(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    // The character that straddles the limit goes whole.
    std::size_t end = limit;
    std::size_t back = 0;
    while (end > 0 && back < 3 && continuation(static_cast<unsigned char>(text[end]))) {
        --end;
        ++back;
    }
    if (continuation(static_cast<unsigned char>(text[end]))) end = limit;
    return text.substr(0, end);
}

std::string TextInput::withoutLastCharacter(const std::string& text) {
    if (text.empty()) return text;
    std::size_t start = text.size() - 1;
    while (start > 0 && text.size() - start < 4 && continuation(static_cast<unsigned char>(text[start]))) --start;
    const std::size_t length = sequenceLength(static_cast<unsigned char>(text[start]));
    if (length != text.size() - start) start = text.size() - 1;
    return text.substr(0, start);
}

TextInput::TextInput() : textNode_(std::make_shared<Text>()) {}

TextInput::~TextInput() = default;

void TextInput::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    Attributes forText;
    const std::string* initial = nullptr;
    std::string initialText;
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (textKeys.contains(key)) {
            forText[key] = value;
        } else if (key == "text") {
            initialText = value.toString();
            initial = &initialText;
        } else if (key == "limit") {
            limit_ = value.asLong();
        } else if (key == "dataSource") {
            setDataSource(value.toString());
        }
    });
    // Always, so that the inner text loads its font (the default one
    // without "font"); it clears the text, which comes after.
    textNode_->setProperties(forText);
    if (initial) textNode_->setText(*initial);
}

const std::string& TextInput::getText() const { return textNode_->getText(); }

void TextInput::onSetup() {
    Node::onSetup();
    addChild(textNode_);
    const std::shared_ptr<Font> font = textNode_->getFont() ? textNode_->getFont() : UiDefaults::instance()->defaultFont();
    auto bar = std::make_shared<Image>(glm::vec2(4.0f, font->base()), Color(0xFFFFFFFFu));
    bar->setVisible(false);
    cursor_ = bar.get();
    addChild(bar);
    updateCursor();
}

void TextInput::onEnterStage() {
    connect();
    Node::onEnterStage();
    textNode_->setCenterParent(true);
}

void TextInput::updateCursor() {
    if (!cursor_) return;
    const float c = cursor_->getSize().y / 2.0f;
    if (getText().empty()) {
        const glm::vec2 centre = halfSize();
        cursor_->setPosition(centre.x, centre.y - c);
        return;
    }
    const glm::vec2 at = textNode_->getPosition();
    const glm::vec2 anchor = textNode_->getAnchor();
    const glm::vec2 size = textNode_->getSize();
    cursor_->setPosition(at.x - anchor.x + size.x, at.y - anchor.y + size.y / 2.0f - c);
}

void TextInput::publish() {
    if (!getDataSourceName().empty()) getDataSource()->set(Value(getText()));
}

bool TextInput::textInput(const std::string& utf8) {
    const std::shared_ptr<Font> font = textNode_->getFont();
    std::string added;
    for (const std::string& character : characters(utf8)) {
        if (character == "\n" || character == "\r") continue;
        // Asked one character at a time, so that a font that judges bytes
        // keeps or drops each character whole.
        if (font && font->filterText(character) != character) continue;
        added += character;
    }
    std::string candidate = getText() + added;
    if (limit_ > 0 && static_cast<std::size_t>(limit_) < candidate.size()) {
        candidate = cutToWholeCharacters(candidate, static_cast<std::size_t>(limit_));
    }
    textNode_->setText(candidate);
    updateCursor();
    publish();
    return true;
}

bool TextInput::keyDown(int key) {
    if (key != KEY_BACKSPACE) return false;
    if (getText().empty()) return true;
    textNode_->setText(withoutLastCharacter(getText()));
    updateCursor();
    publish();
    return true;
}

void TextInput::setText(const std::string& text) {
    std::string shown = text;
    if (limit_ >= 0 && static_cast<std::size_t>(limit_) < shown.size()) {
        shown = cutToWholeCharacters(shown, static_cast<std::size_t>(limit_));
    }
    textNode_->setText(shown);
    updateCursor();
    publish();
}

bool TextInput::mouseUp(const glm::vec2& point, eButtonName) {
    const Application* app = Application::instance();
    if (const std::shared_ptr<Scene> scene = app ? app->runningScene() : nullptr) scene->setFocus(shared_from_this());
    return containsPoint(point);
}

void TextInput::onFocusGained() {
    updateCursor();
    if (cursor_) cursor_->setVisible(true);
}

void TextInput::onFocusLost() {
    if (cursor_) cursor_->setVisible(false);
}

} // namespace vorn
