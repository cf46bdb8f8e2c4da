"""The release archives: scripts/package.sh builds them, and each must hold
exactly zor_vex.exe and readme.txt, the program for its machine with the
project's version in its version resource, and a readme in Shift-JIS with
CRLF line ends that documents every menu item and operation."""
import glob
import os
import re
import struct
import subprocess
import unittest
import xml.dom.minidom
import zipfile

SOURCE = os.environ['ZORVEX_SOURCE']
BUILD = os.environ['ZORVEX_BUILD']
DIST = os.path.join(SOURCE, 'dist')
SKIP_X86 = os.environ.get('ZORVEX_SKIP_X86') == '1'

MACHINES = {'x64': 0x8664, 'x86': 0x014C}
RT_MANIFEST = 24
RT_VERSION = 16


def project_version():
    with open(os.path.join(SOURCE, 'CMakeLists.txt')) as f:
        match = re.search(r'project\(ZORVEX VERSION (\d+)\.(\d+)\.(\d+)\.(\d+)', f.read())
    return tuple(int(part) for part in match.groups())


class PortableExecutable:
    """Just enough of the PE format to read the machine and the version resource."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        assert data[pe:pe + 4] == b'PE\0\0', 'not a PE file'
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from('<H', data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva, _ = struct.unpack_from('<II', data, directories + 2 * 8)
        self.sections = []
        for i in range(sections):
            _, virtual_size, rva, raw_size, raw_pointer = struct.unpack_from(
                '<8sIIII', data, optional + optional_size + 40 * i)
            self.sections.append((rva, max(virtual_size, raw_size), raw_pointer))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f'rva {rva:#x} is in no section')

    def resource(self, type_id):
        base = self.offset(self.resource_rva)

        def entries(directory):
            named, ids = struct.unpack_from('<HH', self.data, base + directory + 12)
            return [struct.unpack_from('<II', self.data, base + directory + 16 + 8 * i)
                    for i in range(named + ids)]

        node = next(target for name, target in entries(0) if name == type_id)
        while node & 0x80000000:  # a subdirectory: take its first name / language
            node = entries(node & 0x7FFFFFFF)[0][1]
        rva, size = struct.unpack_from('<II', self.data, base + node)
        start = self.offset(rva)
        return self.data[start:start + size]


def version_block(data, offset=0, path=''):
    """The nodes of a VS_VERSIONINFO tree as {path: value}."""
    length, value_length, kind = struct.unpack_from('<HHH', data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b'\0\0':
        key_end += 2
    key = data[offset + 6:key_end].decode('utf-16-le')
    cursor = (key_end + 2 + 3) & ~3
    here = f'{path}\\{key}' if path else key
    if kind == 1 and value_length:
        value = data[cursor:cursor + 2 * value_length].decode('utf-16-le').rstrip('\0')
        cursor += 2 * value_length
    else:
        value = data[cursor:cursor + value_length]
        cursor += value_length
    nodes = {here: value}
    cursor = (cursor + 3) & ~3
    while cursor < end:
        child_length = struct.unpack_from('<H', data, cursor)[0]
        if child_length == 0:
            break
        nodes.update(version_block(data, cursor, here))
        cursor = (cursor + child_length + 3) & ~3
    return nodes


def table_rows(pattern, columns):
    """Rows of brace-initialised tables in the source files matching the glob
    pattern: {L"text", ...} with `columns` string literals at the front."""
    source = ''
    for full in sorted(glob.glob(os.path.join(SOURCE, pattern))):
        with open(full, encoding='utf-8') as f:
            source += f.read()
    # adjacent literals ("a" "b", across lines) are one string, as in C++
    source = re.sub(r'"\s*\n\s*L?"', '', source)
    literal = r'L?"((?:[^"\\]|\\.)*)"'
    pattern = r'\{\s*' + r'\s*,\s*'.join([literal] * columns) + (r'\s*[,}]' if columns == 2 else r'\s*,\s*IDM_')
    return re.findall(pattern, source)


class ReleaseArchives(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run(['bash', os.path.join(SOURCE, 'scripts', 'package.sh')], check=True,
                       env={**os.environ, 'ZORVEX_BUILD': BUILD}, timeout=900)
        major, minor, patch, tweak = project_version()
        cls.version = (major, minor, patch, tweak)
        cls.release = f'{major}.{minor}{patch}.{tweak}'

    def archive(self, arch):
        if arch == 'x86' and SKIP_X86:
            self.skipTest('ZORVEX_SKIP_X86=1: no x86 archive')
        path = os.path.join(DIST, f'zorvex-{self.release}-{arch}.zip')
        self.assertTrue(os.path.exists(path), path)
        return zipfile.ZipFile(path)

    def test_each_archive_holds_the_program_and_the_readme(self):
        for arch in MACHINES:
            with self.subTest(arch=arch):
                with self.archive(arch) as archive:
                    self.assertEqual(sorted(archive.namelist()), ['readme.txt', 'zor_vex.exe'])
                    self.assertIsNone(archive.testzip())

    def test_program_is_built_for_its_machine_with_the_project_version(self):
        major, minor, patch, tweak = self.version
        for arch, machine in MACHINES.items():
            with self.subTest(arch=arch):
                with self.archive(arch) as archive:
                    exe = PortableExecutable(archive.read('zor_vex.exe'))
                self.assertEqual(exe.machine, machine)
                nodes = version_block(exe.resource(RT_VERSION))
                fixed = nodes['VS_VERSION_INFO']
                signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<6I', fixed)
                self.assertEqual(signature, 0xFEEF04BD)
                self.assertEqual((file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF),
                                 (major, minor, patch, tweak))
                self.assertEqual((product_ms, product_ls), (file_ms, file_ls))
                strings = 'VS_VERSION_INFO\\StringFileInfo\\041104b0\\'
                self.assertEqual(nodes[strings + 'FileVersion'], f'{major}, {minor}, {patch}, {tweak}')
                self.assertEqual(nodes[strings + 'FileDescription'], f'Version {self.release}')
                self.assertEqual(nodes[strings + 'Comments'], 'ZORVEX for Windows')
                self.assertEqual(nodes[strings + 'OriginalFilename'], 'zor_vex.exe')

    def test_manifest_declares_common_controls_6_per_monitor_dpi_awareness_and_code_page(self):
        for arch in MACHINES:
            with self.subTest(arch=arch):
                with self.archive(arch) as archive:
                    exe = PortableExecutable(archive.read('zor_vex.exe'))
                manifest = xml.dom.minidom.parseString(exe.resource(RT_MANIFEST))
                identities = [(node.getAttribute('name'), node.getAttribute('version'))
                              for node in manifest.getElementsByTagName('assemblyIdentity')]
                self.assertIn(('Microsoft.Windows.Common-Controls', '6.0.0.0'), identities)

                def setting(tag, namespace):
                    nodes = manifest.getElementsByTagNameNS(namespace, tag)
                    self.assertEqual(len(nodes), 1, tag)
                    return nodes[0].firstChild.data.strip()
                # Windows 10 1607 and later read dpiAwareness, in order;
                # Windows 8.1 reads dpiAware ("/pm": per monitor).
                self.assertEqual(setting('dpiAwareness',
                                         'http://schemas.microsoft.com/SMI/2016/WindowsSettings'),
                                 'PerMonitorV2, PerMonitor')
                self.assertEqual(setting('dpiAware',
                                         'http://schemas.microsoft.com/SMI/2005/WindowsSettings'),
                                 'true/pm')
                # A Unicode program: no code page of its own, whatever the system's.
                self.assertEqual(manifest.getElementsByTagNameNS(
                    'http://schemas.microsoft.com/SMI/2019/WindowsSettings', 'activeCodePage').length,
                    0)

    def test_readme_is_shift_jis_with_crlf_and_names_the_version(self):
        for arch in MACHINES:
            with self.subTest(arch=arch):
                with self.archive(arch) as archive:
                    data = archive.read('readme.txt')
                text = data.decode('cp932')  # strict: fails on anything else
                self.assertEqual(data.count(b'\n'), data.count(b'\r\n'), 'every line ends in CRLF')
                self.assertEqual(data.count(b'\r'), data.count(b'\r\n'), 'no lone CR')
                self.assertGreater(data.count(b'\r\n'), 100)
                self.assertIn(f'Version {self.release}', text)
                self.assertNotRegex(text, r'@[A-Z_]+@')

    def test_readme_documents_every_menu_item_and_operation(self):
        with self.archive('x64') as archive:
            text = archive.read('readme.txt').decode('cp932')
        # lines wrapped in the readme are joined again
        flat = re.sub(r'\r\n\s*', '', text)
        names = table_rows('app/tray.cpp', 1) + table_rows('viewer/viewer_menu.cpp', 1)
        self.assertGreater(len(names), 15, 'the menu tables were found in the sources')
        for name in names:
            self.assertIn(name, text)
        for needed in ('最新作成したハードコピー', 'ハードコピー履歴', 'マウスポインタも含める',
                       'コンフィグ設定', 'zorvex.ini', '~zor_vex*.bmp', 'Failed : RegisterHotKey'):
            self.assertIn(needed, text)
        # the configuration dialog's help list: operation and description rows
        help_rows = [row for row in table_rows('dialogs/*.cpp', 2)
                     if 'PrintScreen' in row[0] or 'ハードコピー履歴画面' in row[0]
                     or row[0].endswith('クリック') or row[0].endswith('キー')
                     or row[0].startswith('Ctrl+Alt+F')]
        self.assertEqual(len(help_rows), 22, help_rows)
        for operation, description in help_rows:
            self.assertIn(operation, text)
            self.assertIn(description, flat)


if __name__ == '__main__':
    unittest.main(verbosity=2)
