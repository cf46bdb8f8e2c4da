"""The program on an English system (code page 1252, set by the suite): its
texts read back exactly through the probe (which reads UTF-16); a Japanese
save folder and a printed Japanese title. Leaves english-config/viewer.png."""
import harness
from harness import read, tree_items
from case_support import REFUSALS, TREE, TREE_ITEMS, ConfigCase, SaveCase
import print_support

CODE_PAGE_KEY = r'HKLM\System\CurrentControlSet\Control\Nls\CodePage'


def setUpModule():
    harness.kill_wine()
    output = harness.run(['wine', 'reg', 'query', CODE_PAGE_KEY, '/v', 'ACP'])[1].split()
    assert output[-1:] == [b'1252'], f'an English system: {output!r}'



class EnglishConfig(ConfigCase):
    def test_title_tree_and_refusal_read_back(self):
        self.open_dialog()  # found by its title
        self.assertEqual([item['text'] for item in tree_items(self.dialog, TREE)],
                         [text for _, text in TREE_ITEMS])
        harness.screenshot('english-config')
        self.show_page('履歴数')
        self.type_into(1035, '2')
        self.refuse(REFUSALS['too_few'])


class EnglishViewerAndPrint(print_support.JapaneseTitle):
    def open_by_tray(self):
        viewer = super().open_by_tray()
        caption = self.wait_caption('1枚目( 200 x 100 ) ')
        self.assertTrue(caption.endswith(' - ZORVEX (履歴)'), caption)
        return viewer

    def press_button(self, viewer, control_id):
        harness.screenshot('english-viewer')  # the page with its title, before it goes to the printer
        super().press_button(viewer, control_id)


class JapaneseSaveFolder(SaveCase):
    save_folder_name = 'ハードコピー'

    def test_hard_copy_is_saved_there(self):
        saved = self.saved_capture()
        self.assertEqual(read(saved), read(self.slot(1)), 'the hard copy itself was saved')


if __name__ == '__main__':
    harness.main()
