"""The 144 levels: layout files in data/levels/, the level list
data/levels.json, and a report of how they play.

Each level's design comes from a fixed plan (shape, size, stacking, mode,
bears) tuned along the map: tile count, height and closeness grow, the three
modes take turns, and the last level of each place is its hardest. Every
design is validated (no overlapping places, every tile resting on tiles) and
played on many deals, first by the model of the rules in solver.py (quick to
run in many processes, it keeps later levels from getting too tight), then by
the level checker built on the game's own rules code, which has the last word.
A design that misses its goal (the first twenty levels: at most one deal in
ten needing a reshuffle; every level: winnable) is replaced by the plan's
next variant. The variant chosen is kept in the level list's "design" entry
so one level can be rebuilt alone. Each level's maxScore is the full-marks
score the level checker's play gives.
"""
import json
import os
import re
import subprocess
import tempfile
from concurrent.futures import ProcessPoolExecutor

import level_overlap

from . import plist, shapes, solver
from .common import ROOT, write_text

LEVELS = 144
DEALS = 100
PER_PLACE = 16

# every shape of shapes.py but the early lattices, ordered so that neighbours
# in the rotation look unlike each other
SHAPE_ROTATION = ['ellipse', 'comb', 'heart', 'torii', 'cross', 'bricks', 'butterfly', 'gem', 'diamond', 'ladder',
                  'turtle', 'rainbow', 'bowtie', 'castle', 'flower', 'hash', 'rect', 'anchor', 'letter_h',
                  'quincunx', 'moon', 'pagoda', 'frame_core', 'bell', 'arrow', 'spectacles', 'xshape', 'house',
                  'fish', 'blocks', 'hourglass', 'kite', 'triangle', 'eye', 'letter_u', 'mushroom', 'crown',
                  'window', 'ring', 'tree', 'stairs', 'sparkle', 'letter_t', 'dumbbell', 'islands', 'trapezoid',
                  'stripes', 'target', 'octagon', 'boat', 'hexagon', 'letter_e', 'wedge', 'clover', 'star',
                  'bridge', 'funnel', 'leaf', 'ziggurat', 'concentric', 'drop', 'shield', 'chevron', 'skyline',
                  'bars', 'cat', 'diamonds', 'lattice', 'arcade', 'letter_m', 'trophy', 'mountains', 'wave',
                  'sun', 'brackets', 'cactus', 'gull', 'zigzag']
EARLY_SHAPES = ['checker', 'columns', 'stripes', 'rect', 'diamond', 'ellipse', 'cross', 'rect', 'heart',
                'islands', 'butterfly', 'flower', 'letter_t', 'bowtie', 'ring', 'turtle']
MODE_PATTERN = [1, 1, 2, 1, 3, 1, 1, 2, 1, 3, 1, 2, 1, 3, 1, 1]
FIRST_MODES = [1, 1, 1, 1, 1, 2, 1, 1, 2, 1, 3, 1, 1, 3, 2, 1]
STYLES = ['pyramid', 'aligned', 'rows', 'spine', 'spots', 'pyramid', 'cols', 'aligned']


def target_count(i):
    r, j = divmod(i - 1, PER_PLACE)
    start = [22, 58, 80, 96, 108, 118, 126, 132, 136][r]
    end = [58, 84, 100, 114, 124, 132, 140, 144, 144][r]
    wobble = [0, -4, 4, -2, 2, -6, 4, 0, -4, 4, -2, 2, -6, 4, 0, 6][j]
    n = round(start + (end - start) * j / (PER_PLACE - 1)) + (wobble if i > 4 else 0)
    return max(20, min(144, n))


def max_layers(i):
    j = (i - 1) % PER_PLACE
    base = 1 if i <= 3 else 2 if i <= 12 else 3 if i <= 30 else 4 if i <= 56 else 5 if i <= 96 else 6
    if j % 3 == 1 and base > 2:
        base -= 1
    return base


def recipe(style, layers):
    out = []
    for k in range(layers - 1):
        if style == 'pyramid':
            out.append(('centered', 'full') if k % 2 == 0 else ('aligned', 'inner'))
        elif style == 'aligned':
            out.append(('aligned', 'inner'))
        elif style == 'rows':
            out.append(('aligned', 'rows') if k == 0 else ('centered', 'full'))
        elif style == 'spine':
            out.append(('aligned', 'spine') if k % 2 else ('centered', 'full'))
        elif style == 'spots':
            out.append(('aligned', 'spots') if k == 0 else ('centered', 'full'))
        elif style == 'cols':
            out.append(('aligned', 'cols') if k == 0 else ('aligned', 'inner'))
    return out


def bears_for(i):
    j = (i - 1) % PER_PLACE
    b = 1 if i < 30 else 2 if i < 64 else 3 if i < 104 else 4
    return b + (1 if j >= 12 and i > 20 else 0)


def plan(i, variant=0, alt=0):
    """the design of level i. variant steps to an easier design when play
    finds the level too hard (lower, other shape and stacking); alt steps
    to another shape when the design repeats another level's"""
    j = (i - 1) % PER_PLACE
    if i <= PER_PLACE and alt == 0:
        shape = EARLY_SHAPES[(j + variant * 5) % len(EARLY_SHAPES)]
    else:
        shape = SHAPE_ROTATION[(i * 7 + variant * 3 + alt * 11) % len(SHAPE_ROTATION)]
    turn = i + variant + alt
    style = STYLES[turn % len(STYLES)]
    stagger = None
    if i > 8 and turn % 5 == 0:
        stagger = 'rows'
    elif i > 24 and turn % 7 == 0:
        stagger = 'cols'
    # the first place teaches the modes one at a time: the gold pair at 6, the bears at 11
    mode = FIRST_MODES[j] if i <= PER_PLACE else MODE_PATTERN[j]
    bears = bears_for(i) if mode == 3 else 0
    layers = max(1, max_layers(i) - (variant // 2))
    n = target_count(i)
    if mode == 3:
        if (n - bears) % 2:
            n += 1 if n < 144 else -1
    elif n % 2:
        n += 1 if n < 144 else -1
    return dict(level=i, shape=shape, style=style, stagger=stagger, layers=layers, count=n, mode=mode,
                bears=bears, variant=variant, alt=alt)


def design_name(p):
    return f"{p['shape']}/{p['style']}/{p['stagger'] or 'straight'}/v{p['variant']}/a{p['alt']}"


def _aspect_cost(C, R):
    return abs(C / R - 1.7)


def build(p):
    """the places of a plan, fitted to its count, validated"""
    rec = recipe(p['style'], p['layers'])
    best = None
    for C in range(4, 14):
        for R in range(3, 9):
            if not 1.0 <= C / R <= 2.6:
                continue
            pl = shapes.build(p['shape'], C, R, rec, p['stagger'])
            if len(pl) < 6:
                continue
            n = len(pl)
            over = n - p['count']
            deficit = p['layers'] - (1 + max(q[2] for q in pl))
            cost = (abs(over) * (1.0 if over >= 0 else 2.5) + 12 * max(0, deficit) + 6 * _aspect_cost(C, R), C * R)
            if best is None or cost < best[0]:
                best = (cost, pl)
    places = shapes.fit(best[1], p['count'], max_layers=p['layers'] + 1)
    odd = (len(places) - (p['bears'] if p['mode'] == 3 else 0)) % 2
    if odd:
        # nothing more fitted: one tile less leaves no tile without a partner
        places = shapes.fit(places, len(places) - 1)
    places = shapes.normalise(places)
    shapes.validate(places)
    return places


def fits_plan(p, places):
    """whether a built design keeps the plan's size and height, so that the
    levels grow as the plan has them"""
    layers = 1 + max(q[2] for q in places)
    ground = sum(1 for q in places if q[2] == 0)
    # a shape mostly standing in towers on a thin ground hides its outline
    return len(places) == p['count'] and abs(layers - p['layers']) <= 1 and ground >= MIN_GROUND * len(places)


# A level's design may share at most this much with any other level (see
# tools/level_overlap.py; the suite allows level_overlap.LIMIT), and no shape
# comes back within this many levels.
OVERLAP_GOAL = 0.70
MIN_GROUND = 0.25
SHAPE_SPACING = 24


def choose_design(i, variant, others):
    """the first alternative of level i's design that keeps the plan and is
    a shape of its own beside others ({level: (plan, places)})"""
    index = level_overlap.Index()
    for k, (_, places) in others.items():
        index.add(k, places)
    near = {q['shape'] for k, (q, _) in others.items() if abs(k - i) < SHAPE_SPACING}
    for alt in range(3 * len(SHAPE_ROTATION)):
        p = plan(i, variant, alt)
        if p['shape'] in near:
            continue
        places = build(p)
        if not fits_plan(p, places):
            continue
        if index.closest(places)[0] > OVERLAP_GOAL:
            continue
        return p, places
    raise RuntimeError(f'level {i}: no design of variant {variant} keeps the plan and differs from the others')


def layout_document(places, mode, bears, background):
    v = {'background': background, 'mode': mode, 'places': [list(pl) for pl in places]}
    if mode == 3:
        v['bearsCount'] = bears
    return plist.document(v)


def _evaluate(args):
    i, places, mode, bears = args
    geo = solver.Geometry(places)
    results = [solver.play_deal(geo, mode, bears, 100000 * i + d) for d in range(DEALS)]
    return i, results


EARLY = 20             # levels held to the tighter goal
EARLY_CLEAN = 0.9      # share of their deals won without a reshuffle


def acceptable(i, results, places, mode, bears):
    """the model's verdict"""
    clean = sum(r[0] for r in results) / len(results)
    everywon = all(r[1] for r in results)
    if not everywon:
        return False
    if i <= EARLY:
        return clean >= EARLY_CLEAN
    return clean >= 0.6


def checker_acceptable(i, fig):
    """the level checker's verdict: every deal won, and the early levels
    clean often enough"""
    if not fig['deals'] or fig['won'] < fig['deals']:
        return False
    return i > EARLY or fig['clean'] >= EARLY_CLEAN * fig['deals']


def level_checker():
    """the level checker program: $LEVEL_CHECKER, or built here"""
    path = os.environ.get('LEVEL_CHECKER')
    if path:
        return path
    subprocess.run(['bash', 'scripts/build.sh', 'release', '--target', 'level_checker'], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(ROOT, 'build', 'release', 'tools', 'level_checker')


def check_layouts(checker, files, jobs=None):
    """the level checker's figures for layout files, by file: deals, clean,
    won, mostReshuffles, maxScore"""
    with tempfile.TemporaryDirectory() as scratch:
        figures = os.path.join(scratch, 'figures.json')
        threads = ['--jobs', str(jobs)] if jobs else []
        run = subprocess.run([checker, '--seeds', str(DEALS), '--figures', figures] + threads + list(files), cwd=ROOT,
                             capture_output=True, text=True)
        # status 1 only says some layout missed a goal; the figures tell which
        if run.returncode not in (0, 1) or not os.path.isfile(figures):
            raise RuntimeError(f'the level checker failed:\n{run.stdout}{run.stderr}')
        with open(figures, encoding='utf-8') as f:
            return json.load(f)


def artifact_ids():
    from .album import part_ids
    return part_ids()


def make(jobs=3, only=None, variants=None):
    """build every level; returns the report rows. only: a set of levels to
    rebuild from recorded (variant, alt) designs (the checker's sample)"""
    ids = artifact_ids()
    if only is not None:
        rows = []
        for i in sorted(only):
            p = plan(i, *variants[i])
            places = build(p)
            write_text(f'data/levels/{i:03d}.plist',
                       layout_document(places, p['mode'], p['bears'], background_of(i)))
            rows.append((p, places))
        return rows

    checker = level_checker()
    chosen = {}
    pending = {i: 0 for i in range(1, LEVELS + 1)}
    with ProcessPoolExecutor(max_workers=jobs) as pool, tempfile.TemporaryDirectory() as scratch:
        while pending:
            tasks = []
            designs = {}
            # a pending level differs from every chosen level and from the
            # pending levels before it, so every pair gets compared once
            for i, v in sorted(pending.items()):
                others = {k: (c[0], c[1]) for k, c in chosen.items()}
                others.update(designs)
                designs[i] = choose_design(i, v, others)
                p, places = designs[i]
                tasks.append((i, places, p['mode'], p['bears']))
            model = {i: results for i, results in pool.map(_evaluate, tasks)}
            files = {}
            for i, (p, places) in designs.items():
                files[i] = os.path.join(scratch, f'{i:03d}.plist')
                with open(files[i], 'w', encoding='utf-8', newline='\n') as f:
                    f.write(layout_document(places, p['mode'], p['bears'], background_of(i)))
            figures = check_layouts(checker, files.values(), jobs)
            for i, (p, places) in sorted(designs.items()):
                fig = figures[files[i]]
                ok = acceptable(i, model[i], places, p['mode'], p['bears']) and checker_acceptable(i, fig)
                if ok or pending[i] >= 7:
                    chosen[i] = (p, places, model[i], fig, ok)
                    del pending[i]
                else:
                    pending[i] += 1
            print(f'levels: {len(designs)} designs played, {len(pending)} to try again', flush=True)
    pairs = level_overlap.all_pairs({i: chosen[i][1] for i in chosen})
    (a, b), closest = max(pairs.items(), key=lambda kv: kv[1])
    if closest > OVERLAP_GOAL:
        raise RuntimeError(f'levels {a} and {b} share {closest:.0%} of their places')
    entries = {}
    rows = []
    for i in range(1, LEVELS + 1):
        p, places, results, fig, ok = chosen[i]
        write_text(f'data/levels/{i:03d}.plist', layout_document(places, p['mode'], p['bears'], background_of(i)))
        entries[str(i)] = {
            'filename': f'data/levels/{i:03d}.plist',
            'maxScore': fig['maxScore'],
            'artifacts': [ids[i - 1]],
            'design': design_name(p),
        }
        rows.append(dict(level=i, tiles=len(places), layers=1 + max(pl[2] for pl in places), mode=p['mode'],
                         bears=p['bears'], shape=p['shape'], variant=p['variant'], alt=p['alt'],
                         stagger=p['stagger'], clean=fig['clean'] / fig['deals'], won=fig['won'] / fig['deals'],
                         reshuffles=fig['mostReshuffles'], max_score=fig['maxScore'],
                         model_clean=sum(r[0] for r in results) / len(results),
                         model_greedy=sum(r[4] for r in results) / len(results),
                         ok=ok, free=_initial_free(places)))
    write_text('data/levels.json', json.dumps(entries, indent=1, sort_keys=False) + '\n')
    write_text('tools/levels_report.md', report(rows, pairs))
    return rows


def background_of(i):
    return f'{(i - 1) // PER_PLACE + 1}.xml'


def _initial_free(places):
    geo = solver.Geometry(places)
    full = (1 << geo.n) - 1
    return sum(geo.free(i, full) for i in range(geo.n)) / geo.n


def report(rows, pairs):
    lines = ['# How the levels play', '',
             f'Each level dealt {DEALS} times by the level checker (tools/level_checker.cpp), which deals and plays '
             'with the game\'s own rules code; every deal is the one a board seeded with its number makes. '
             'clean: share of deals its search wins with no reshuffle; won: share won at all when the player '
             'may reshuffle; most: the most reshuffles one deal needed; maxScore: the full-marks score, the median '
             'score of a steady player (a pair every two seconds) over the deals won without a reshuffle. '
             'free: share of tiles free at the start. model clean and model greedy: the shares the model of the '
             'rules in tools/artgen/solver.py gives (its own deals and search; greedy: a player who always takes '
             'the best-looking pair). Modes: 1 clear all, 2 the gold pair, 3 free the bears. shape: the base '
             'layer\'s outline, its rows or columns shifted half a tile when staggered; var and alt: the design\'s '
             'variant (a step towards an easier design) and alternative (a step away from a shape another level '
             'already has); closest: the level this one shares most places with (tools/level_overlap.py) '
             'and that share.', '',
             '| level | tiles | layers | mode | bears | shape | var | alt | free | clean | won | most | maxScore '
             '| model clean | model greedy | closest |',
             '|---:|---:|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|']
    nearest = {}
    for (a, b), v in pairs.items():
        for me, other in ((a, b), (b, a)):
            if v > nearest.get(me, (-1, None))[0]:
                nearest[me] = (v, other)
    for r in rows:
        shape = r['shape'] + (f", {r['stagger']} staggered" if r['stagger'] else '')
        v, other = nearest.get(r['level'], (0.0, None))
        lines.append(f"| {r['level']} | {r['tiles']} | {r['layers']} | {r['mode']} | {r['bears']} | {shape} | "
                     f"{r['variant']} | {r['alt']} | {r['free']:.2f} | {r['clean']:.2f} | {r['won']:.2f} | "
                     f"{r['reshuffles']} | {r['max_score']} | {r['model_clean']:.2f} | {r['model_greedy']:.2f} | "
                     f"{other}: {v:.0%} |")
    first = rows[:EARLY]
    low = min(rows, key=lambda r: r['clean'])
    lines += ['', f"Levels 1-{EARLY}: lowest clean share {min(r['clean'] for r in first):.2f} "
                  f"(goal {EARLY_CLEAN:.2f}); all levels: lowest clean share {low['clean']:.2f} (level {low['level']}), "
                  f"lowest won share {min(r['won'] for r in rows):.2f}; "
                  f"designs that missed their goal: {sum(not r['ok'] for r in rows)}.", '']
    fig = level_overlap.figures(pairs)
    (a, b), top = max(pairs.items(), key=lambda kv: kv[1])
    lines += [f"Shapes: the two closest levels, {a} and {b}, share {top:.0%} of their places; "
              f"pairs sharing more than {level_overlap.LIMIT:.0%}: {fig['over']}.", '']
    return '\n'.join(lines)


def recorded_variants():
    """the (variant, alt) of every level's design as the committed level list records it"""
    with open(os.path.join(ROOT, 'data', 'levels.json'), encoding='utf-8') as f:
        entries = json.load(f)
    out = {}
    for k, v in entries.items():
        m = re.search(r'/v(\d+)/a(\d+)$', v['design'])
        if not m:
            raise ValueError(f'level {k}: design "{v["design"]}" names no variant and alternative')
        out[int(k)] = (int(m.group(1)), int(m.group(2)))
    return out
