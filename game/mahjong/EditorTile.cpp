#include "mahjong/EditorTile.h"

#include "core/DataSource.h"
#include "core/Log.h"
#include "mahjong/EditorBoard.h"

#include <exception>

namespace mahjong {

namespace {

int tileTypeToPlace() {
    try {
        return vorn::DataSource::get("tileType")->value().asInt();
    } catch (const std::exception& e) {
        vorn::log("tileType is not a number [%s]", e.what());
        return 0;
    }
}

} // namespace

EditorTile::EditorTile(int tileType) : Tile(tileType) {}

EditorTile::EditorTile() : Tile(kNoType) {
    width = 1;
    height = 1;
    setSize({kTileImageWidth * 0.5f, kTileImageHeight * 0.5f});
}

EditorTile::~EditorTile() = default;

std::shared_ptr<EditorBoard> EditorTile::editorBoard() { return std::dynamic_pointer_cast<EditorBoard>(board()); }

bool EditorTile::mouseDown(const glm::vec2& point, vorn::eButtonName button) {
    glm::vec4 local;
    if (!hitTest(point, local)) return false;
    const std::shared_ptr<EditorBoard> owner = editorBoard();
    if (!owner) return true;
    const TilePosition p = position;
    if (button == vorn::BUTTON_LEFT) {
        if (!p.holdsTile()) return true;
        auto tile = std::make_shared<EditorTile>(tileTypeToPlace());
        tile->setGridPosition(p, true);
        if (!owner->isFootprintFree(tile)) return true;
        if (p.z > 0) {
            bool supported = false;
            for (int x = p.x; x < p.x + 2; ++x) {
                for (int y = p.y; y < p.y + 2; ++y) {
                    const std::shared_ptr<Tile> below = owner->cellAt(TilePosition(x, y, p.z - 1));
                    supported = supported || (below && below->type >= 0);
                }
            }
            if (!supported) return true;
        }
        owner->placeTile(tile);
        return true;
    }
    owner->clearTile(std::static_pointer_cast<Tile>(shared_from_this()));
    return true;
}

} // namespace mahjong
