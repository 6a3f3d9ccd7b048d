#include "mahjong/Deal.h"

#include "core/Log.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace mahjong {

namespace {

// Memoised: plain recursion visits every path, which grows exponentially
// with stacked layers and long rows.
float countPaths(const std::vector<DealPlace*>& next, float& cache, float (DealPlace::*count)() const) {
    if (cache < 0.0f) {
        float sum = static_cast<float>(next.size());
        for (const DealPlace* place : next) sum += (place->*count)();
        cache = sum;
    }
    return cache;
}

bool near(const TilePosition& a, const TilePosition& b) { return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1; }

} // namespace

float DealPlace::aboveCount() const { return countPaths(above, above_, &DealPlace::aboveCount); }

float DealPlace::rightCount() const { return countPaths(right, right_, &DealPlace::rightCount); }

float DealPlace::leftCount() const { return countPaths(left, left_, &DealPlace::leftCount); }

float DealPlace::priority() const {
    float value = aboveCount();
    const float r = rightCount();
    const float l = leftCount();
    if (r > 0.0f && l > 0.0f) value += std::min(r, l) + 1.0f;
    return value;
}

void linkPlaces(const std::vector<std::shared_ptr<DealPlace>>& places) {
    for (const auto& place : places) {
        place->above.clear();
        place->right.clear();
        place->left.clear();
        place->forget();
    }
    const auto join = [](std::vector<DealPlace*>& set, DealPlace* place) {
        if (std::find(set.begin(), set.end(), place) == set.end()) set.push_back(place);
    };
    for (std::size_t i = 0; i < places.size(); ++i) {
        DealPlace* p = places[i].get();
        for (std::size_t j = i + 1; j < places.size(); ++j) {
            DealPlace* q = places[j].get();
            const TilePosition& a = p->position;
            const TilePosition& b = q->position;
            if (a.z == b.z && std::abs(a.y - b.y) <= 1) {
                if (b.x == a.x + 2) {
                    join(p->right, q);
                    join(q->left, p);
                } else if (b.x == a.x - 2) {
                    join(p->left, q);
                    join(q->right, p);
                }
            } else if (std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1) {
                if (a.z == b.z + 1) join(q->above, p);
                else if (b.z == a.z + 1) join(p->above, q);
            }
        }
    }
}

bool DealDeck::pop(DealCard& out) {
    if (cards.empty()) return false;
    out = cards.back();
    cards.pop_back();
    return true;
}

bool DealDeck::takeMatching(int type, DealCard& out) {
    const auto found = std::find_if(cards.begin(), cards.end(), [type](const DealCard& c) { return tileTypesMatch(type, c.type); });
    if (found == cards.end()) return false;
    out = *found;
    cards.erase(found);
    return true;
}

DealResult dealTiles(const std::vector<TilePosition>& positions, DealDeck& deck, const DealSettings& settings,
                     std::mt19937& random) {
    DealResult result;
    std::vector<std::shared_ptr<DealPlace>> owners;
    owners.reserve(positions.size());
    for (const TilePosition& p : positions) owners.push_back(std::make_shared<DealPlace>(p));
    linkPlaces(owners);

    // Highest priority last: the deal takes places from the back.
    std::shuffle(owners.begin(), owners.end(), random);
    for (const auto& place : owners) place->priority();
    std::vector<DealPlace*> list;
    list.reserve(owners.size());
    for (const auto& place : owners) list.push_back(place.get());
    std::sort(list.begin(), list.end(), [](const DealPlace* a, const DealPlace* b) { return a->priority() < b->priority(); });

    // Special tiles and the tile counts at which they go down.
    const unsigned n = settings.initial ? settings.plainPlaceCount : static_cast<unsigned>(list.size());
    const unsigned goldThreshold = std::uniform_int_distribution<unsigned>(0, n / 4)(random);
    // Gold and bears at hand: card ids from the deck on a reshuffle, new
    // tiles (by index) on the first deal.
    std::vector<DealCard> gold;
    std::vector<DealCard> bears;
    if (settings.initial) {
        gold = {{kGoldType, 0}, {kGoldType, 1}};
        result.newGold = 2;
    } else {
        for (DealCard card; deck.takeMatching(kGoldType, card);) gold.push_back(card);
        for (DealCard card; deck.takeMatching(kBearType, card);) bears.push_back(card);
    }
    std::vector<unsigned> order(n / 2);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), random);
    int bearCount = settings.initial ? std::max(0, settings.bearsCount) : static_cast<int>(bears.size());
    // Each bear takes a place of its own; more are never made.
    if (static_cast<std::size_t>(bearCount) > positions.size()) {
        vorn::log("Deal: %d bears for %zu places; %zu dealt", bearCount, positions.size(), positions.size());
        bearCount = static_cast<int>(positions.size());
    }
    std::vector<unsigned> bearThresholds;
    for (int i = 0; i < bearCount; ++i) {
        if (settings.initial) {
            bears.push_back({kBearType, i});
            ++result.newBears;
        }
        // More bears than the list has entries: the extra ones reuse the
        // last entry instead of reading past it.
        bearThresholds.push_back(order.empty() ? 0u : order[std::min<std::size_t>(static_cast<std::size_t>(i), order.size() - 1)]);
    }
    std::sort(bearThresholds.begin(), bearThresholds.end(), std::greater<unsigned>());

    std::size_t onBoard = settings.tilesOnBoard;
    float delay = 0.0f;
    bool goldPlaced = false;
    bool ranOut = false;
    const auto place = [&](const DealCard& card, DealStep::Kind kind, const TilePosition& at, bool special) {
        DealStep step;
        step.kind = kind;
        step.index = card.id;
        step.position = at;
        step.special = special;
        result.steps.push_back(step);
        ++onBoard;
    };
    const DealStep::Kind specialKind = settings.initial ? DealStep::NewGold : DealStep::DeckTile;
    const DealStep::Kind bearKind = settings.initial ? DealStep::NewBear : DealStep::DeckTile;
    const auto flyIn = [&] {
        if (!settings.initial) return;
        result.steps.back().delay = delay;
        delay += 0.025f;
    };

    std::vector<DealPlace*> aside;
    while (list.size() >= 2 && !ranOut) {
        DealPlace* p1 = list.back();
        list.pop_back();
        DealPlace* p2 = list.back();
        list.pop_back();
        // The partner never lies on or under the first tile while another
        // place is left.
        aside.clear();
        while (near(p2->position, p1->position) && !list.empty()) {
            aside.push_back(p2);
            p2 = list.back();
            list.pop_back();
        }
        list.insert(list.end(), aside.begin(), aside.end());

        if (settings.mode == 2 && !goldPlaced && gold.size() >= 2 && onBoard >= goldThreshold) {
            place(gold.back(), specialKind, p1->position, true);
            gold.pop_back();
            place(gold.back(), specialKind, p2->position, true);
            gold.pop_back();
            goldPlaced = true;
        } else if (settings.mode == 3 && !bearThresholds.empty() && !bears.empty() && bearThresholds.back() <= onBoard) {
            bearThresholds.pop_back();
            place(bears.back(), bearKind, p1->position, true);
            bears.pop_back();
            list.push_back(p2);
        } else {
            DealCard first;
            if (!deck.pop(first)) {
                list.push_back(p2);
                list.push_back(p1);
                ranOut = true;
                break;
            }
            place(first, DealStep::DeckTile, p1->position, false);
            flyIn();
            DealCard second;
            if (deck.takeMatching(first.type, second)) {
                place(second, DealStep::DeckTile, p2->position, false);
                flyIn();
            } else {
                result.empty.push_back(p2->position);
            }
        }
    }
    while (!list.empty() && !ranOut) {
        DealCard card;
        if (!deck.pop(card)) {
            ranOut = true;
            break;
        }
        place(card, DealStep::DeckTile, list.back()->position, false);
        list.pop_back();
        if (settings.initial) result.steps.back().delay = delay;
        delay += 0.025f;
    }
    if (ranOut) {
        vorn::log("The deck ran out with %zu places left; they stay empty", list.size());
    }
    for (const DealPlace* rest : list) result.empty.push_back(rest->position);

    if (!settings.initial) {
        // Every tile that was on the board gets a place again: unpaired
        // tiles and special tiles that found no turn take the empty ones.
        std::vector<std::pair<DealCard, bool>> unplaced;
        for (const DealCard& card : gold) unplaced.emplace_back(card, true);
        for (const DealCard& card : bears) unplaced.emplace_back(card, true);
        for (const DealCard& card : deck.cards) unplaced.emplace_back(card, false);
        deck.cards.clear();
        std::size_t next = 0;
        for (; next < unplaced.size() && !result.empty.empty(); ++next) {
            place(unplaced[next].first, DealStep::DeckTile, result.empty.back(), unplaced[next].second);
            result.empty.pop_back();
        }
        for (; next < unplaced.size(); ++next) {
            if (!unplaced[next].second) deck.cards.push_back(unplaced[next].first);
        }
    }
    result.delay = delay;
    return result;
}

} // namespace mahjong
