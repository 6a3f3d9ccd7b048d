#pragma once

#include "scene/DataSourceListener.h"
#include "scene/Node.h"

#include <memory>
#include <string>

namespace vorn {

class Image;
class Text;

// A single line of typed text, shown centred by an inner text node, with a
// bar at its end while the input has the keyboard focus. A release on the
// input takes the focus. Every change is published as a STRING to the
// bound data source; the input never shows what the source holds.
//
// Texts are cut only between whole UTF-8 characters: the limit keeps the
// whole characters that fit in its bytes, and backspace removes the last
// character, so what reaches player names and files is always valid text.
class TextInput : public virtual Node, public virtual DataSourceListener {
public:
    TextInput();
    ~TextInput() override;

    // Backspace (key 18) removes the last character; true for it alone.
    bool keyDown(int key) override;
    bool keyUp(int) override { return false; }
    // Appends what the font can draw, cut to the limit.
    bool textInput(const std::string& utf8) override;
    bool mouseDown(const glm::vec2& point, eButtonName) override { return containsPoint(point); }
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    // The text attributes go to the inner text; "text" (shown as it is),
    // "limit" (bytes, negative for none) and "dataSource".
    void setProperties(const Attributes& attributes) override;
    void onSetup() override;
    void draw() override {}
    void onEnterStage() override;
    void onFocusGained() override;
    void onFocusLost() override;

    // Cut to the limit (a limit of 0 empties it), not filtered, published.
    void setText(const std::string& text);
    const std::string& getText() const;
    void updateCursor();

    int getLimit() const { return limit_; }
    Text* textNode() const { return textNode_.get(); }
    Image* cursor() const { return cursor_; }

    // The longest start of the text that is at most limit bytes and ends
    // between characters.
    static std::string cutToWholeCharacters(const std::string& text, std::size_t limit);
    // The text without its last character (one byte where the end is no
    // well-formed character).
    static std::string withoutLastCharacter(const std::string& text);

private:
    void publish();

    // Made with the input; a child from set-up on.
    std::shared_ptr<Text> textNode_;
    Image* cursor_ = nullptr;
    int limit_ = -1;
};

} // namespace vorn
