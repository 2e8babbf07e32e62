"""The package as a program installs it: the README's commands run as they
stand in an empty folder (a fresh venv, pip install of python/ with no
network), then the README's example in that venv, over the built library
found by its soname, its dialogs answered through the test driver. Exit
status 77 (skipped) only where this python3 cannot make a venv with pip."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
LIBRARY = pathlib.Path(os.environ["TOUCHDIALOGS_LIBRARY"])
DRIVER = os.environ["TOUCHDIALOGS_TEST_DRIVER"]
VERSION = os.environ["TOUCHDIALOGS_VERSION"]


def readme_python_section():
    """The install commands and the example of the README's Python section."""
    text = (SOURCE / "README.md").read_text(encoding="utf-8")
    section = re.search(r"^## From Python\n(.*?)^## ", text, re.S | re.M)
    assert section, "README has no section 'From Python'"
    blocks = dict(re.findall(r"```(sh|python)\n(.*?)```", section.group(1), re.S))
    assert set(blocks) == {"sh", "python"}, "README's Python section wants one sh and one python block"
    return blocks["sh"], blocks["python"]


class InstallTest(unittest.TestCase):
    def run_checked(self, command, needs="", **kwargs):
        run = subprocess.run(command, capture_output=True, text=True, timeout=240, **kwargs)
        self.assertEqual(run.returncode, 0, f"{command}:\n{run.stdout}\n{run.stderr}\n{needs}")
        return run.stdout

    def test_readme_in_a_fresh_venv(self):
        commands, example = readme_python_section()
        env_dir = re.search(r"-m venv .*?(\S+)\n", commands).group(1)
        with tempfile.TemporaryDirectory() as work:
            work = pathlib.Path(work)
            shutil.copytree(SOURCE / "python", work / "python",
                            ignore=shutil.ignore_patterns("build", "*.egg-info", "__pycache__"))
            (work / "bin").mkdir()
            (work / "bin" / "python3").symlink_to(sys.executable)
            # A program's environment: no source tree on the path, no library
            # path given, no pip settings of this machine.
            env = {k: v for k, v in os.environ.items()
                   if k not in ("PYTHONPATH", "TOUCHDIALOGS_LIBRARY") and not k.startswith("PIP_")}
            env.update(PATH=f"{work / 'bin'}:{env['PATH']}", LD_LIBRARY_PATH=str(LIBRARY.parent),
                       PIP_CONFIG_FILE=os.devnull)
            said = self.run_checked(["bash", "-euo", "pipefail", "-c", commands], cwd=work, env=env,
                                    needs="Debian's python3-venv, python3-setuptools and python3-wheel "
                                          "(scripts/setup installs them)")
            python = work / env_dir / "bin" / "python"
            package = self.run_checked([python, "-c", "import touchdialogs, os; print(os.path.dirname("
                                                      "touchdialogs.__file__))"], cwd=work, env=env).strip()
            self.assertTrue(package.startswith(str(work / env_dir)), package)
            self.assertIn(f"touchdialogs {VERSION} ({package})\nlibrary {LIBRARY.resolve()}\n", said)

            check = ("import importlib.metadata as m, pathlib, touchdialogs as td\n"
                     "print(m.version('touchdialogs'), td.__version__, (pathlib.Path(td.__file__).parent / "
                     "'py.typed').is_file())\n")
            self.assertEqual(self.run_checked([python, "-c", check], cwd=work, env=env), f"{VERSION} {VERSION} True\n")

            program = f"import ctypes\nctypes.CDLL({DRIVER!r})\n" + example
            env["TDTEST_STEPS"] = "touch Yes|--|type ch|key Return|--|type 4|key Return"
            self.assertEqual(self.run_checked([python, "-c", program], cwd=work, env=env),
                             "closing table 12\nchosen: Chá 3.0\nguests: 4.0\n")


if __name__ == "__main__":
    try:
        import ensurepip  # noqa: F401
        import venv  # noqa: F401
    except ImportError as e:
        print(f"skipped: {sys.executable} cannot make a venv with pip ({e}); Debian: apt install python3-venv")
        sys.exit(77)
    unittest.main(verbosity=2)
