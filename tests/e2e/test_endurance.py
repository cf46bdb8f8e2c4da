"""A hundred captures and a hundred viewer steps leave the program's memory,
GDI objects and windows where they were after the first few: nothing leaks
per capture or per page."""
import harness
from endurance_support import Session, growth

PRIVATE_BOUND_KB = 2048
RSS_BOUND_KB = 2048
OBJECT_BOUND = 10


class Endurance(harness.ZorvexTestCase):
    settings = {'Common': {'CopyType': '0'},
                'SaveAs': {'SaveFormat1': '1', 'SaveFormat2': '0', 'SaveFormat3': '0'},
                'Option': {'IsFlash': '0', 'IsCursor': '0', 'SaveNum': '300'}}

    def assert_flat(self, session, baseline):
        change = growth(session.samples, baseline)
        self.assertLessEqual(change['private_kb'], PRIVATE_BOUND_KB, session.samples)
        self.assertLessEqual(change['rss_kb'], RSS_BOUND_KB, session.samples)
        self.assertLessEqual(change['gdi'], OBJECT_BOUND, session.samples)
        self.assertLessEqual(change['user'], OBJECT_BOUND, session.samples)

    def test_a_hundred_captures_then_a_hundred_viewer_steps_stay_flat(self):
        session = Session(self)
        session.captures(100, every=20)
        self.assertGreater(session.samples[-1][1]['gdi'], 0, 'the GDI table was read')
        self.assert_flat(session, 'captures 20')
        session.viewer_steps(100, every=25)
        self.assert_flat(session, 'steps 25')


if __name__ == '__main__':
    harness.main()
