#pragma once

#include "mahjong/Tile.h"

#include <memory>

namespace mahjong {

class EditorBoard;

// A tile of the editor: a placed tile, or an empty-cell marker that draws
// nothing and covers one cell. A left click places a tile of the type in
// "tileType"; any other button takes this one away.
class EditorTile : public Tile {
public:
    explicit EditorTile(int type);
    // A cell marker.
    EditorTile();
    ~EditorTile() override;

    bool mouseDown(const glm::vec2& point, vorn::eButtonName button) override;
    std::shared_ptr<EditorBoard> editorBoard();
};

} // namespace mahjong
