"""The Python module as a program uses it: each dialog answered by user steps
through the test driver, records in and out, failures as exceptions, and the
README's example run as it stands."""

import ctypes
import datetime
import os
import pathlib
import re
import subprocess
import sys
import unittest

import touchdialogs as td

DRIVER = os.environ["TOUCHDIALOGS_TEST_DRIVER"]
README = pathlib.Path(__file__).resolve().parents[2] / "README.md"

PRODUCTS = [
    {"CODIGO": 1, "NOME": "Café", "PRECO": 4.5, "ATIVO": "S", "DESDE": datetime.date(2020, 1, 31)},
    {"CODIGO": 2, "NOME": "Bolo", "PRECO": 7.0, "ATIVO": "S", "DESDE": None},
    {"CODIGO": 3, "NOME": "Cappuccino", "PRECO": 8.9, "ATIVO": "N", "DESDE": datetime.date(2021, 6, 1)},
]


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
        cases = [
            ("message Yes", ["touch Yes"], lambda: td.message("Fechar a mesa 12?", buttons=("yes", "no")), td.YES),
            ("message closed", ["close"], lambda: td.message("x", type="warning", buttons="ok,cancel"), td.CANCEL),
            ("message extra", ["touch btnExtra"], lambda: td.message("x", extra="Depois"), td.EXTRA),
            ("error box", ["key Return"], lambda: td.error("Sem papel"), None),
            ("server answer", [], lambda: td.check_result("12345", expected_length=5), "12345"),
            ("keyboard", ["touch spdBackSpace", "type 3", "key Return"],
             lambda: td.keyboard("Mesa 12", caption="Pedido"), "Mesa 13"),
            ("keyboard cancelled", ["key Escape"], lambda: td.keyboard("Mesa 12"), ""),
            ("quantity", ["type 12,5", "key Return"], lambda: td.quantity("Chopp"), 12.5),
            ("quantity after the empty-entry box", ["touch sbtEnter", "type 4", "key Return", "--", "key Return"],
             lambda: td.quantity(whole=True), 4.0),
            ("colour", ["touch shpCor10"], td.colour, 255),
            ("colour left", ["touch tcbSair"], td.colour, None),
            ("search", ["type cap", "key Return"], lambda: td.search(PRODUCTS),
             {"CODIGO": 3, "NOME": "Cappuccino", "PRECO": 8.9, "ATIVO": "N", "DESDE": datetime.date(2021, 6, 1)}),
            ("search within the host's filter", ["type c", "key Return"],
             lambda: td.search(PRODUCTS, ("CODIGO", "NOME"), filter="CODIGO <> 1"), {"CODIGO": 3, "NOME": "Cappuccino"}),
            ("search left", ["touch spdSair"], lambda: td.search(PRODUCTS), None),
            ("list", ["touch spbAdicionar", "touch spbAdicionar", "touch spbConfirma"],
             lambda: [r["NOME"] for r in td.build_list(PRODUCTS, description="Combo")], ["Café", "Bolo"]),
            ("list left", ["touch spbAdicionar", "touch spbSair"], lambda: td.build_list(PRODUCTS), []),
        ]
        for name, steps, call, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.answer(steps, call), expected)

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
        self.assertEqual((chosen["NOME"], chosen.navigation), ("Bolo", 3))

    def test_dataset_round_trip(self):
        data = td.Dataset(PRODUCTS)
        self.assertEqual(td.Dataset.from_packet(data.packet()).records(), PRODUCTS)
        self.assertEqual(td.Dataset.from_json(data.json()).records(), PRODUCTS)
        big = td.Dataset([{"N": 2**62 + 1, "T": datetime.datetime(2024, 3, 31, 1, 30)}])
        self.assertEqual([f["type"] for f in big.fields()], ["largeint", "datetime"])
        self.assertEqual(big.record(), {"N": 2**62 + 1, "T": datetime.datetime(2024, 3, 31, 1, 30)})

    def test_errors(self):
        cases = [
            ("unknown button", lambda: td.message("x", buttons=("yes", "maybe")), "maybe"),
            ("unknown kind", lambda: td.message("x", type="question"), "question"),
            ("one visible field", lambda: td.search([{"NOME": "x"}]), "visible"),
            ("bad filter", lambda: td.search(PRODUCTS, filter="NOME ="), "NOME ="),
            ("records without fields", lambda: td.build_list([(1, "x")]), "fields"),
            ("bad packet", lambda: td.Dataset.from_packet(b"not a packet"), "packet"),
            ("language after the first dialog", lambda: td.set_locale("en"), "td_init"),
        ]
        for name, call, said in cases:
            with self.subTest(name):
                self.driver.tdtest_answer(b"close")
                with self.assertRaises(td.Error) as caught:
                    call()
                self.assertIn(said, str(caught.exception))
                self.assertEqual(self.driver.tdtest_answered(), 0, "a dialog opened")

    def test_readme_example(self):
        example = re.search(r"```python\n(.*?)```", README.read_text(encoding="utf-8"), re.S)
        self.assertIsNotNone(example, "README has no Python example")
        program = "import ctypes, os\nctypes.CDLL(os.environ['TOUCHDIALOGS_TEST_DRIVER'])\n" + example.group(1)
        env = dict(os.environ, TDTEST_STEPS="touch Yes|--|type ch|key Return")
        run = subprocess.run([sys.executable, "-c", program], env=env, capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "closing table 12\nchosen: Chá\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
