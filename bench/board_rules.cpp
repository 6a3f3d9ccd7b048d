// The board's rules on the CPU: a first deal of the 144-place turtle with
// its place priorities, the place priority itself on a layout whose rows
// zig-zag, where counting every path by plain recursion explodes, and the
// move search on a full board.

#include "core/ResourceManager.h"
#include "mahjong/Board.h"
#include "mahjong/Deal.h"
#include "mahjong/Deck.h"
#include "mahjong/Level.h"
#include "mahjong/Tile.h"
#include "tests/mahjong/Layouts.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

using namespace mahjong;

void BM_DealTurtle(benchmark::State& state) {
    const std::vector<LevelPlace> layout = test::turtle();
    std::vector<TilePosition> positions;
    for (const LevelPlace& p : layout) positions.push_back(p.position);
    unsigned seed = 0;
    for (auto _ : state) {
        std::mt19937 random(seed++);
        Deck deck;
        const std::vector<int> types = deck.prepareTypes(144, random);
        DealDeck cards;
        cards.cards.reserve(types.size());
        for (std::size_t i = 0; i < types.size(); ++i) cards.cards.push_back({types[i], static_cast<int>(i)});
        DealSettings settings;
        settings.plainPlaceCount = 144;
        DealResult result = dealTiles(positions, cards, settings, random);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_DealTurtle)->Unit(benchmark::kMicrosecond);

// Nine columns of places, every other one shifted down half a tile, so each
// place touches two on each side and the paths double at every column.
std::vector<std::shared_ptr<DealPlace>> zigZag(int columns) {
    std::vector<std::shared_ptr<DealPlace>> places;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < 9; ++j) places.push_back(std::make_shared<DealPlace>(TilePosition(2 * i, 2 * j + (i % 2), 0)));
    }
    linkPlaces(places);
    return places;
}

float plainCount(const DealPlace& p, std::vector<DealPlace*> DealPlace::*next) {
    float sum = static_cast<float>((p.*next).size());
    for (const DealPlace* q : p.*next) sum += plainCount(*q, next);
    return sum;
}

void BM_PriorityMemoised(benchmark::State& state) {
    const auto places = zigZag(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        linkPlaces(places);
        float sum = 0;
        for (const auto& p : places) sum += p->priority();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PriorityMemoised)->Arg(10)->Arg(16)->Unit(benchmark::kMicrosecond);

void BM_PriorityPlainRecursion(benchmark::State& state) {
    const auto places = zigZag(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        float sum = 0;
        for (const auto& p : places) {
            const float r = plainCount(*p, &DealPlace::right);
            const float l = plainCount(*p, &DealPlace::left);
            sum += plainCount(*p, &DealPlace::above) + ((r > 0 && l > 0) ? std::min(r, l) + 1 : 0);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PriorityPlainRecursion)->Arg(10)->Arg(16)->Unit(benchmark::kMicrosecond);

// The search the board runs after every pair and for the hint, on a fully
// dealt turtle of sprite tiles.
void BM_FindMovesFullBoard(benchmark::State& state) {
    vorn::ResourceManager::instance()->addSearchPath("tests/mahjong/fixtures");
    auto level = std::make_shared<Level>();
    level->places = test::turtle();
    auto board = std::make_shared<Board>(level);
    board->randomEngine.seed(4);
    auto deck = std::make_shared<Deck>();
    deck->prepare(144, board->randomEngine);
    std::vector<std::shared_ptr<Board::Place>> places;
    for (const LevelPlace& p : level->places) places.push_back(std::make_shared<Board::Place>(p.position));
    board->arrangeDeck(places, deck, true);
    std::size_t moves = 0;
    for (auto _ : state) {
        auto found = board->findMoves();
        moves = found.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["moves"] = static_cast<double>(moves);
}
BENCHMARK(BM_FindMovesFullBoard)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
