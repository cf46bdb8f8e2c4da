"""The range selection: Shift+PrintScreen freezes the screen, a drag with the
real mouse selects a rectangle, and its release makes the hard copy. Overlay
coordinates are desktop coordinates, which are X root coordinates."""
import os

import harness
from harness import Screen, assert_never, drag, find_window, invert, wait_until
from case_support import OVERLAY, RangeCase

class RangeDrag(RangeCase):
    settings = {**RangeCase.settings, 'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0',
                                                 'SaveFormat3': '0'}}

    def test_drag_down_right_copies_the_area_under_it(self):
        before = Screen()
        self.open_overlay()
        drag((100, 100), (200, 150))
        copy = self.wait_for_hard_copy()
        self.assertEqual((copy.width, copy.height), (100, 50))
        colors = {copy.pixel(x, y) for y in range(50) for x in range(100)}
        self.assertGreaterEqual(len(colors), 3, 'the selection crosses the pattern borders')
        self.assert_same_pixels(copy, before, 100, 100)
        # the clipboard got the same hard copy, the right way up
        clip = harness.clipboard_bitmap(self)
        self.assertEqual((clip.width, clip.height), (100, 50))
        self.assert_same_pixels(clip, before, 100, 100)

    def test_drag_up_left_copies_the_area_shifted_by_one(self):
        before = Screen()
        self.open_overlay()
        drag((200, 150), (100, 100))
        copy = self.wait_for_hard_copy()
        self.assertEqual((copy.width, copy.height), (100, 50))
        self.assert_same_pixels(copy, before, 101, 101)

    def test_second_request_while_open_starts_nothing(self):
        self.open_overlay()
        harness.key('shift+Print')
        harness.key('Print')
        assert_never(lambda: len([w for w in harness.windows() if w.class_name == OVERLAY]) != 1,
                     2.0, 'a second overlay, or none')
        harness.key('Escape')
        wait_until(self.overlay_gone, 'the overlay to close')
        assert_never(lambda: os.path.exists(self.slot(1)), 2.0, 'a hard copy after the overlay')


class RangePrinterStep(RangeCase):
    settings = {**RangeCase.settings, 'SaveAs': {'SaveFormat1': '0', 'SaveFormat2': '0',
                                                 'SaveFormat3': '1'},
                'Common': {'CopyType': '3', 'IsPrintPreview': '0'}}

    def test_viewer_opens_when_the_selection_is_done(self):
        self.open_overlay()
        assert_never(lambda: find_window(harness.VIEWER), 2.0, 'a print from the range start')
        drag((100, 100), (200, 150))
        self.wait_for_hard_copy()
        wait_until(lambda: find_window(harness.VIEWER), 'the history viewer')


class RangeAbandon(RangeCase):
    def assert_no_hard_copy(self):
        assert_never(lambda: os.path.exists(self.slot(1)) or
                     os.path.exists(self.temp_file('~zor_vex.bmp')), 2.0, 'a hard copy was made')

    def test_click_without_moving_closes_without_hard_copy(self):
        overlay = self.open_overlay()
        self.assertEqual(overlay.rect, (0, 0, 1280, 800))
        self.assertTrue(os.path.exists(self.temp_file('~zor_vex_background.bmp')))
        harness.click(150, 120)
        wait_until(self.overlay_gone, 'the overlay to close')
        self.assert_no_hard_copy()

    def test_escape_ends_the_drag_then_closes(self):
        self.open_overlay()
        before = Screen()
        drag((100, 100), (200, 150), release=False)
        wait_until(lambda: Screen().pixel(150, 100) == invert(before.pixel(150, 100)),
                   'the band')
        harness.key('Escape')
        wait_until(lambda: Screen().pixel(150, 100) == before.pixel(150, 100), 'the band erased')
        harness.mouse_up()
        harness.move_mouse(300, 200)
        assert_never(lambda: find_window(OVERLAY) is None, 1.5, 'the overlay closed at the first Esc')
        after = Screen()
        self.assertEqual(after.pixel(199, 125), before.pixel(199, 125))
        # a new drag can start, and a second Esc with no drag closes
        harness.key('Escape')
        wait_until(self.overlay_gone, 'the overlay to close')
        self.assert_no_hard_copy()

    def test_right_button_during_drag_closes_at_once(self):
        self.open_overlay()
        drag((100, 100), (220, 180), release=False)
        harness.run(['xdotool', 'click', '3'])
        wait_until(self.overlay_gone, 'the overlay to close')
        harness.mouse_up()
        self.assert_no_hard_copy()


# The band while the drag from (100, 100) is held at (200, 150): it ends on
# (199, 149), the last pixel that the selection will hold.
OUTLINE = [(x, 100) for x in range(100, 200)] + [(x, 149) for x in range(100, 200)] + \
    [(100, y) for y in range(101, 149)] + [(199, y) for y in range(101, 149)]


class BandStyle(RangeCase):
    style = None

    def hold_drag(self):
        self.open_overlay()
        before = Screen()
        drag((100, 100), (200, 150), release=False)
        wait_until(lambda: Screen().pixel(150, 100) != before.pixel(150, 100) or
                   Screen().pixel(151, 100) != before.pixel(151, 100), 'the band')
        during = Screen()
        harness.screenshot(f'range-band-{self.style}')
        return before, during

    def inverted(self, before, during, points):
        return [p for p in points if during.pixel(*p) == invert(before.pixel(*p))]

    def unchanged(self, before, during, points):
        return [p for p in points if during.pixel(*p) == before.pixel(*p)]

    def release_and_compare(self, before):
        harness.mouse_up()
        copy = self.wait_for_hard_copy()
        self.assertEqual((copy.width, copy.height), (100, 50))
        self.assert_same_pixels(copy, before, 100, 100)  # no band in the hard copy

    def assert_outside_untouched(self, before, during):
        around = [(x, 99) for x in range(99, 202)] + [(x, 150) for x in range(99, 202)] + \
            [(99, y) for y in range(99, 151)] + [(200, y) for y in range(99, 151)]
        self.assertEqual(self.unchanged(before, during, around), around)


class SolidBand(BandStyle):
    style = 'solid'

    def test_solid_outline_inverts_each_outline_pixel(self):
        before, during = self.hold_drag()
        self.assertEqual(self.inverted(before, during, OUTLINE), OUTLINE)
        inside = [(x, y) for y in range(101, 149, 7) for x in range(101, 199, 7)]
        self.assertEqual(self.unchanged(before, during, inside), inside)
        self.assert_outside_untouched(before, during)
        self.release_and_compare(before)


class DottedBand(BandStyle):
    style = 'dotted'
    settings = {**RangeCase.settings, 'Common': {'CopyType': '3', 'IsDotRange': '1'}}

    def test_dotted_outline_inverts_every_other_stretch(self):
        before, during = self.hold_drag()
        inverted = self.inverted(before, during, OUTLINE)
        unchanged = self.unchanged(before, during, OUTLINE)
        self.assertEqual(len(inverted) + len(unchanged), len(OUTLINE))
        self.assertGreater(len(inverted), len(OUTLINE) // 4)
        self.assertGreater(len(unchanged), len(OUTLINE) // 4)
        inside = [(x, y) for y in range(101, 149, 7) for x in range(101, 199, 7)]
        self.assertEqual(self.unchanged(before, during, inside), inside)
        self.assert_outside_untouched(before, during)
        self.release_and_compare(before)


class HatchedBand(BandStyle):
    style = 'hatched'
    settings = {**RangeCase.settings, 'Common': {'CopyType': '3', 'IsNotRange': '1'}}

    def test_hatched_band_inverts_the_whole_rectangle(self):
        before, during = self.hold_drag()
        box = [(x, y) for y in range(100, 149) for x in range(100, 199)]
        self.assertEqual(len(self.inverted(before, during, box)), len(box))
        self.assert_outside_untouched(before, during)
        self.release_and_compare(before)


if __name__ == "__main__":
    harness.main()
