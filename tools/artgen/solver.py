"""A model of the game's rules for checking layouts: the deal (hardest places
first, partners never stacked on each other while other places remain, gold
pair and bears by thresholds), the free-tile rule, matching, bears leaving,
reshuffles, the score multiplier, and a search that plays a deal to its end.

It follows the rules as the game states them; random choices come from
Python's generator instead of the game's, so single deals differ from the
game's while their distribution is the same.
"""
import random
from functools import lru_cache

GOLD, BEAR = 1000, 2000


def types_match(a, b):
    if 38 <= a <= 41:
        return 38 <= b <= 41 or a == b
    if 34 <= a <= 37:
        return 34 <= b <= 37 or a == b
    return a == b


def match_class(t):
    if 38 <= t <= 41:
        return 'S'
    if 34 <= t <= 37:
        return 'F'
    return t


# ------------------------------------------------------------------ layout geometry

class Geometry:
    """neighbour masks of a layout's places (bit i is place i)"""

    def __init__(self, places):
        self.places = [tuple(p) for p in places]
        n = len(self.places)
        self.n = n
        self.above = [0] * n      # places that cover this one (free rule: covered)
        self.left = [0] * n
        self.right = [0] * n
        self.below = [0] * n      # places this one covers
        self.above_sets = [[] for _ in range(n)]
        self.left_sets = [[] for _ in range(n)]
        self.right_sets = [[] for _ in range(n)]
        for i, (x, y, z) in enumerate(self.places):
            for j, (x2, y2, z2) in enumerate(self.places):
                if i == j:
                    continue
                if z2 == z + 1 and abs(x2 - x) <= 1 and abs(y2 - y) <= 1:
                    self.above[i] |= 1 << j
                    self.below[j] |= 1 << i
                    self.above_sets[i].append(j)
                if z2 == z and abs(y2 - y) <= 1:
                    if x2 == x - 2:
                        self.left[i] |= 1 << j
                        self.left_sets[i].append(j)
                    elif x2 == x + 2:
                        self.right[i] |= 1 << j
                        self.right_sets[i].append(j)
        self.priority = self._priorities()

    def _priorities(self):
        n = self.n

        @lru_cache(maxsize=None)
        def count(i, kind):
            s = (self.above_sets, self.left_sets, self.right_sets)[kind][i]
            return len(s) + sum(count(j, kind) for j in s)
        out = []
        for i in range(n):
            p = float(count(i, 0))
            r, l = count(i, 2), count(i, 1)
            if r > 0 and l > 0:
                p += min(r, l) + 1
            out.append(p)
        count.cache_clear()
        return out

    def free(self, i, present):
        if self.above[i] & present:
            return False
        return not (self.left[i] & present) or not (self.right[i] & present)


# ------------------------------------------------------------------ the deck and the deal

def fill_pool(pool, has_fixed=False):
    for _ in range(4):
        pool.extend(range(1, 34))
        pool.append(42)
    if not has_fixed:
        pool.extend(range(34, 42))


def prepare_deck(count, rng, pool=None):
    pool = [] if pool is None else pool
    if not pool:
        fill_pool(pool)
    while len(pool) < count:
        fill_pool(pool)
    work = list(pool)
    rng.shuffle(work)
    tiles = []
    for _ in range(count // 2):
        t = work[-1]
        tiles.append(t)
        for k in range(len(work) - 1):
            if types_match(t, work[k]):
                tiles.append(t)
                del work[k]
                break
        work.pop()
    rng.shuffle(tiles)
    return tiles


def take_matching(deck, t):
    for k, u in enumerate(deck):
        if types_match(t, u):
            return deck.pop(k)
    return None


def arrange(geo, idx, deck, mode, bears, rng, initial):
    """deal tiles onto the places idx (indices into geo.places); returns {place: type}"""
    order = list(idx)
    rng.shuffle(order)
    order.sort(key=lambda i: geo.priority[i])
    n = len(order) if not initial else len(idx)
    gold_threshold = rng.randint(0, n // 4)
    if initial:
        gold_tiles = [GOLD, GOLD] if mode == 2 else []
        bear_tiles = [BEAR] * (bears if mode == 3 else 0)
    else:
        gold_tiles = []
        while take_matching(deck, GOLD) is not None:
            gold_tiles.append(GOLD)
        bear_tiles = []
        while True:
            k = next((k for k, u in enumerate(deck) if u == BEAR), None)
            if k is None:
                break
            deck.pop(k)
            bear_tiles.append(BEAR)
    lst = list(range(max(0, n // 2)))
    rng.shuffle(lst)
    thresholds = sorted(lst[:len(bear_tiles)], reverse=True)
    placed = {}
    gold_placed = False
    count = 0
    px = geo.places
    while len(order) >= 2:
        p1 = order.pop()
        p2 = order.pop()
        aside = []
        while abs(px[p2][0] - px[p1][0]) <= 1 and abs(px[p2][1] - px[p1][1]) <= 1 and order:
            aside.append(p2)
            p2 = order.pop()
        order.extend(aside)
        if mode == 2 and not gold_placed and len(gold_tiles) >= 2 and count >= gold_threshold:
            placed[p1] = gold_tiles.pop()
            placed[p2] = gold_tiles.pop()
            count += 2
            gold_placed = True
        elif mode == 3 and thresholds and thresholds[-1] <= count and bear_tiles:
            thresholds.pop()
            placed[p1] = bear_tiles.pop()
            count += 1
            order.append(p2)
        else:
            if not deck:
                break
            t1 = deck.pop()
            placed[p1] = t1
            count += 1
            t2 = take_matching(deck, t1)
            if t2 is not None:
                placed[p2] = t2
                count += 1
    while order:
        p = order.pop()
        if deck:
            placed[p] = deck.pop()
    return placed


def first_deal(geo, mode, bears, rng):
    deck = prepare_deck(geo.n, rng)
    return arrange(geo, range(geo.n), deck, mode, bears, rng, True)


def reshuffle(geo, types, present, mode, rng):
    idx = [i for i in range(geo.n) if present >> i & 1]
    deck = [types[i] for i in idx]
    rng.shuffle(deck)
    placed = arrange(geo, idx, deck, mode, 0, rng, False)
    new = dict(types)
    for i in idx:
        new.pop(i, None)
    new.update(placed)
    pres = 0
    for i in placed:
        pres |= 1 << i
    return new, pres


# ------------------------------------------------------------------ play

class Game:
    def __init__(self, geo, types, mode):
        self.geo = geo
        self.types = types              # place -> type
        self.mode = mode
        self.present = 0
        for i in types:
            self.present |= 1 << i
        self.bears = [i for i, t in types.items() if t == BEAR]
        self.golds = [i for i, t in types.items() if t == GOLD]

    def free_tiles(self, present):
        g = self.geo
        out = []
        p = present
        while p:
            low = p & -p
            i = low.bit_length() - 1
            p ^= low
            if g.free(i, present):
                out.append(i)
        return out

    def leave_bears(self, present):
        """bears that are free leave; returns (present, number that left)"""
        left = 0
        changed = True
        while changed:
            changed = False
            for b in self.bears:
                if present >> b & 1 and self.geo.free(b, present):
                    present &= ~(1 << b)
                    left += 1
                    changed = True
        return present, left

    def won(self, present):
        if self.mode == 2:
            return not any(present >> i & 1 for i in self.golds)
        if self.mode == 3:
            return not any(present >> i & 1 for i in self.bears)
        return present == 0

    def moves(self, present):
        free = [i for i in self.free_tiles(present) if self.types[i] != BEAR]
        by = {}
        for i in free:
            by.setdefault(match_class(self.types[i]), []).append(i)
        return by


def _targets_mask(game):
    """places that lie over or beside the tiles a mode-2 or mode-3 game is about"""
    g = game.geo
    targets = game.golds if game.mode == 2 else game.bears if game.mode == 3 else []
    mask = 0
    stack = list(targets)
    seen = set(stack)
    while stack:
        i = stack.pop()
        for j in g.above_sets[i] + g.left_sets[i] + g.right_sets[i]:
            if j not in seen:
                seen.add(j)
                mask |= 1 << j
                if j in g.above_sets[i]:
                    stack.append(j)
    return mask


def solve(game, budget=4000, greedy=False):
    """search for a winning line from game.present. Returns (won, line, best_line)
    where a line lists the removed pairs; best_line is the longest line tried."""
    g = game.geo
    target = _targets_mask(game)
    dead = set()
    nodes = [0]
    best = [[]]

    def tile_value(i, present):
        v = 0.0
        below = g.below[i] & present
        v += 3.0 * bin(below).count('1')
        # removing an end of a long row frees the next tile: prefer the longer side
        lr = bin(g.left[i] & present).count('1') + bin(g.right[i] & present).count('1')
        v += 1.0 * lr
        v += 0.6 * g.places[i][2]
        if target >> i & 1:
            v += 6.0
        return v

    def count_class(present, cls):
        n = 0
        p = present
        while p:
            low = p & -p
            i = low.bit_length() - 1
            p ^= low
            if match_class(game.types[i]) == cls:
                n += 1
        return n

    def rec(present, line):
        if game.won(present):
            return line
        if present in dead:
            return None
        nodes[0] += 1
        if len(line) > len(best[0]):
            best[0] = list(line)
        if nodes[0] > budget:
            return None
        by = game.moves(present)
        cands = []
        forced = None
        for cls, tiles in by.items():
            if len(tiles) < 2:
                continue
            if forced is None and len(tiles) % 2 == 0 and len(tiles) == count_class(present, cls):
                forced = (tiles[0], tiles[1])
            for a in range(len(tiles)):
                for b in range(a + 1, len(tiles)):
                    i, j = tiles[a], tiles[b]
                    cands.append((tile_value(i, present) + tile_value(j, present), i, j))
        if forced is not None:
            cands = [(0, forced[0], forced[1])]
        else:
            cands.sort(key=lambda c: (-c[0], c[1], c[2]))
        if greedy:
            cands = cands[:1]
        for _, i, j in cands:
            nxt = present & ~(1 << i) & ~(1 << j)
            nxt, _ = game.leave_bears(nxt)
            line.append((i, j))
            r = rec(nxt, line)
            if r is not None:
                return r
            line.pop()
            if nodes[0] > budget:
                return None
        dead.add(present)
        return None

    res = rec(game.present, [])
    return res is not None, res or [], best[0]


# ------------------------------------------------------------------ score

def score_line(game, line, rng, pace=2.0):
    """score of a player taking about `pace` seconds a pair along line, with the
    multiplier's rise and decay and the points of gold pairs and freed bears"""
    present = game.present
    fill, mult, score = 0.0, 1, 0
    for i, j in line:
        free_now = len(game.free_tiles(present))
        dt = pace * rng.uniform(0.75, 1.3) * (1.0 + 0.6 * max(0, 8 - free_now) / 8)
        if fill > 0:
            fill -= mult * dt * 0.1
            if fill <= 0:
                fill, mult = 0.0, 1
        present &= ~(1 << i) & ~(1 << j)
        present, bears = game.leave_bears(present)
        score += 50 * mult * bears
        score += (250 if game.types[i] == GOLD else 10) * mult
        fill += 0.4 * mult
        if fill >= 1:
            fill = 1.0
            mult += 1
    return score


def play_deal(geo, mode, bears, seed, budget=3000, max_reshuffles=25):
    """one deal played to its end: (won without reshuffle, won at all, reshuffles
    used, score of the winning play when it won without reshuffle)"""
    rng = random.Random(seed)
    types = first_deal(geo, mode, bears, rng)
    game = Game(geo, types, mode)
    greedy_won, _, _ = solve(game, budget=budget, greedy=True)
    won, line, best = solve(game, budget=budget)
    score = score_line(game, line, random.Random(seed + 7)) if won else None
    if won:
        return True, True, 0, score, greedy_won
    # play the longest line found, then reshuffle what is left and go on
    present = game.present
    used = 0
    while used < max_reshuffles:
        # a player who gets stuck reshuffles; playing the search's line only
        # half way keeps the last tiles from ending stacked on each other
        for i, j in best[:len(best) // 2]:
            present &= ~(1 << i) & ~(1 << j)
            present, _ = game.leave_bears(present)
        if game.won(present):
            return False, True, used, None, greedy_won
        types, present = reshuffle(geo, game.types, present, mode, rng)
        used += 1
        game = Game(geo, types, mode)
        game.present = present
        game.bears = [i for i, t in types.items() if t == BEAR and present >> i & 1]
        game.golds = [i for i, t in types.items() if t == GOLD and present >> i & 1]
        if mode == 2 and not game.golds:
            return False, True, used, None, greedy_won
        won, line, best = solve(game, budget=budget)
        if won:
            return False, True, used, None, greedy_won
    return False, False, used, None, greedy_won
