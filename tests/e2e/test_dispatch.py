"""Hot keys and tray commands that hand work to other programs: the Ctrl+F
launchers and the readme."""
import os

import harness
from harness import TRAY_README, find_window, wait_until


class Launchers(harness.ZorvexTestCase):
    start_program = False

    def setUp(self):
        super().setUp()
        recorder, self.log = self.install_recorder()
        self.write_settings({
            'Option': {'IsFlash': '1'},
            'HotKey': {'IsCtrlF3': '1', 'Ctrl_F3': recorder, 'Ctrl_F3_PARAMS': 'one "two three"',
                       'IsCtrlF4': '2', 'Ctrl_F4': recorder, 'Ctrl_F4_PARAMS': 'four'}})
        self.start()

    def test_ctrl_f3_starts_its_program_with_its_parameters_and_a_stray_flag_nothing(self):
        harness.key('ctrl+F4')  # IsCtrlF4=2: not registered
        harness.key('ctrl+F3')
        line, = self.recorded_starts(what='the enabled launcher to run, and only it')
        self.assertTrue(line.endswith(' one "two three"'), line)


class Readme(harness.ZorvexTestCase):
    def test_about_item_opens_the_readme_in_the_current_directory(self):
        with open(os.path.join(self.workdir, 'readme.txt'), 'w') as f:
            f.write('ZORVEX readme\n')
        self.choose_tray_item(TRAY_README)
        # the editor's title names the file once it has read it
        wait_until(lambda: 'readme' in getattr(find_window('Notepad'), 'title', '').lower(),
                   'the readme in the text editor')

    def test_about_item_without_a_readme_starts_nothing(self):
        before = {w.handle for w in harness.windows()}
        self.choose_tray_item(TRAY_README)
        # the editor takes a few seconds to come up under Wine: watch for as
        # long as it takes in the case above, and for any other new window
        harness.assert_never(
            lambda: [w for w in harness.windows() if w.handle not in before and w.visible
                     and w.class_name not in (harness.MENU, 'tooltips_class32')],
            10.0, 'a window appeared although there is no readme')


if __name__ == '__main__':
    harness.main()
