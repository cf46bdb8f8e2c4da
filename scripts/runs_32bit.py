#!/usr/bin/env python3
"""Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when it
does not (a kernel built without IA-32 emulation): a minimal i386 ELF program
that only calls exit(0) is started."""
import os
import struct
import subprocess
import sys
import tempfile

BASE = 0x08048000
HEADER, PROGRAM_HEADER = 52, 32
CODE = bytes([0xB8, 1, 0, 0, 0, 0x31, 0xDB, 0xCD, 0x80])  # mov eax,1; xor ebx,ebx; int 0x80


def tiny_elf():
    size = HEADER + PROGRAM_HEADER + len(CODE)
    ident = b'\x7fELF' + bytes([1, 1, 1]) + bytes(9)
    header = ident + struct.pack('<HHIIIIIHHHHHH', 2, 3, 1, BASE + HEADER + PROGRAM_HEADER,
                                 HEADER, 0, 0, HEADER, PROGRAM_HEADER, 1, 0, 0, 0)
    program = struct.pack('<IIIIIIII', 1, 0, BASE, BASE, size, size, 5, 0x1000)
    return header + program + CODE


def runs_32bit():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'exit32')
        with open(path, 'wb') as f:
            f.write(tiny_elf())
        os.chmod(path, 0o755)
        try:
            return subprocess.run([path], timeout=10).returncode == 0
        except OSError:
            return False


if __name__ == '__main__':
    sys.exit(0 if runs_32bit() else 1)
