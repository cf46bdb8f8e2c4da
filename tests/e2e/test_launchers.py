"""The hot-key launcher dialogs: the list of the twelve Ctrl+F launchers, the
edit dialog, what 保存 writes and registers, and the programs the keys start."""
import harness
from harness import (CHOOSER_TITLE, HOTKEY_EDIT_TITLE as EDIT_TITLE, HOTKEY_LIST as LIST,
                     HOTKEY_LIST_TITLE as LIST_TITLE, TRAY_HOTKEYS, ListView, child, click,
                     click_button, find_dialog, probe, wait_until)

NAME, USE, NOT_USE, PATH, PARAMS = 1027, 1020, 1023, 1016, 1018
BM_GETCHECK, EM_GETLIMITTEXT, EM_GETSEL = 0x00F0, 0x00D5, 0x00B0
LVS_EX_FULLROWSELECT = 0x20


def send(window, message, wparam=0, lparam=0):
    return int(probe('send', window.handle, message, wparam, lparam).strip())


def double_click(x, y):
    harness.move_mouse(x, y)
    harness.run(['xdotool', 'click', '--repeat', '2', '--delay', '80', '1'], timeout=10)


class LauncherDialogCase(harness.ZorvexTestCase):
    start_program = False
    hotkey_settings = {}

    def setUp(self):
        super().setUp()
        self.recorder, self.log = self.install_recorder()
        settings = {'Option': {'IsFlash': '1'}}
        if self.hotkey_settings:
            settings['HotKey'] = {k: v.replace('RECORDER', self.recorder)
                                  for k, v in self.hotkey_settings.items()}
        self.write_settings(settings)
        self.start()

    def open_list(self):
        self.choose_tray_item(TRAY_HOTKEYS)
        return wait_until(lambda: find_dialog(LIST_TITLE), 'the hot-key list dialog')

    def list_view(self, dialog):
        return ListView(child(dialog, LIST).handle)

    def click_row(self, dialog, row):
        left, top, _, bottom = self.list_view(dialog).rows[row]['rect']
        click(left + 30, (top + bottom) // 2)
        wait_until(lambda: self.list_view(dialog).selected() == [row], f'row {row} selected')

    def edit_row(self, dialog, row):
        self.click_row(dialog, row)
        click_button(dialog, '編集(&M)')
        return wait_until(lambda: find_dialog(EDIT_TITLE), 'the hot-key edit dialog')

    def text_of(self, dialog, control_id):
        return probe('gettext', child(dialog, control_id).handle).rstrip('\r\n')

    def checked(self, dialog, control_id):
        return send(child(dialog, control_id), BM_GETCHECK) == 1

    def save(self, edit):
        click_button(edit, '保存(&S)')
        wait_until(lambda: find_dialog(EDIT_TITLE) is None, 'the edit dialog to close')

    def hotkey(self, name):
        return harness.hotkey_states()[name]


class ListAndEditDialogs(LauncherDialogCase):
    hotkey_settings = {'IsCtrlF2': '1', 'Ctrl_F2': 'notepad.exe', 'Ctrl_F2_PARAMS': 'a b',
                       'IsCtrlF4': '2', 'Ctrl_F4': 'stray.exe'}

    def test_list_rows_selection_edit_dialog_and_cancel(self):
        dialog = self.open_list()
        listing = self.list_view(dialog)
        self.assertEqual(listing.columns, [('ホットキー', 70), ('使用有無', 70),
                                           ('アプリケーションのパス', 300), ('パラメータ', 300)])
        self.assertTrue(listing.exstyle & LVS_EX_FULLROWSELECT)
        self.assertEqual([row['cells'][0] for row in listing.rows],
                         [f'Ctrl + F{n}' for n in range(1, 13)])
        self.assertEqual(listing.rows[1]['cells'], ['Ctrl + F2', '使用中', 'notepad.exe', 'a b'])
        self.assertEqual(listing.rows[3]['cells'][1], '-', 'a stray flag is not registered')
        self.assertEqual(listing.rows[0]['cells'], ['Ctrl + F1', '-', '', ''])
        self.assertEqual(listing.selected(), [0], 'row 0 is selected the first time')
        harness.screenshot('hotkey-list')

        # a double click opens Ctrl + F5 for editing; Esc changes nothing
        left, top, _, bottom = listing.rows[4]['rect']
        double_click(left + 30, (top + bottom) // 2)
        edit = wait_until(lambda: find_dialog(EDIT_TITLE), 'the hot-key edit dialog')
        self.assertEqual(self.text_of(edit, NAME), 'Ctrl + F5')
        self.assertTrue(self.checked(edit, NOT_USE))
        self.assertFalse(self.checked(edit, USE))
        self.assertEqual(send(child(edit, PATH), EM_GETLIMITTEXT), 260)
        self.assertEqual(send(child(edit, PARAMS), EM_GETLIMITTEXT), 127)
        self.assertFalse(dialog.handle in [w.handle for w in harness.windows() if w.enabled],
                         'the list waits for its edit dialog')
        harness.screenshot('hotkey-edit')
        click_button(edit, '使用する(&Y)')
        harness.key('Escape')
        wait_until(lambda: find_dialog(EDIT_TITLE) is None, 'the edit dialog to close')
        self.assertNotIn('IsCtrlF5', self.settings_file().get('HotKey', {}))
        self.assertEqual(self.hotkey('Ctrl+F5'), 'free')
        listing = self.list_view(dialog)
        self.assertEqual(listing.rows[4]['cells'], ['Ctrl + F5', '-', '', ''])
        self.assertEqual(listing.selected(), [4])

        # the edited row is selected when the list opens next time
        click_button(dialog, '閉じる(&C)')
        wait_until(lambda: find_dialog(LIST_TITLE) is None, 'the list to close')
        dialog = self.open_list()
        self.assertEqual(self.list_view(dialog).selected(), [4])

        # 編集 with no row selected does nothing: the list can still be closed
        probe('listview-deselect', child(dialog, LIST).handle)
        wait_until(lambda: self.list_view(dialog).selected() == [], 'no row selected')
        click_button(dialog, '編集(&M)')
        click_button(dialog, '閉じる(&C)')
        wait_until(lambda: find_dialog(LIST_TITLE) is None, 'the list to close')
        self.assertIsNone(find_dialog(EDIT_TITLE, visible=None))

    def test_overlong_texts_and_the_stray_flag(self):
        dialog = self.open_list()
        edit = self.edit_row(dialog, 3)
        self.assertEqual(self.text_of(edit, NAME), 'Ctrl + F4')
        self.assertTrue(self.checked(edit, NOT_USE), 'IsCtrlF4=2 has no registered key')
        path = child(edit, PATH)
        probe('settext', path.handle, 'C:\\' + 'x' * 300 + '.exe')
        click_button(edit, '保存(&S)')
        # the refused field takes the focus with its whole text selected
        wait_until(lambda: send(path, EM_GETSEL) >> 16 == 307, 'the long path to be selected')
        self.assertIsNotNone(find_dialog(EDIT_TITLE))
        probe('settext', path.handle, 'short.exe')
        params = child(edit, PARAMS)
        probe('settext', params.handle, 'p' * 128)
        click_button(edit, '保存(&S)')
        wait_until(lambda: send(params, EM_GETSEL) >> 16 == 128, 'the long parameters selected')
        self.assertEqual(self.settings_file()['HotKey']['IsCtrlF4'], '2', 'nothing was written')
        self.assertEqual(self.settings_file()['HotKey']['Ctrl_F4'], 'stray.exe')
        harness.key('Escape')
        wait_until(lambda: find_dialog(EDIT_TITLE) is None, 'the edit dialog to close')
        self.assertEqual(self.list_view(dialog).rows[3]['cells'], ['Ctrl + F4', '-', 'stray.exe', ''])


class SavingLaunchers(LauncherDialogCase):
    hotkey_settings = {'IsCtrlF7': '2', 'Ctrl_F7': 'RECORDER', 'Ctrl_F7_PARAMS': 'seven'}

    def test_save_registers_writes_and_starts_then_frees_the_key(self):
        params = 'alpha  "beta gamma"  delta'
        dialog = self.open_list()
        edit = self.edit_row(dialog, 2)
        self.assertEqual(self.text_of(edit, NAME), 'Ctrl + F3')
        click_button(edit, '使用する(&Y)')
        click_button(edit, '...')
        wait_until(lambda: find_dialog(CHOOSER_TITLE), 'the program chooser')
        harness.screenshot('hotkey-chooser')
        harness.type_text(self.recorder)
        harness.key('Return')
        wait_until(lambda: find_dialog(CHOOSER_TITLE) is None, 'the chooser to close')
        wait_until(lambda: self.text_of(edit, PATH) == self.recorder, 'the chosen path')
        harness.click_control(edit, PARAMS)
        harness.type_text(params)
        wait_until(lambda: self.text_of(edit, PARAMS) == params, 'the typed parameters')
        self.save(edit)

        hotkeys = self.settings_file()['HotKey']
        self.assertEqual((hotkeys['IsCtrlF3'], hotkeys['Ctrl_F3'], hotkeys['Ctrl_F3_PARAMS']),
                         ('1', self.recorder, params))
        self.assertEqual(self.list_view(dialog).rows[2]['cells'],
                         ['Ctrl + F3', '使用中', self.recorder, params])
        self.assertEqual(self.hotkey('Ctrl+F3'), 'taken')

        # the key works at once, with both dialogs still open
        edit = self.edit_row(dialog, 2)
        self.assertTrue(self.checked(edit, USE))
        harness.key('ctrl+F3')
        line, = self.recorded_starts(what='the launcher to run')
        self.assertTrue(line.endswith(' ' + params), line)

        click_button(edit, '使用しない(&N)')
        self.save(edit)
        self.assertEqual(self.settings_file()['HotKey']['IsCtrlF3'], '0')
        self.assertEqual(self.list_view(dialog).rows[2]['cells'][1], '-')
        self.assertEqual(self.hotkey('Ctrl+F3'), 'free', 'another program can take the key')

    def test_stray_flag_saved_in_use_registers_and_is_read_back_at_next_start(self):
        self.assertEqual(self.hotkey('Ctrl+F7'), 'free')
        dialog = self.open_list()
        self.assertEqual(self.list_view(dialog).rows[6]['cells'][1], '-')
        edit = self.edit_row(dialog, 6)
        self.assertTrue(self.checked(edit, NOT_USE))
        click_button(edit, '使用する(&Y)')
        self.save(edit)
        self.assertEqual(self.settings_file()['HotKey']['IsCtrlF7'], '1')
        self.assertEqual(self.list_view(dialog).rows[6]['cells'][1], '使用中')
        self.assertEqual(self.hotkey('Ctrl+F7'), 'taken', 'the saved flag is registered')
        with open(self.ini_path, 'rb') as f:
            text = f.read().decode('cp932')
        self.assertIn('\nCtrl_F7=' + self.recorder + '\r\n', text)
        self.assertIn('\nCtrl_F7_PARAMS=seven\r\n', text)

        self.start()
        harness.key('ctrl+F7')
        line, = self.recorded_starts(what='the launcher read back from the file')
        self.assertTrue(line.endswith(' seven'), line)


if __name__ == '__main__':
    harness.main()
