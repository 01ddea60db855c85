"""The hold-back both loopback servers offer (their --hold-dir).

A held transfer writes what it holds into DIR/held and goes on only once
the test has removed that file, or after HOLD_LIMIT seconds, so a client
that cannot answer still gets its file, late.
"""
import os
import time

HOLD_LIMIT = 10.0
HOLD_POLL = 0.02


def hold_marker(hold_dir, text):
    """Puts the marker in place whole, so a test never reads half of it."""
    marker = os.path.join(hold_dir, "held")
    with open(marker + ".tmp", "w", encoding="utf-8") as note:
        note.write(text)
    os.replace(marker + ".tmp", marker)
    return marker, time.monotonic() + HOLD_LIMIT


def still_held(marker, deadline):
    """True while the test has not let go and the limit is not reached; a
    marker left at the limit is removed."""
    if not os.path.exists(marker):
        return False
    if time.monotonic() < deadline:
        return True
    os.remove(marker)
    return False
