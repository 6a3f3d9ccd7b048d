#pragma once

#include "mahjong/Board.h"

#include <memory>

namespace vorn {
class EventListener;
}

namespace mahjong {

class EditorTile;

// The level editor's board: the layout's places shown as tiles, every
// other cell of the grid filled with an invisible click target, one layer
// shown for editing at a time. Follows the data sources "layer",
// "mahjongMode" and "bearsCount"; publishes "tilesToPairCount" and
// "oddTilesCount"; saves the layout back to its file.
class EditorBoard : public virtual Board {
public:
    explicit EditorBoard(const std::shared_ptr<Level>& level);
    ~EditorBoard() override;

    // Fills the board from the layout, from scratch each time.
    virtual void build();
    // A placed tile, or a cell marker for a negative type, at the place.
    virtual std::shared_ptr<Tile> createTile(const LevelPlace& place);
    // Builds instead of dealing.
    void onEnterStage() override;

    // Layers up to n take clicks, layer n + 1 shows faded, higher ones hide.
    void showLayer(int n);
    void publishCounts() override;
    // Writes the layout when its tiles (and bears in mode 3) pair up; false
    // when they do not or the file cannot be written.
    bool save();

    // A tile goes down over the markers of its cells, which leave the board.
    void placeTile(const std::shared_ptr<Tile>& tile);
    // A tile or marker comes off; its cells get markers again.
    void clearTile(const std::shared_ptr<Tile>& tile);

    void onLayerChanged();
    void onModeChanged();
    void onBearsCountChanged();

private:
    vorn::EventListener* layerListener_ = nullptr;
    vorn::EventListener* modeListener_ = nullptr;
    vorn::EventListener* bearsListener_ = nullptr;
};

} // namespace mahjong
