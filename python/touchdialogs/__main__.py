"""python3 -m touchdialogs: which module and which library a program gets.

    $ python3 -m touchdialogs
    touchdialogs 1.0 (/usr/lib/python3/dist-packages/touchdialogs)
    library /usr/lib/x86_64-linux-gnu/libTouchDialogs.so.1.0

Exit status 0, or 1 with the reason on stderr when the library cannot be
loaded.
"""

from __future__ import annotations

import argparse
import os
import sys
from typing import List, Optional

import touchdialogs


def _loaded(name: str) -> Optional[str]:
    """The file of a loaded library, from the process's own map."""
    try:
        with open("/proc/self/maps", encoding="utf-8", errors="replace") as maps:
            for line in maps:
                path = line.split(maxsplit=5)[-1].strip()
                if os.path.basename(path).startswith(name):
                    return path
    except OSError:
        pass
    return None


def main(argv: Optional[List[str]] = None) -> int:
    argparse.ArgumentParser(prog="python3 -m touchdialogs",
                            description="Says which touchdialogs module and which TouchDialogs library "
                                        "a program gets here.").parse_args(argv)
    print(f"touchdialogs {touchdialogs.__version__} ({os.path.dirname(touchdialogs.__file__)})")
    try:
        touchdialogs._library()
    except OSError as e:
        print(e, file=sys.stderr)
        return 1
    print(f"library {_loaded('libTouchDialogs.so') or '(loaded, file unknown)'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
