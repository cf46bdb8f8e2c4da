"""Start-up, single instance, hot keys and shutdown of the real program."""
import harness
from harness import MAIN, TRAY_EXIT, find_window, hotkey_states, wait_until, windows


def assert_icon_deleted_by_program(case, main):
    """Every tray icon of the main window was deleted by the program while
    the window was still there: Explorer removes a destroyed window's icons
    itself, Windows leaves them until the pointer passes over them."""
    events = harness.tray_icon_events(main)
    case.assertEqual(events.count(('add', True)), events.count(('delete', True)), events)
    case.assertNotIn(('delete', False), events)


class SingleInstance(harness.ZorvexTestCase):
    def test_second_start_ends_with_code_zero_and_leaves_first_alone(self):
        first = find_window(MAIN, visible=False)
        code, _ = harness.run(['wine', harness.EXE], cwd=self.workdir, timeout=60)
        self.assertEqual(code, 0)
        mains = [w for w in windows() if w.class_name == MAIN]
        self.assertEqual([w.handle for w in mains], [first.handle])
        self.assertIsNone(self.process.poll(), 'the first instance must still run')

    def test_exit_from_tray_menu_ends_program_and_frees_hot_keys(self):
        main = find_window(MAIN, visible=False)
        self.choose_tray_item(TRAY_EXIT)
        code = self.process.wait(timeout=30)
        self.assertEqual(code, 0)
        self.assertIsNone(find_window(MAIN, visible=None))
        self.assertIn(('add', True), harness.tray_icon_events(main))
        assert_icon_deleted_by_program(self, main)
        states = hotkey_states()
        self.assertEqual(states['PrintScreen'], 'free')
        self.assertEqual(states['Ctrl+Alt+F12'], 'free')


class ShellRestart(harness.ZorvexTestCase):
    def test_icon_comes_back_on_taskbar_created(self):
        main = find_window(MAIN, visible=False)
        harness.probe('tray-delete', main.handle, 100)
        wait_until(lambda: harness.tray_icon_center() is None, 'the icon to be gone')
        harness.probe('taskbar-created', main.handle)
        wait_until(harness.tray_icon_center, 'the icon to be added again')


class HotKeyBlock(harness.ZorvexTestCase):
    settings = {'HotKey': {'IsCtrlF3': '1', 'IsCtrlF4': '2', 'Ctrl_F3': 'notepad.exe'}}

    def test_fixed_keys_and_enabled_launchers_are_registered(self):
        states = hotkey_states()
        for name in ('PrintScreen', 'Ctrl+PrintScreen', 'Shift+PrintScreen', 'Alt+PrintScreen',
                     'Ctrl+Alt+PrintScreen', 'Ctrl+Alt+F10', 'Ctrl+Alt+F11', 'Ctrl+Alt+F12'):
            self.assertEqual(states[name], 'taken', name)
        self.assertEqual(states['Ctrl+F3'], 'taken')
        self.assertEqual(states['Ctrl+F4'], 'free', 'IsCtrlF4=2 must not register Ctrl+F4')
        self.assertEqual(states['Ctrl+F1'], 'free')


class HotKeysAlreadyTaken(harness.ZorvexTestCase):
    start_program = False

    # (PrintScreen alone taken is test_truth's: the program starts and says so)
    def test_both_capture_keys_taken_reports_and_ends(self):
        self.helper('hold-hotkeys', 'PrintScreen', 'Ctrl+Alt+F12', ready='holding')
        self.start(wait_for_main_window=False)
        box = self.message_box('Error')
        main = find_window(MAIN, visible=None)
        self.assertEqual(box.text, 'Failed : RegisterHotKey')
        box.press(harness.IDOK)
        self.assertEqual(self.process.wait(timeout=30), 0)
        assert_icon_deleted_by_program(self, main)


if __name__ == '__main__':
    harness.main()
