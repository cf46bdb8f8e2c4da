#!/usr/bin/env python3
"""Writes a UTF-8 text file as the Shift-JIS (code page 932) text with CRLF
line ends that Japanese Windows editors expect. Fails on any character that
code page 932 cannot hold, so that no '?' reaches the user.

Further arguments NAME=VALUE replace @NAME@ in the text (the version numbers,
which are written down only once, in the build).
"""
import re
import sys


def main(source, target, *values):
    with open(source, encoding='utf-8') as f:
        text = f.read()
    for value in values:
        name, _, replacement = value.partition('=')
        text = text.replace(f'@{name}@', replacement)
    left = re.search(r'@[A-Z_]+@', text)
    if left:
        sys.exit(f'{source}: {left.group(0)} was given no value')
    lines = text.replace('\r\n', '\n').split('\n')
    try:
        data = '\r\n'.join(lines).encode('cp932')
    except UnicodeEncodeError as error:
        line = text.count('\n', 0, error.start) + 1
        sys.exit(f'{source}:{line}: {text[error.start:error.end]!r} has no Shift-JIS form')
    with open(target, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main(*sys.argv[1:])
