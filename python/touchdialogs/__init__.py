"""Touch-screen dialogs for point-of-sale programs, from Python.

    import touchdialogs

    if touchdialogs.message("Fechar a mesa 12?", buttons=("yes", "no")) == touchdialogs.YES:
        close_table(12)
    product = touchdialogs.search([{"CODIGO": 1, "NOME": "Café"}, {"CODIGO": 2, "NOME": "Chá"}])

A thin layer, with ctypes only, over the C interface of libTouchDialogs
(TouchDialogs/touchdialogs.h). The library is found by its soname
(libTouchDialogs.so.1), or at the path in the TOUCHDIALOGS_LIBRARY environment
variable. The first dialog makes the Qt application when the program has none;
run without a display with QT_QPA_PLATFORM=offscreen.

Records go in as dicts (or sequences, with fields), and come back as dicts;
a field is a name or a dict in the JSON form of the library
({"name": "NOME", "type": "string", "size": 40, "label": "Nome", "visible": True}).
A field without a type takes it from its values: bool, int, float, str,
datetime.date, datetime.time and datetime.datetime; values of those types come
back as they went in.

Failures raise Error with the library's text. The silent abort raises
Aborted: the operation was cancelled and needs no message.
"""

import atexit
import builtins
import ctypes
import datetime
import json
import os
import threading
from collections.abc import Mapping

__all__ = [
    "Error", "Aborted", "Dataset", "Record",
    "init", "set_title", "set_extensions", "process_messages",
    "message", "error", "check_result", "keyboard", "quantity", "colour", "search", "build_list",
    "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO", "ALL", "NO_TO_ALL", "YES_TO_ALL", "EXTRA",
]

# Modal results: the button that ended a message box (CANCEL also when it was
# closed without one).
OK, CANCEL, ABORT, RETRY, IGNORE, YES, NO, ALL, NO_TO_ALL, YES_TO_ALL = range(1, 11)
EXTRA = 100

_OK, _ABORT, _ERROR = 0, 1, 2


class Error(Exception):
    """A dialog or a dataset failed; the text says why."""


class Aborted(Exception):
    """The silent abort: the operation was cancelled; show nothing."""


class Record(dict):
    """The chosen record of a search; navigation says how the search ended:
    1 Enter or a double touch, 2 the right navigation key, 3 the left one."""

    navigation = 1


_lock = threading.Lock()
_lib = None
_ready = False


def _library():
    global _lib
    with _lock:
        if _lib is None:
            lib = ctypes.CDLL(os.environ.get("TOUCHDIALOGS_LIBRARY") or "libTouchDialogs.so.1")
            c_int, c_uint, c_char_p, c_void_p = ctypes.c_int, ctypes.c_uint, ctypes.c_char_p, ctypes.c_void_p
            out_str = ctypes.POINTER(c_void_p)
            signatures = {
                "td_init": [],
                "td_set_title": [c_char_p],
                "td_set_locale": [c_char_p],
                "td_set_extensions": [ctypes.c_double, c_int, c_int, c_char_p],
                "td_message_type": [c_char_p, ctypes.POINTER(c_int)],
                "td_message_buttons": [c_char_p, ctypes.POINTER(c_uint)],
                "td_message_dlg": [c_char_p, c_int, c_uint, c_int, c_char_p, ctypes.POINTER(c_int)],
                "td_message": [c_char_p, c_int, c_uint, c_int, c_char_p],
                "td_message_error": [c_char_p, c_int],
                "td_message_check_result": [c_char_p, c_int, c_int],
                "td_keyboard": [c_char_p, c_char_p, out_str],
                "td_quantity": [c_char_p, c_int, c_int, ctypes.POINTER(ctypes.c_double)],
                "td_colour": [out_str],
                "td_dataset_from_json": [c_char_p, ctypes.c_ssize_t, ctypes.POINTER(c_void_p)],
                "td_dataset_from_packet": [c_char_p, ctypes.c_size_t, ctypes.POINTER(c_void_p)],
                "td_dataset_json": [c_void_p, out_str, ctypes.POINTER(ctypes.c_size_t)],
                "td_dataset_packet": [c_void_p, out_str, ctypes.POINTER(ctypes.c_size_t)],
                "td_dataset_record": [c_void_p, out_str],
                "td_dataset_set_filter": [c_void_p, c_char_p, c_int],
                "td_search": [c_void_p, c_int, c_char_p, c_int, ctypes.POINTER(c_int), ctypes.POINTER(c_int)],
                "td_list": [c_void_p, c_char_p, ctypes.POINTER(c_void_p)],
            }
            for name, args in signatures.items():
                f = getattr(lib, name)
                f.argtypes, f.restype = args, c_int
            lib.td_last_error.argtypes, lib.td_last_error.restype = [], c_char_p
            lib.td_finish.argtypes, lib.td_finish.restype = [], None
            lib.td_process_messages.argtypes, lib.td_process_messages.restype = [], None
            lib.td_free.argtypes, lib.td_free.restype = [c_void_p], None
            lib.td_dataset_free.argtypes, lib.td_dataset_free.restype = [c_void_p], None
            _lib = lib
    return _lib


def _check(status):
    if status == _ABORT:
        raise Aborted()
    if status != _OK:
        raise Error(_library().td_last_error().decode("utf-8", "replace"))


def _utf8(text):
    return None if text is None else str(text).encode("utf-8")


def _take(pointer, size=None):
    """The library's string or buffer as bytes; freed."""
    try:
        return ctypes.string_at(pointer, size) if size is not None else ctypes.string_at(pointer)
    finally:
        _library().td_free(pointer)


def init():
    """Makes the library ready (the first dialog does it too): Error when
    there is no display."""
    global _ready
    lib = _library()
    with _lock:
        if not _ready:
            _check(lib.td_init())
            _ready = True
            atexit.register(lib.td_finish)
    return lib


def set_locale(name):
    """The language of the texts ("en", "pt_BR") and the locale of numbers
    and dates; before the first dialog (or init), where the texts are chosen."""
    _check(_library().td_set_locale(_utf8(name)))


def set_title(title):
    """The application title, shown in the dialogs' window titles."""
    _check(_library().td_set_title(_utf8(title)))


def set_extensions(scale=1.0, countdown=False, ignore_accents=False, scan_field=""):
    """The opt-in extensions, all off by default: scale (0 fits the screen),
    the visible countdown of a timed answer, accent-insensitive search, and
    the field a barcode scanner's burst of keys is looked up in."""
    _check(_library().td_set_extensions(float(scale), bool(countdown), bool(ignore_accents), _utf8(scan_field)))


def process_messages():
    """Handles the window events that are waiting: a program without an event
    loop of its own calls it so that a box shown with wait=False answers."""
    init().td_process_messages()


# ------------------------------------------------------------------ message box

def message(text, type="information", buttons=("ok",), seconds=0, extra="", wait=True):
    """Shows a message box; returns the modal result of the button that ended
    it (YES, NO, OK, CANCEL, ..., EXTRA for the extra button). type is
    warning, error, information, confirmation or custom; buttons are named
    yes, no, ok, cancel, abort, retry, ignore, all, notoall, yestoall, help
    (a sequence, or one comma-separated text); seconds > 0 presses the
    default button after that many seconds. wait=False shows the box and
    returns None at once: it stays open while the program handles events."""
    lib = init()
    kind, bits = ctypes.c_int(), ctypes.c_uint()
    _check(lib.td_message_type(_utf8(type), ctypes.byref(kind)))
    names = buttons if isinstance(buttons, str) else ",".join(buttons)
    _check(lib.td_message_buttons(_utf8(names), ctypes.byref(bits)))
    if not wait:
        _check(lib.td_message(_utf8(text), kind, bits, int(seconds), _utf8(extra)))
        return None
    result = ctypes.c_int()
    _check(lib.td_message_dlg(_utf8(text), kind, bits, int(seconds), _utf8(extra), ctypes.byref(result)))
    return result.value


def error(text, abort=False):
    """An error box with OK; then Aborted when abort is set."""
    _check(init().td_message_error(_utf8(text), bool(abort)))


def check_result(answer, show_error=True, expected_length=0):
    """A server's answer: a text of another length than expected_length is an
    error text; when show_error is set and it is not blank it is shown in an
    error box and Aborted follows. Otherwise the answer comes back."""
    text = answer if isinstance(answer, str) else None
    _check(init().td_message_check_result(_utf8(text), bool(show_error), int(expected_length)))
    return answer


# --------------------------------------------------------- text, number, colour

def keyboard(text="", caption=""):
    """One line of text on the on-screen keyboard, starting from text: the
    confirmed text, "@" when confirmed blank, "" when cancelled."""
    result = ctypes.c_void_p()
    _check(init().td_keyboard(_utf8(text), _utf8(caption), ctypes.byref(result)))
    return _take(result).decode("utf-8")


def quantity(caption="Quantidade", whole=False, digits=0):
    """A quantity on the keypad (whole numbers only when whole; at most digits
    characters, 0 for no limit): the number, 0.0 when cancelled."""
    result = ctypes.c_double()
    _check(init().td_quantity(_utf8(caption), bool(whole), int(digits), ctypes.byref(result)))
    return result.value


def colour():
    """The colour chooser: the touched colour as its 0x00BBGGRR value, None
    when the user left without one."""
    result = ctypes.c_void_p()
    _check(init().td_colour(ctypes.byref(result)))
    text = _take(result).decode("ascii")
    return None if text == "X" else int(text)


# --------------------------------------------------------------------- datasets

_INT32 = range(-2**31, 2**31)


def _guess_type(values):
    kinds = {builtins.type(v) for v in values if v is not None}
    if not kinds:
        return "string"
    if kinds == {bool}:
        return "boolean"
    if kinds == {int}:
        return "integer" if all(v in _INT32 for v in values if v is not None) else "largeint"
    if kinds <= {int, float}:
        return "float"
    for kind, name in ((datetime.datetime, "datetime"), (datetime.date, "date"), (datetime.time, "time")):
        if kinds == {kind}:
            return name
    return "string"


def _to_json(value):
    if isinstance(value, datetime.datetime):
        return value.replace(tzinfo=None).isoformat(timespec="seconds")
    if isinstance(value, datetime.time):
        return value.replace(tzinfo=None).isoformat(timespec="seconds")
    if isinstance(value, datetime.date):
        return value.isoformat()
    return value


_FROM_JSON = {
    "date": datetime.date.fromisoformat,
    "time": datetime.time.fromisoformat,
    "datetime": datetime.datetime.fromisoformat,
    "largeint": int,
}


class Dataset:
    """Records in the library: built from Python records, a JSON packet or a
    binary data packet; read back as records, JSON or packet bytes. A search
    on it leaves the chosen record current and the search's filter in force."""

    def __init__(self, records=(), fields=None, *, _handle=None, _fields=None):
        if _handle is None:
            columns, rows = self._packet(records, fields)
            _handle = self._load(json.dumps({"fields": columns, "records": rows}))
            _fields = columns
        self._handle = _handle
        self._fields = _fields

    @staticmethod
    def _packet(records, fields):
        records = builtins.list(records)
        if fields is None:
            if not records or not isinstance(records[0], Mapping):
                raise Error("without records as dicts, fields must name the fields")
            fields = builtins.list(records[0].keys())
        columns = [dict(f) if isinstance(f, Mapping) else {"name": str(f)} for f in fields]
        names = [s.get("name") for s in columns]
        rows = [[r.get(n) for n in names] if isinstance(r, Mapping) else builtins.list(r) for r in records]
        for i, column in enumerate(columns):
            if "type" not in column:
                column["type"] = _guess_type([row[i] for row in rows if i < len(row)])
        # A JSON number beyond 2^53 may lose digits on the way: such go as text.
        wide = [column["type"] == "largeint" for column in columns]
        return columns, [[str(v) if i < len(wide) and wide[i] and isinstance(v, int) and abs(v) > 2**53
                        else _to_json(v) for i, v in enumerate(row)] for row in rows]

    @staticmethod
    def _load(text):
        handle = ctypes.c_void_p()
        data = text.encode("utf-8")
        _check(_library().td_dataset_from_json(data, len(data), ctypes.byref(handle)))
        return handle

    @classmethod
    def from_json(cls, text):
        """A dataset from the JSON form {"fields": [...], "records": [[...], ...]}."""
        text = text.decode("utf-8") if isinstance(text, bytes) else text
        return cls(_handle=cls._load(text))

    @classmethod
    def from_packet(cls, packet):
        """A dataset from a binary data packet (packet() of another)."""
        handle = ctypes.c_void_p()
        packet = bytes(packet)
        _check(_library().td_dataset_from_packet(packet, len(packet), ctypes.byref(handle)))
        return cls(_handle=handle)

    def __del__(self):
        if getattr(self, "_handle", None) and _lib is not None:
            _lib.td_dataset_free(self._handle)
            self._handle = None

    def json(self):
        """The whole dataset in the JSON form, as text."""
        text, size = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_library().td_dataset_json(self._handle, ctypes.byref(text), ctypes.byref(size)))
        return _take(text, size.value).decode("utf-8")

    def packet(self):
        """The binary data packet (an SQLite database image), as bytes."""
        data, size = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_library().td_dataset_packet(self._handle, ctypes.byref(data), ctypes.byref(size)))
        return _take(data, size.value)

    def fields(self):
        """The fields, as dicts in the JSON form."""
        if self._fields is None:
            self._fields = json.loads(self.json())["fields"]
        return self._fields

    def _record(self, values):
        types = {f["name"]: f.get("type") for f in self.fields()}
        return {k: v if v is None or types.get(k) not in _FROM_JSON else _FROM_JSON[types[k]](v)
                for k, v in values.items()}

    def records(self):
        """Every record, in natural order, as dicts."""
        packet = json.loads(self.json())
        names = [f["name"] for f in packet["fields"]]
        return [self._record(dict(zip(names, row))) for row in packet["records"]]

    def record(self):
        """The current record as a dict; None when there is none."""
        text = ctypes.c_void_p()
        _check(_library().td_dataset_record(self._handle, ctypes.byref(text)))
        values = json.loads(_take(text).decode("utf-8"))
        return None if values is None else self._record(values)

    def set_filter(self, expression, filtered=True):
        """The host's filter, an SQLite expression over the field names
        ("ATIVO = 'S'"), put in force unless filtered is False."""
        _check(_library().td_dataset_set_filter(self._handle, _utf8(expression), bool(filtered)))


def _dataset(records, fields, filter):
    data = records if isinstance(records, Dataset) else Dataset(records, fields)
    if filter is not None:
        data.set_filter(filter)
    return data


def search(records, fields=None, *, filter=None, drop_filter=False, observation="", navigator=False):
    """Lets the user find and pick one of the records (a Dataset, or records
    with fields as for Dataset), ordered by the second visible field and
    narrowed as the user types. Returns the picked record as a Record (a
    dict), or None. filter is the host's filter (an SQLite expression),
    drop_filter searches without it; observation is shown above the search
    box; navigator offers the two navigation keys."""
    lib = init()
    data = _dataset(records, fields, filter)
    picked, navigation = ctypes.c_int(), ctypes.c_int()
    _check(lib.td_search(data._handle, bool(drop_filter), _utf8(observation), bool(navigator),
                         ctypes.byref(picked), ctypes.byref(navigation)))
    if not picked.value:
        return None
    record = Record(data.record() or {})
    record.navigation = navigation.value
    return record


def build_list(records, fields=None, *, filter=None, description=""):
    """Lets the user build a list from the records (a Dataset, or records with
    fields as for Dataset) under the text description. Returns the chosen
    records as dicts in list order; [] when the user left."""
    lib = init()
    data = _dataset(records, fields, filter)
    handle = ctypes.c_void_p()
    _check(lib.td_list(data._handle, _utf8(description), ctypes.byref(handle)))
    return Dataset(_handle=handle, _fields=data.fields()).records()
