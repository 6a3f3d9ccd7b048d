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

namespace {

// Highest priority last: the deal takes places from the back. The shuffle
// first breaks ties between equal priorities at random.
std::vector<DealPlace*> placesInDealOrder(std::vector<std::shared_ptr<DealPlace>>& owners, std::mt19937& random) {
    std::shuffle(owners.begin(), owners.end(), random);
    for (const auto& place : owners) place->priority();
    std::vector<DealPlace*> list;
    list.reserve(owners.size());
    for (const auto& place : owners) list.push_back(place.get());
    std::sort(list.begin(), list.end(), [](const DealPlace* a, const DealPlace* b) { return a->priority() < b->priority(); });
    return list;
}

// Special tiles and the tile counts at which they go down.
struct Specials {
    unsigned goldThreshold = 0;
    // Gold and bears at hand: card ids from the deck on a reshuffle, new
    // tiles (by index) on the first deal.
    std::vector<DealCard> gold;
    std::vector<DealCard> bears;
    // The soonest last.
    std::vector<unsigned> bearThresholds;
};

Specials takeSpecials(DealDeck& deck, const DealSettings& settings, std::size_t placeCount, std::mt19937& random,
                      DealResult& result) {
    Specials specials;
    std::vector<DealCard>& gold = specials.gold;
    std::vector<DealCard>& bears = specials.bears;
    std::vector<unsigned>& bearThresholds = specials.bearThresholds;
    const unsigned n = settings.initial ? settings.plainPlaceCount : static_cast<unsigned>(placeCount);
    specials.goldThreshold = std::uniform_int_distribution<unsigned>(0, n / 4)(random);
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
    if (static_cast<std::size_t>(bearCount) > placeCount) {
        vorn::log("Deal: %d bears for %zu places; %zu dealt", bearCount, placeCount, placeCount);
        bearCount = static_cast<int>(placeCount);
    }
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
    return specials;
}

// The partner of the place just taken: never one on or under it while
// another place is left. The places passed over go back to the end.
DealPlace* takePartner(std::vector<DealPlace*>& list, const DealPlace* first, std::vector<DealPlace*>& aside) {
    DealPlace* partner = list.back();
    list.pop_back();
    aside.clear();
    while (near(partner->position, first->position) && !list.empty()) {
        aside.push_back(partner);
        partner = list.back();
        list.pop_back();
    }
    list.insert(list.end(), aside.begin(), aside.end());
    return partner;
}

// One deal under way: the steps so far, the tiles on the board and the
// fly-in clock.
class Dealing {
public:
    Dealing(DealDeck& deck, const DealSettings& settings, DealResult& result)
        : deck_(deck), settings_(settings), result_(result), onBoard_(settings.tilesOnBoard) {}

    // Pairs onto the places, best first, the special tiles at their turns.
    // False when the deck ran out; the places not dealt stay in the list.
    bool dealPairs(std::vector<DealPlace*>& list, Specials& specials);
    // The odd places left over take single tiles.
    bool dealSingles(std::vector<DealPlace*>& list);
    // On a reshuffle every tile that was on the board gets a place again:
    // unpaired tiles and special tiles that found no turn take the empty ones.
    void placeTheRest(Specials& specials);
    float delay() const { return delay_; }

private:
    void place(const DealCard& card, DealStep::Kind kind, const TilePosition& at, bool special) {
        DealStep step;
        step.kind = kind;
        step.index = card.id;
        step.position = at;
        step.special = special;
        result_.steps.push_back(step);
        ++onBoard_;
    }
    void flyIn() {
        if (!settings_.initial) return;
        result_.steps.back().delay = delay_;
        delay_ += 0.025f;
    }

    DealDeck& deck_;
    const DealSettings& settings_;
    DealResult& result_;
    std::size_t onBoard_;
    float delay_ = 0.0f;
    bool goldPlaced_ = false;
};

bool Dealing::dealPairs(std::vector<DealPlace*>& list, Specials& specials) {
    std::vector<DealCard>& gold = specials.gold;
    std::vector<DealCard>& bears = specials.bears;
    std::vector<unsigned>& bearThresholds = specials.bearThresholds;
    const DealStep::Kind specialKind = settings_.initial ? DealStep::NewGold : DealStep::DeckTile;
    const DealStep::Kind bearKind = settings_.initial ? DealStep::NewBear : DealStep::DeckTile;
    std::vector<DealPlace*> aside;
    while (list.size() >= 2) {
        DealPlace* p1 = list.back();
        list.pop_back();
        DealPlace* p2 = takePartner(list, p1, aside);

        if (settings_.mode == 2 && !goldPlaced_ && gold.size() >= 2 && onBoard_ >= specials.goldThreshold) {
            place(gold.back(), specialKind, p1->position, true);
            gold.pop_back();
            place(gold.back(), specialKind, p2->position, true);
            gold.pop_back();
            goldPlaced_ = true;
        } else if (settings_.mode == 3 && !bearThresholds.empty() && !bears.empty() && bearThresholds.back() <= onBoard_) {
            bearThresholds.pop_back();
            place(bears.back(), bearKind, p1->position, true);
            bears.pop_back();
            list.push_back(p2);
        } else {
            DealCard first;
            if (!deck_.pop(first)) {
                list.push_back(p2);
                list.push_back(p1);
                return false;
            }
            place(first, DealStep::DeckTile, p1->position, false);
            flyIn();
            DealCard second;
            if (deck_.takeMatching(first.type, second)) {
                place(second, DealStep::DeckTile, p2->position, false);
                flyIn();
            } else {
                result_.empty.push_back(p2->position);
            }
        }
    }
    return true;
}

bool Dealing::dealSingles(std::vector<DealPlace*>& list) {
    while (!list.empty()) {
        DealCard card;
        if (!deck_.pop(card)) return false;
        place(card, DealStep::DeckTile, list.back()->position, false);
        list.pop_back();
        if (settings_.initial) result_.steps.back().delay = delay_;
        delay_ += 0.025f;
    }
    return true;
}

void Dealing::placeTheRest(Specials& specials) {
    std::vector<std::pair<DealCard, bool>> unplaced;
    for (const DealCard& card : specials.gold) unplaced.emplace_back(card, true);
    for (const DealCard& card : specials.bears) unplaced.emplace_back(card, true);
    for (const DealCard& card : deck_.cards) unplaced.emplace_back(card, false);
    deck_.cards.clear();
    std::size_t next = 0;
    for (; next < unplaced.size() && !result_.empty.empty(); ++next) {
        place(unplaced[next].first, DealStep::DeckTile, result_.empty.back(), unplaced[next].second);
        result_.empty.pop_back();
    }
    for (; next < unplaced.size(); ++next) {
        if (!unplaced[next].second) deck_.cards.push_back(unplaced[next].first);
    }
}

} // namespace

DealResult dealTiles(const std::vector<TilePosition>& positions, DealDeck& deck, const DealSettings& settings,
                     std::mt19937& random) {
    DealResult result;
    std::vector<std::shared_ptr<DealPlace>> owners;
    owners.reserve(positions.size());
    for (const TilePosition& p : positions) owners.push_back(std::make_shared<DealPlace>(p));
    linkPlaces(owners);
    std::vector<DealPlace*> list = placesInDealOrder(owners, random);
    Specials specials = takeSpecials(deck, settings, list.size(), random, result);

    Dealing dealing(deck, settings, result);
    const bool ranOut = !dealing.dealPairs(list, specials) || !dealing.dealSingles(list);
    if (ranOut) {
        vorn::log("The deck ran out with %zu places left; they stay empty", list.size());
    }
    for (const DealPlace* rest : list) result.empty.push_back(rest->position);
    if (!settings.initial) dealing.placeTheRest(specials);
    result.delay = dealing.delay();
    return result;
}

} // namespace mahjong
