#!/usr/bin/env bash
# Regenerates everything the generators in tools/ make (see tools/README.md).
# Debian's own python3 carries python3-cairo, -pil and -numpy; a python3 from
# elsewhere on the PATH may not.
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 tools/make_data.py "$@"
