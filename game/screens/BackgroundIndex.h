#pragma once

#include <string>
#include <vector>

// The background names of the editor's list, from the text of
// "data/scenes/game/backgrounds/index.json": a JSON array of names. A text
// that is no such array gives no names; an entry that is no text is
// skipped. Each with a log line naming source.
std::vector<std::string> readBackgroundIndex(const std::string& text, const char* source);
