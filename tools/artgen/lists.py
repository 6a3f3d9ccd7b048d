"""The game's lists: data/config.plist, data/achievements.plist, the locale's
font table and the shipped interface font with its licence."""
import gzip
import os
import shutil

from . import plist
from .common import write_bytes, write_text
from .scenery import PLACES, TITLES

FONT_SRC = '/usr/share/fonts/truetype/comfortaa/Comfortaa-Bold.ttf'
FONT_DOC = '/usr/share/doc/fonts-comfortaa'

TUTORIALS = {
    '1': 'data/scenes/tutorials/basics.xml',
    '3': 'data/scenes/tutorials/hint.xml',
    '5': 'data/scenes/tutorials/undo.xml',
    '6': 'data/scenes/tutorials/gold.xml',
    '8': 'data/scenes/tutorials/reshuffle.xml',
    '11': 'data/scenes/tutorials/bears.xml',
}


def config():
    return {
        'initialGold': 300,
        'initialHint': 3,
        'initialUndo': 3,
        'initialReshuffle': 2,
        'powerupPacks': {
            'hint_small': {'resource': 'hint', 'price': 60, 'count': 3},
            'hint_large': {'resource': 'hint', 'price': 150, 'count': 10},
            'undo_small': {'resource': 'undo', 'price': 40, 'count': 3},
            'undo_large': {'resource': 'undo', 'price': 100, 'count': 10},
            'reshuffle_small': {'resource': 'reshuffle', 'price': 80, 'count': 2},
            'reshuffle_large': {'resource': 'reshuffle', 'price': 200, 'count': 6},
        },
        'rewards': {'win': 25, 'star1': 10, 'star2': 20, 'star3': 40},
        'tutorials': dict(TUTORIALS),
        'tutorialResources': {'3': 'hint', '5': 'undo', '8': 'reshuffle'},
        'lifeManager': {'lifeAddInterval': 1800, 'unlimitedLivesDuration': 7200},
        'products': [
            {'ID': 'gold_small', 'name': 'Pouch of gold', 'resources': {'gold': 500}},
            {'ID': 'gold_medium', 'name': 'Chest of gold', 'resources': {'gold': 1500}},
            {'ID': 'gold_large', 'name': 'Treasure of the Mediterranean', 'resources': {'gold': 4000}},
            {'ID': 'travel_pack', 'name': "Traveller's pack",
             'resources': {'gold': 500, 'hint': 5, 'undo': 5, 'reshuffle': 3}},
            {'ID': 'no_ads', 'name': 'No adverts', 'removeAds': True},
        ],
        'music': {'menu': 'menu', 'game': 'game'},
        'music_volume_k': 0.7,
        'analytics': {'url': ''},
    }


def achievements():
    def a(i, title, desc, earned, reward, count=None):
        d = {'ID': i, 'title': title, 'description': desc, 'earnedDescription': earned, 'reward': reward}
        if count is not None:
            d['count'] = count
        return d
    out = [
        a('beginner', 'First steps', 'Win your first level.', 'You won your first level.', 20),
        a('apprentice', 'Apprentice', 'Win 5 levels.', 'You won 5 levels.', 50),
        a('experienced', 'Experienced', 'Win 15 levels.', 'You won 15 levels.', 100),
        a('master', 'Master of tiles', 'Win all 144 levels.', 'You won every level.', 1000),
        a('bronze_star', 'Bronze star', 'Collect 150 stars.', 'You collected 150 stars.', 150),
        a('silver_star', 'Silver star', 'Collect 300 stars.', 'You collected 300 stars.', 300),
        a('super_star', 'Super star', 'Collect all 432 stars.', 'You collected every star.', 1000),
        a('highscorer', 'High scorer', 'Reach a total score of 50,000.', 'Your total score passed 50,000.', 100),
        a('hundred', 'Hundred thousand', 'Reach a total score of 100,000.', 'Your total score passed 100,000.',
          250),
        a('ten_thousands', 'Ten thousand tiles', 'Remove 10,000 tiles.', 'You removed 10,000 tiles.', 200),
        a('twenty_thousands', 'Twenty thousand tiles', 'Remove 20,000 tiles.', 'You removed 20,000 tiles.', 400),
        a('magic_tiles', 'Magic tiles', 'Remove 250 gold tiles or free bears.', 'You removed 250 special tiles.',
          150),
        a('golden_tiles', 'Golden touch', 'Remove 100 gold tiles.', 'You removed 100 gold tiles.', 150),
        a('show_me', 'Show me', 'Use 10 hints.', 'You used 10 hints.', 30),
        a('reconsider', 'Second thoughts', 'Use 10 undos.', 'You used 10 undos.', 30),
        a('reshuffle_it', 'Shuffle it', 'Use 10 reshuffles.', 'You used 10 reshuffles.', 30),
    ]
    for place, title in zip(PLACES, TITLES):
        out.append(a(place, title, f'Complete every artifact of {title}.',
                     f'You completed the album page of {title}.', 200))
    return out


def fonts_plist():
    return plist.document({'ubuntu.bold.ttf': 'Comfortaa-Bold.ttf'})


def licence_text():
    with gzip.open(os.path.join(FONT_DOC, 'OFL.txt.gz'), 'rt', encoding='utf-8') as f:
        ofl = f.read()
    with open(os.path.join(FONT_DOC, 'copyright'), encoding='utf-8') as f:
        copyright_ = f.read()
    return ('Comfortaa Bold, from the Debian package fonts-comfortaa.\n\n' + copyright_ + '\n\n' + ofl)


def make():
    write_text('data/config.plist', plist.document(config()))
    write_text('data/achievements.plist', plist.document(achievements()))
    write_text('data/locales/en_US/fonts.plist', fonts_plist())
    with open(FONT_SRC, 'rb') as f:
        write_bytes('data/fonts/Comfortaa-Bold.ttf', f.read())
    write_text('data/fonts/Comfortaa-Bold.LICENSE.txt', licence_text())
