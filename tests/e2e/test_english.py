"""The program on an English system (code page 1252; the suite runs this file
as e2e.test_english): its texts read back as they stand through the probe,
which works in code page 932 itself; a hard copy is saved into a folder with
a Japanese name; a Japanese title is drawn on the viewer's page and printed
as glyphs. Screenshots: english-config.png, english-viewer.png."""
import os
import time

import harness
import test_print
from harness import wait_until
from test_config import REFUSALS, TREE_ITEMS, ConfigCase, tree_items
from test_save import SaveCase

CODE_PAGE_KEY = r'HKLM\System\CurrentControlSet\Control\Nls\CodePage'


def setUpModule():
    harness.kill_wine()
    _, output = harness.run(['wine', 'reg', 'query', CODE_PAGE_KEY, '/v', 'ACP'])
    assert output.split()[-1] == b'1252', f'an English system: {output!r}'


def shot(name):
    os.makedirs(harness.ARTIFACTS, exist_ok=True)
    harness.screenshot(os.path.join(harness.ARTIFACTS, f'english-{name}.png'))


class EnglishConfig(ConfigCase):
    def test_title_tree_and_refusal_read_back(self):
        self.open_dialog()  # found by its title
        self.assertEqual([item['text'] for item in tree_items(self.dialog)],
                         [text for _, text in TREE_ITEMS])
        shot('config')
        self.show_page('履歴数')
        self.type_into(1035, '2')
        self.refuse(REFUSALS['too_few'])


class EnglishViewerAndPrint(test_print.JapaneseTitle):
    def open_by_tray(self):
        viewer = super().open_by_tray()
        caption = self.wait_caption('1枚目( 200 x 100 ) ')
        self.assertTrue(caption.endswith(' - ZORVEX (履歴)'), caption)
        return viewer

    def press_button(self, viewer, control_id):
        shot('viewer')  # the page with its title, before it goes to the printer
        super().press_button(viewer, control_id)


class JapaneseSaveFolder(SaveCase):
    save_folder_name = 'ハードコピー'

    def test_hard_copy_is_saved_there(self):
        self.range_capture()
        saved = os.path.join(self.save_dir, 'bitmap', time.strftime('%Y%m%d'), '000001.bmp')
        wait_until(lambda: os.path.exists(saved), 'the saved file')


if __name__ == '__main__':
    harness.main()
