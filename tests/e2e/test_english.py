"""The program on an English system (code page 1252, set by the suite): its
texts read back through the probe, itself in code page 932; a Japanese save
folder and a printed Japanese title. Leaves english-config/viewer.png."""
import os
import time

import harness
from harness import wait_until
from harness import tree_items
from case_support import REFUSALS, TREE, TREE_ITEMS, ConfigCase, SaveCase
from print_support import JapaneseTitle

CODE_PAGE_KEY = r'HKLM\System\CurrentControlSet\Control\Nls\CodePage'


def setUpModule():
    harness.kill_wine()
    output = harness.run(['wine', 'reg', 'query', CODE_PAGE_KEY, '/v', 'ACP'])[1].split()
    assert output[-1:] == [b'1252'], f'an English system: {output!r}'


def shot(name):
    os.makedirs(harness.ARTIFACTS, exist_ok=True)
    harness.screenshot(os.path.join(harness.ARTIFACTS, f'english-{name}.png'))


class EnglishConfig(ConfigCase):
    def test_title_tree_and_refusal_read_back(self):
        self.open_dialog()  # found by its title
        self.assertEqual([item['text'] for item in tree_items(self.dialog, TREE)],
                         [text for _, text in TREE_ITEMS])
        shot('config')
        self.show_page('履歴数')
        self.type_into(1035, '2')
        self.refuse(REFUSALS['too_few'])


class EnglishViewerAndPrint(JapaneseTitle):
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
