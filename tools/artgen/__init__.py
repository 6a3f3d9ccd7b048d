"""Generators of the game's data (see tools/README.md)."""
