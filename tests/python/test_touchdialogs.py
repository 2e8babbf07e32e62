"""The Python module as a program uses it: each dialog answered by user steps
through the test driver, answers of their own types (None for a cancel),
records in and out, failures as exceptions."""

import ctypes
import ctypes.util
import datetime
import decimal
import os
import subprocess
import sys
import unittest
import warnings

import touchdialogs as td

DRIVER = os.environ["TOUCHDIALOGS_TEST_DRIVER"]
LIBRARY = os.environ["TOUCHDIALOGS_LIBRARY"]

PRODUCTS = [
    {"CODIGO": 1, "NOME": "Café", "PRECO": 4.5, "ATIVO": "S", "DESDE": datetime.date(2020, 1, 31)},
    {"CODIGO": 2, "NOME": "Bolo", "PRECO": 7.0, "ATIVO": "S", "DESDE": None},
    {"CODIGO": 3, "NOME": "Cappuccino", "PRECO": 8.9, "ATIVO": "N", "DESDE": datetime.date(2021, 6, 1)},
]

# Three records of the values at the edges of each type: each must come back
# the same value of the same Python type, whatever way it travels.
D, T, DT = datetime.date, datetime.time, datetime.datetime
EDGES = {
    "string": ["", "a\x00b \u2028\U0001F600\ufffe", " Ação "],
    "integer": [-2**31, 2**31 - 1, 0],
    "largeint": [-2**63, 2**63 - 1, 2**53 + 1],
    "float": [2.0, 5e-324, -1.7976931348623157e308],
    "currency": [922337203685477.0, -0.0001, 0.3],
    "boolean": [True, False, None],
    "date": [D(1, 1, 1), D(9999, 12, 31), D(2024, 2, 29)],
    "time": [T(0, 0), T(23, 59, 59, 999000), T(12, 0, 0, 1000)],
    "datetime": [DT(1, 1, 1, 0, 0, 0, 1000), DT(9999, 12, 31, 23, 59, 59, 999000), DT(2024, 3, 31, 1, 30)],
    "memo": ["linha 1\r\nlinha 2\t", "x" * 70000, None],
}
EDGE_FIELDS = [{"name": "ID", "type": "integer"}] + [{"name": "F_" + t, "type": t} for t in EDGES]
EDGE_RECORDS = [dict(ID=i, **{"F_" + t: v[i] for t, v in EDGES.items()}) for i in range(3)]


def typed(records):
    """Records with each value beside its type, so that 2 and 2.0 differ."""
    return [{k: (type(v).__name__, repr(v)) for k, v in r.items()} for r in records]


class TouchDialogsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        td.init()
        cls.driver = ctypes.CDLL(DRIVER)
        cls.driver.tdtest_error.restype = ctypes.c_char_p

    def answer(self, steps, call):
        """Runs call with the dialogs answered by steps (a "--" step starts
        the next dialog's); checks that each group answered one, and that no
        steps meant no dialog."""
        self.assertEqual(self.driver.tdtest_answer("\n".join(steps).encode()), 0)
        try:
            return call()
        finally:
            expected = 1 + steps.count("--") if steps else 0
            self.assertEqual(self.driver.tdtest_answered(), expected, self.driver.tdtest_error())

    def test_dialogs(self):
        M, B = td.ModalResult, td.Buttons
        cases = [
            ("message Yes", ["touch Yes"],
             lambda: td.message("Fechar a mesa 12?", td.MessageType.CONFIRMATION, B.YES | B.NO), M.YES),
            ("message closed, kind and buttons by name", ["close"],
             lambda: td.message("x", type="Warning", buttons="ok, cancel"), M.CANCEL),
            ("message extra", ["touch btnExtra"], lambda: td.message("x", extra="Depois"), M.EXTRA),
            ("error box", ["key Return"], lambda: td.error("Sem papel"), None),
            ("server answer", [], lambda: td.check_result("12345", expected_length=5), "12345"),
            ("text", ["touch spdBackSpace", "type 3", "key Return"],
             lambda: td.ask_text("Mesa 12", caption="Pedido"), "Mesa 13"),
            ("text cancelled", ["key Escape"], lambda: td.ask_text("Mesa 12"), None),
            ("blank text confirmed", ["key Return"], lambda: td.ask_text(" \t"), ""),
            ("quantity", ["type 12,5", "key Return"], lambda: td.ask_quantity("Chopp"), 12.5),
            ("whole quantity after the empty-entry box", ["touch sbtEnter", "type 4", "key Return", "--",
                                                          "key Return"], lambda: td.ask_quantity(whole=True), 4.0),
            ("quantity cancelled", ["type 3", "key Escape"], lambda: td.ask_quantity(), None),
            ("quantity closed", ["type 3", "close"], lambda: td.ask_quantity(digits=1), None),
            ("colour", ["touch shpCor10"], td.ask_colour, 255),
            ("colour left", ["touch tcbSair"], td.ask_colour, None),
            ("search", ["type cap", "key Return"], lambda: td.search(PRODUCTS),
             {"CODIGO": 3, "NOME": "Cappuccino", "PRECO": 8.9, "ATIVO": "N", "DESDE": datetime.date(2021, 6, 1)}),
            ("search within the host's filter", ["type c", "key Return"],
             lambda: td.search(PRODUCTS, ("CODIGO", "NOME"), filter="CODIGO <> 1"), {"CODIGO": 3, "NOME": "Cappuccino"}),
            ("search left", ["touch spdSair"], lambda: td.search(PRODUCTS), None),
            ("list", ["touch spbAdicionar", "touch spbAdicionar", "touch spbConfirma"],
             lambda: [r["NOME"] for r in td.build_list(PRODUCTS, description="Combo")], ["Café", "Bolo"]),
            ("list left", ["touch spbAdicionar", "touch spbSair"], lambda: td.build_list(PRODUCTS), []),
            ("list of the edge values", ["touch spbAdicionar"] * 3 + ["touch spbConfirma"],
             lambda: typed(sorted(td.build_list(EDGE_RECORDS, EDGE_FIELDS), key=lambda r: r["ID"])),
             typed(EDGE_RECORDS)),
        ] + [
            (f"search of edge record {i}", ["key Return"],
             lambda i=i: typed([td.search([EDGE_RECORDS[i]], EDGE_FIELDS)]), typed([EDGE_RECORDS[i]]))
            for i in range(3)
        ] + [
            # Each button's bit and result as the library has them, by member and by touchdlg's name.
            (f"button {name}", [f"touch {button}"], lambda name=name: td.message("x", buttons=(B[name], "help")),
             M[name])
            for name, button in (("YES", "Yes"), ("NO", "No"), ("OK", "OK"), ("CANCEL", "Cancel"), ("ABORT", "Abort"),
                                 ("RETRY", "Retry"), ("IGNORE", "Ignore"), ("ALL", "All"), ("NO_TO_ALL", "NoToAll"),
                                 ("YES_TO_ALL", "YesToAll"))
        ] + [("button by touchdlg's name", ["touch NoToAll"], lambda: td.message("x", buttons="notoall"), M.NO_TO_ALL)]
        for name, steps, call, expected in cases:
            with self.subTest(name):
                answer = self.answer(steps, call)
                self.assertEqual(answer, expected)
                if not isinstance(expected, (dict, list)):  # 4.0, not 4; ModalResult.YES, not 6
                    self.assertIs(type(answer), type(expected))

    def test_earlier_names(self):
        """keyboard, quantity and colour keep their answers for a release, and
        say what replaces them where they are called."""
        cases = [
            ("keyboard", ["type 2", "key Return"], lambda: td.keyboard("Mesa 1"), "Mesa 12"),
            ("keyboard cancelled", ["key Escape"], lambda: td.keyboard("Mesa 12"), ""),
            ("keyboard confirmed blank", ["key Return"], lambda: td.keyboard(), "@"),
            ("quantity cancelled", ["key Escape"], lambda: td.quantity("Chopp"), 0.0),
            ("colour", ["touch shpCor10"], td.colour, 255),
            ("modal result", ["touch Yes"], lambda: td.message("x", "confirmation", ("yes", "no")), td.YES),
        ]
        for name, steps, call, expected in cases:
            with self.subTest(name), warnings.catch_warnings(record=True) as said:
                warnings.simplefilter("always")
                answer = self.answer(steps, call)
                self.assertEqual((type(answer), answer), (type(expected), expected))
                deprecated = [w for w in said if issubclass(w.category, DeprecationWarning)]
                if name == "modal result":
                    self.assertEqual(deprecated, [])
                    continue
                self.assertEqual(len(deprecated), 1, name)
                self.assertEqual(deprecated[0].filename, __file__)
                self.assertIn("ask_", str(deprecated[0].message))

    def test_silent_abort(self):
        cases = [
            ("error box, then abort", lambda: td.error("Sem papel", abort=True)),
            ("server error text", lambda: td.check_result("Sem saldo", expected_length=5)),
        ]
        for name, call in cases:
            with self.subTest(name):
                with self.assertRaises(td.Aborted):
                    self.answer(["touch OK"], call)

    def test_box_without_waiting(self):
        self.assertIsNone(td.message("Pedido enviado", wait=False))
        self.assertEqual(self.driver.tdtest_visible_windows(), 1)
        self.assertEqual(self.driver.tdtest_perform(b"touch OK"), 0)
        td.process_messages()
        self.assertEqual(self.driver.tdtest_visible_windows(), 0)

    def test_navigation_key(self):
        chosen = self.answer(["type b", "touch spdNavEsq"], lambda: td.search(PRODUCTS, navigator=True))
        self.assertEqual((chosen["NOME"], chosen.navigation), ("Bolo", td.Navigation.LEFT))
        self.assertIs(type(chosen.navigation), td.Navigation)

    def test_dataset_round_trip(self):
        cases = [
            ("products", PRODUCTS, None, PRODUCTS),
            ("edge values", EDGE_RECORDS, EDGE_FIELDS, EDGE_RECORDS),
            ("guessed wide types", [{"N": 2**62 + 1, "T": DT(2024, 3, 31, 1, 30)}, {"N": -2**53 - 1, "T": None}], None,
             [{"N": 2**62 + 1, "T": DT(2024, 3, 31, 1, 30)}, {"N": -2**53 - 1, "T": None}]),
            ("ints in a float field are floats; every record's keys", [{"F": 2, "G": 1}, {"F": 0.5, "H": "x"}], None,
             [{"F": 2.0, "G": 1, "H": None}, {"F": 0.5, "G": None, "H": "x"}]),
            ("fields pick the keys", [{"A": 1, "B": 2}], ["B"], [{"B": 2}]),
        ]
        for name, records, fields, expected in cases:
            with self.subTest(name):
                data = td.Dataset(records, fields)
                for way, back in (("records", data.records()), ("record", [data.record()]),
                                  ("packet", td.Dataset.from_packet(data.packet()).records()),
                                  ("json", td.Dataset.from_json(data.json()).records())):
                    self.assertEqual(typed(back), typed(expected[:len(back)]), way)

    def test_errors(self):
        """Hostile and faulty input: refused with the kind of exception (always
        an Error too) and a text that names the culprit, before any dialog."""
        E, V, K = td.Error, ValueError, TypeError

        def data(values, type=None, **field):
            field = dict(field, name="F", **({"type": type} if type else {}))
            return lambda: td.Dataset([{"F": v} for v in values], [field])

        cases = [
            ("unknown button", lambda: td.message("x", buttons=("yes", "maybe")), V, "maybe"),
            ("unknown kind", lambda: td.message("x", type="question"), V, "question"),
            ("one visible field", lambda: td.search([{"NOME": "x"}]), E, "visible"),
            ("bad filter", lambda: td.search(PRODUCTS, filter="NOME ="), E, "NOME ="),
            ("records without fields", lambda: td.build_list([(1, "x")]), E, "fields"),
            ("bad packet", lambda: td.Dataset.from_packet(b"not a packet"), E, "packet"),
            ("language after the first dialog", lambda: td.set_locale("en"), E, "td_init"),
            # Arguments that C would cut or misread.
            ("NUL in the keyboard's text", lambda: td.keyboard("ab\x00cd"), V, "'ab\\x00cd'"),
            ("NUL in a box", lambda: td.message("a\x00b"), V, "NUL"),
            ("lone surrogate in a caption", lambda: td.quantity("\udc80"), V, "caption"),
            ("bytes as text", lambda: td.message(b"ab"), K, "b'ab'"),
            ("number as text", lambda: td.keyboard(caption=12), K, "caption"),
            ("bytes as a server answer", lambda: td.check_result(b"Sem saldo"), K, "decode"),
            ("seconds beyond a C int", lambda: td.message("x", seconds=2**32 + 1), V, "4294967297"),
            ("negative seconds", lambda: td.message("x", seconds=-1), V, "seconds"),
            ("fractional seconds", lambda: td.message("x", seconds=1.5), K, "1.5"),
            ("digits beyond a C int", lambda: td.quantity(digits=2**32 + 1), V, "digits"),
            ("length beyond a C int", lambda: td.check_result("12345", expected_length=2**32 + 5), V, "4294967301"),
            ("comma in a button name", lambda: td.message("x", buttons=("yes,no",)), V, "comma"),
            # Kinds, buttons and switches of the box.
            ("kind beyond the last", lambda: td.message("x", 5), V, "5"),
            ("negative kind", lambda: td.message("x", type=-1), V, "-1"),
            ("True as a kind", lambda: td.message("x", True), K, "True"),
            ("float as a kind", lambda: td.message("x", 2.0), K, "float"),
            ("bytes as a kind", lambda: td.message("x", b"error"), K, "bytes"),
            ("None as a kind", lambda: td.message("x", None), K, "None"),
            ("no buttons", lambda: td.message("x", buttons=td.Buttons(0)), V, "no button would end"),
            ("no names", lambda: td.message("x", buttons=" , "), V, "no button would end"),
            ("Help alone", lambda: td.message("x", buttons=("help",), seconds=0, extra=""), V, "HELP"),
            ("a bit of no button", lambda: td.message("x", buttons=2048), V, "2048"),
            ("negative buttons", lambda: td.message("x", buttons=-1), V, "-1"),
            ("True as buttons", lambda: td.message("x", buttons=True), K, "True"),
            ("float among the buttons", lambda: td.message("x", buttons=("yes", 1.5)), K, "1.5"),
            ("None among the buttons", lambda: td.message("x", buttons=["ok", None]), K, "None"),
            ("None as buttons", lambda: td.message("x", buttons=None), K, "None"),
            ("bytes as buttons", lambda: td.message("x", buttons=b"yes"), K, "bytes"),
            ("a dict as buttons", lambda: td.message("x", buttons={"yes": 1}), K, "dict"),
            ("True as seconds", lambda: td.message("x", seconds=True), K, "True"),
            ("text as a switch", lambda: td.message("x", wait="no"), K, "wait"),
            ("2 as a switch", lambda: td.error("x", abort=2), K, "abort"),
            ("None as a switch", lambda: td.check_result("x", show_error=None), K, "show_error"),
            ("number as the extra button", lambda: td.message("x", extra=5), K, "extra"),
            ("negative length", lambda: td.check_result("x", expected_length=-1), V, "expected_length"),
            # The other dialogs and the settings.
            ("negative digits", lambda: td.ask_quantity(digits=-1), V, "digits"),
            ("True as digits", lambda: td.ask_quantity(digits=True), K, "True"),
            ("text as whole", lambda: td.ask_quantity(whole="no"), K, "whole"),
            ("bytes as a caption", lambda: td.ask_text(caption=b"x"), K, "caption"),
            ("list as the start text", lambda: td.ask_text(["x"]), K, "list"),
            ("text as navigator", lambda: td.search(PRODUCTS, navigator="yes"), K, "navigator"),
            ("2 as drop_filter", lambda: td.search(PRODUCTS, drop_filter=2), K, "drop_filter"),
            ("bytes as an observation", lambda: td.search(PRODUCTS, observation=b"x"), K, "observation"),
            ("number as a filter", lambda: td.search(PRODUCTS, filter=5), K, "filter"),
            ("NUL in a filter", lambda: td.build_list(PRODUCTS, filter="A\x00"), V, "NUL"),
            ("number as a description", lambda: td.build_list(PRODUCTS, description=7), K, "description"),
            ("text as filtered", lambda: td.Dataset(PRODUCTS).set_filter("CODIGO > 1", "no"), K, "filtered"),
            ("number as a title", lambda: td.set_title(3), K, "title"),
            ("bytes as a language", lambda: td.set_locale(b"en"), K, "locale"),
            ("scale below a half", lambda: td.set_extensions(scale=0.25), V, "0.25"),
            ("scale beyond 4", lambda: td.set_extensions(scale=5), V, "5.0"),
            ("negative scale", lambda: td.set_extensions(scale=-1.0), V, "-1.0"),
            ("infinite scale", lambda: td.set_extensions(scale=float("inf")), V, "inf"),
            ("scale of 400 digits", lambda: td.set_extensions(scale=10**400), V, "out of range"),
            ("True as a scale", lambda: td.set_extensions(scale=True), K, "True"),
            ("text as countdown", lambda: td.set_extensions(countdown="yes"), K, "countdown"),
            ("None as backdrop", lambda: td.set_extensions(backdrop=None), K, "backdrop"),
            ("number as the scan field", lambda: td.set_extensions(scan_field=3), K, "scan_field"),
            ("scale as text", lambda: td.set_extensions(scale="2"), K, "scale"),
            ("NaN scale", lambda: td.set_extensions(scale=float("nan")), V, "nan"),
            ("fields beside a Dataset", lambda: td.search(td.Dataset(PRODUCTS), ["NOME"]), K, "fields"),
            ("JSON beyond 256 MiB", lambda: td.Dataset.from_json(b" " * (256 << 20) + b"{}"), V, "256 MiB"),
            ("number as a packet", lambda: td.Dataset.from_packet(5), K, "int"),
            # Values a field cannot carry exactly.
            ("integer beyond 32 bits", data([2**31], "integer"), V, "2147483648"),
            ("largeint beyond 64 bits", data([2**63]), V, "9223372036854775808"),
            ("int a float loses", data([2**53 + 1, 0.5]), V, "9007199254740993"),
            ("NaN", data([float("nan")]), V, "nan"),
            ("infinity", data([float("-inf")], "currency"), V, "inf"),
            ("float of 1e400 digits", data([10**400], "float"), V, "too large"),
            ("currency with five decimals", data([1.23456], "currency"), V, "1.2346"),
            ("currency off by a binary fraction", data([0.1 + 0.2], "currency"), V, "0.30000000000000004"),
            ("currency beyond its limit", data([1e15], "currency"), V, "limit"),
            ("aware date and time", data([DT(2024, 1, 1, tzinfo=datetime.timezone.utc)]), V, "time zone"),
            ("aware time", data([T(12, tzinfo=datetime.timezone.utc)]), V, "time zone"),
            ("microseconds", data([T(1, 2, 3, 456789)]), V, "456789"),
            ("microseconds of a date and time", data([DT(2024, 1, 1, 0, 0, 0, 1)], "datetime"), V, "milliseconds"),
            ("bytes in a string field", data([b"ab"], "string"), K, "b'ab'"),
            ("number in a memo", data([1], "memo"), K, "int"),
            ("bool in an integer field", data([True], "integer"), K, "True"),
            ("1 for True", data([1], "boolean"), K, "boolean"),
            ("date and time in a date field", data([DT(2024, 1, 1)], "date"), K, "datetime"),
            ("date in a date-and-time field", data([D(2024, 1, 1)], "datetime"), K, "is date"),
            ("decimal as a float", data([decimal.Decimal("1.10")], "currency"), K, "Decimal"),
            ("mixed kinds", data([1, "x"]), K, "(string)"),
            ("lone surrogate in a record", data(["\ud800"]), V, "Unicode"),
            ("text beyond its size", data(["Cappuccino"], "string", size=5), V, "5 characters"),
            ("text beyond any size", data(["x" * 1000001]), V, "1000000"),
            ("key that is not text", lambda: td.Dataset([{1: "x"}]), K, "name"),
            ("record of text", lambda: td.Dataset(["ab"], ["A", "B"]), K, "record 1"),
            ("record short of a value", lambda: td.Dataset([(1,)], ["A", "B"]), V, "1 values for 2"),
            ("a dict as the records", lambda: td.Dataset({"A": 1}), K, "dict"),
        ]
        for name, call, kind, said in cases:
            with self.subTest(name):
                self.driver.tdtest_answer(b"close")
                with self.assertRaises(kind) as caught:
                    call()
                self.assertIsInstance(caught.exception, td.Error)
                self.assertIn(said, str(caught.exception))
                self.assertEqual(self.driver.tdtest_answered(), 0, "a dialog opened")

    def test_finding_the_library(self):
        """The module imports without its library and loads it at the first
        call that needs it, by soname or from TOUCHDIALOGS_LIBRARY; else
        OSError says what was tried. python3 -m touchdialogs reports either."""
        loaded = f"library {os.path.realpath(LIBRARY)}\n"
        cases = [
            ("the path given", {}, 0, loaded),
            ("by soname", {"TOUCHDIALOGS_LIBRARY": None, "LD_LIBRARY_PATH": os.path.dirname(LIBRARY)}, 0, loaded),
            ("no such file", {"TOUCHDIALOGS_LIBRARY": "/nonexistent/libTouchDialogs.so.1"}, 1,
             "touchdialogs: cannot load the library that TOUCHDIALOGS_LIBRARY names (/nonexistent/libTouchDialogs.so.1)"),
            ("another library", {"TOUCHDIALOGS_LIBRARY": "libm.so.6"}, 1,
             "touchdialogs: libm.so.6 is not the TouchDialogs library"),
            ("no soname the loader finds", {"TOUCHDIALOGS_LIBRARY": None, "LD_LIBRARY_PATH": None}, 1,
             "touchdialogs: cannot find libTouchDialogs.so.1, the TouchDialogs library"),
        ]
        for name, env, status, said in cases:
            with self.subTest(name):
                if status and env.get("LD_LIBRARY_PATH", "") is None and ctypes.util.find_library("TouchDialogs"):
                    self.skipTest("a TouchDialogs library is installed where the loader finds it")
                environment = {k: v for k, v in dict(os.environ, **env).items() if v is not None}
                run = subprocess.run([sys.executable, "-m", "touchdialogs"], env=environment, capture_output=True,
                                     text=True, timeout=60)
                self.assertEqual(run.returncode, status, run.stderr)
                self.assertTrue(run.stdout.startswith(f"touchdialogs {td.__version__} ("), run.stdout)
                self.assertIn(said, run.stdout if status == 0 else run.stderr)

    def test_in_a_process_of_its_own(self):
        """What hung or crashed a program: each runs in a process of its own,
        bounded in time, and must end with its output and status 0."""
        no_display = {"DISPLAY": None, "WAYLAND_DISPLAY": None, "QT_QPA_PLATFORM": None}
        # A copy keeps the records and the filter, and outlives its original.
        copied = ("d = td.Dataset([{'A': 1, 'B': 'um'}, {'A': 2, 'B': 'dois'}])\nd.set_filter('A < 2')\n"
                  "e = COPY\ndel d\nprint(e.records(), td.search(e)['B'])\n")
        copies = "[{'A': 1, 'B': 'um'}, {'A': 2, 'B': 'dois'}] um\n"
        cases = [
            ("failing init, twice", no_display,
             "for _ in range(2):\n    try:\n        td.init()\n    except td.Error as e:\n        print(str(e).startswith('no display'))\n",
             "True\n" * 2),
            ("copy", {}, copied.replace("COPY", "copy.copy(d)"), copies),
            ("deep copy", {}, copied.replace("COPY", "copy.deepcopy(d)"), copies),
            ("pickled", {}, copied.replace("COPY", "pickle.loads(pickle.dumps(d))"), copies),
            ("ready on a thread, a box on the main one, exit", {},
             "t = threading.Thread(target=td.init)\nt.start()\nt.join()\nkeep = td.Dataset([{'A': 1}])\n"
             "try:\n    td.message('x')\nexcept td.Error as e:\n    print('another thread' in str(e))\n",
             "True\n"),
            ("ready on the main thread, boxes on another", {},
             "td.init()\ndef box():\n    for call in (td.keyboard, td.process_messages, td.init):\n"
             "        try:\n            call()\n"
             "        except td.Error as e:\n            print('MainThread' in str(e))\n"
             "t = threading.Thread(target=box)\nt.start()\nt.join()\n",
             "True\n" * 3),
        ]
        for name, env, program, expected in cases:
            with self.subTest(name):
                environment = dict(os.environ, TDTEST_STEPS="key Return", **env)
                environment = {k: v for k, v in environment.items() if v is not None}
                program = "import copy, ctypes, os, pickle, threading, touchdialogs as td\n" \
                          "ctypes.CDLL(os.environ['TOUCHDIALOGS_TEST_DRIVER'])\n" + program
                run = subprocess.run([sys.executable, "-c", program], env=environment, capture_output=True, text=True,
                                     timeout=60)
                self.assertEqual((run.returncode, run.stdout), (0, expected), run.stderr)

if __name__ == "__main__":
    unittest.main(verbosity=2)
