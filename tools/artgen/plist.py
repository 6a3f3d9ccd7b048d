"""Property-list text in the form the engine writes it: two blanks of indent
per level, keys in byte order, the document closed by "</plist>" with no line
feed after it. Python values map to plist kinds: bool, int, float, str, list,
dict."""
from xml.sax.saxutils import escape

HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n'
        '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
        '<plist version="1.0">\n')
TAIL = '</plist>'


def _append(out, v, indent):
    if isinstance(v, bool):
        out.append(indent + ('<true/>' if v else '<false/>'))
    elif isinstance(v, int):
        out.append(f'{indent}<integer>{v}</integer>')
    elif isinstance(v, float):
        out.append(f'{indent}<real>{v:f}</real>')
    elif isinstance(v, str):
        out.append(f'{indent}<string>{escape(v)}</string>')
    elif isinstance(v, (list, tuple)):
        out.append(indent + '<array>')
        for e in v:
            _append(out, e, indent + '  ')
        out.append(indent + '</array>')
    elif isinstance(v, dict):
        out.append(indent + '<dict>')
        for k in sorted(v, key=lambda s: s.encode('utf-8')):
            out.append(f'{indent}  <key>{escape(k)}</key>')
            _append(out, v[k], indent + '  ')
        out.append(indent + '</dict>')
    else:
        raise TypeError(type(v))


def document(v):
    out = []
    _append(out, v, '')
    return HEAD + '\n'.join(out) + '\n' + TAIL
