"""Touch-screen dialogs for point-of-sale programs, from Python.

    import touchdialogs

    if touchdialogs.message("Fechar a mesa 12?", buttons=("yes", "no")) == touchdialogs.YES:
        close_table(12)
    product = touchdialogs.search([{"CODIGO": 1, "NOME": "Café"}, {"CODIGO": 2, "NOME": "Chá"}])

A thin layer, with ctypes only, over the C interface of libTouchDialogs
(TouchDialogs/touchdialogs.h). The library is found by its soname
(libTouchDialogs.so.1), or at the path in the TOUCHDIALOGS_LIBRARY environment
variable (OSError when it cannot be loaded). The first dialog makes the Qt
application when the program has none; run without a display with
QT_QPA_PLATFORM=offscreen.

Threads. The dialogs are windows of one thread: the one that called init()
(the first dialog calls it), and they stay bound to it. From then on init(),
every dialog and process_messages() called on another thread raise Error
before anything is shown. Datasets are not windows: a Dataset may be built,
read and filtered on any thread, by one thread at a time; but the first one
made in the process binds Qt to its thread, and init() must then run there
too (Error otherwise): make datasets after init(), or on its thread. At exit
the library is finished only when the exit runs on the thread that
initialised it (the main thread, usually); otherwise the process ends without
finishing it, as the windows could only be torn down on their own thread.

Initialisation. init() initialises once per process and later calls on the
same thread do nothing; an init that failed (no display) raises Error and may
be tried again. set_locale() works only before it.

Text. Every text argument is a str (None stands for ""); bytes or other
objects raise TypeError, a NUL character (which would end the C string) or
text that is not valid Unicode (lone surrogates) raises ValueError. Whole
number arguments (seconds, digits, expected_length) are ints that fit a C
int (seconds and digits from 0), else TypeError or ValueError: none is ever
cut to fit.

Records go in as dicts (or sequences, with fields) and come back as dicts. A
field is a name or a dict in the JSON form of the library
({"name": "NOME", "type": "string", "size": 40, "label": "Nome", "visible": True});
names are str. Without fields, the fields are the keys of all the records, in
the order they are first seen: a key a record lacks is None there, and comes
back as None. With fields, the fields are those: they pick what a record
holds, and its other keys are left out. A field without a type takes it from
its values:

    Python value                   type      comes back as
    bool                           boolean   bool
    int from -2**31 to 2**31-1     integer   int
    other int, -2**63 to 2**63-1   largeint  int (beyond 2**53 the library
                                             carries it as text: no digit lost)
    float, or floats and ints      float     float (ints as the equal float)
    str                            string    str (NUL and any character kept)
    datetime.date                  date      datetime.date
    datetime.time                  time      datetime.time
    datetime.datetime              datetime  datetime.datetime
    None                           any       None
    declared only                  currency  float
    declared only                  memo      str

Every value comes back equal and of that type, or the call raises TypeError
or ValueError naming the record, the field and the value:
  - a value of another kind than its field's (bytes or a number for text, an
    int for a boolean, a datetime for a date, a Decimal, True for 1);
  - an int out of its field's range, or one a float field cannot hold exactly
    (2**53 + 1);
  - NaN and the infinities;
  - a currency value that is not exactly a number of four decimals as the
    library stores it (round(x, 4) is one), or beyond +-922337203685477;
  - a time or datetime with a time zone (the library's have none: convert to
    the wall clock first), or with microseconds that are not whole
    milliseconds (the library keeps milliseconds);
  - text longer than its string field's size (in UTF-16 units; 1 000 000
    without one), or not valid Unicode.
The one value that comes back other than it went is -0.0 in a float or
currency field: 0.0, equal to it (the library keeps no sign of zero).

Sizes. The library refuses JSON text and data packets beyond 256 MiB, more
than 500 fields and names beyond 128 characters (Error); from_json and
from_packet raise ValueError before handing it a bigger text or packet.

Exceptions. Error: the library refused or failed, with its text, or a dialog
was called on the wrong thread. The ValueError and TypeError above are Error
too, so a program that catches Error catches them. Aborted: the silent abort,
the operation was cancelled and needs no message. OSError: the library could
not be loaded.

Copies. copy.copy, copy.deepcopy and pickle make a new dataset in the
library (through the data packet); see Dataset.
"""

import atexit
import builtins
import ctypes
import datetime
import json
import math
import operator
import os
import reprlib
import threading
from collections.abc import Mapping

__all__ = [
    "Error", "Aborted", "Dataset", "Record",
    "init", "set_title", "set_locale", "set_extensions", "process_messages",
    "message", "error", "check_result", "keyboard", "quantity", "colour", "search", "build_list",
    "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO", "ALL", "NO_TO_ALL", "YES_TO_ALL", "EXTRA",
]

# Modal results: the button that ended a message box (CANCEL also when it was
# closed without one).
OK, CANCEL, ABORT, RETRY, IGNORE, YES, NO, ALL, NO_TO_ALL, YES_TO_ALL = range(1, 11)
EXTRA = 100

_OK, _ABORT, _ERROR = 0, 1, 2

_INT_MIN, _INT_MAX = -2**31, 2**31 - 1
_MAX_BYTES = 256 << 20  # the library's bound on JSON text and packets


class Error(Exception):
    """A dialog or a dataset failed; the text says why."""


class Aborted(Exception):
    """The silent abort: the operation was cancelled; show nothing."""


class _BadValue(Error, ValueError):
    """A value the library cannot carry exactly."""


class _BadType(Error, TypeError):
    """A value of a kind the library cannot take there."""


class Record(dict):
    """The chosen record of a search; navigation says how the search ended:
    1 Enter or a double touch, 2 the right navigation key, 3 the left one."""

    navigation = 1


_short = reprlib.Repr()
_short.maxstring = _short.maxother = 60

_load_lock = threading.Lock()
_init_lock = threading.Lock()
_lib = None
_init_thread = None  # the thread whose td_init succeeded


def _library():
    global _lib
    if _lib is not None:
        return _lib
    with _load_lock:
        if _lib is None:
            lib = ctypes.CDLL(os.environ.get("TOUCHDIALOGS_LIBRARY") or "libTouchDialogs.so.1")
            c_int, c_uint, c_char_p, c_void_p = ctypes.c_int, ctypes.c_uint, ctypes.c_char_p, ctypes.c_void_p
            out_str = ctypes.POINTER(c_void_p)
            signatures = {
                "td_init": [],
                "td_set_title": [c_char_p],
                "td_set_locale": [c_char_p],
                "td_set_extensions": [ctypes.c_double, c_int, c_int, c_char_p],
                "td_set_backdrop": [c_int],
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
                "td_dataset_state": [c_void_p, out_str, ctypes.POINTER(c_int), out_str],
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
    # Only called with a status the loaded library returned: no lock here,
    # so that a caller holding one cannot wait on itself.
    if status == _OK:
        return
    if status == _ABORT:
        raise Aborted()
    raise Error(_lib.td_last_error().decode("utf-8", "replace"))


def _text(what, value):
    """A text argument as NUL-terminated UTF-8; None stays NULL ("")."""
    if value is None:
        return None
    if not isinstance(value, str):
        raise _BadType(f"{what} must be text (str), not {builtins.type(value).__name__} {_short.repr(value)}")
    if "\0" in value:
        raise _BadValue(f"{what} {_short.repr(value)} holds a NUL character, which would end the text")
    try:
        return value.encode("utf-8")
    except UnicodeEncodeError as e:
        raise _BadValue(f"{what} {_short.repr(value)} is not valid Unicode text ({e.reason})") from None


def _c_int(what, value, low=_INT_MIN, high=_INT_MAX):
    """A whole-number argument that fits a C int unchanged."""
    if isinstance(value, bool):
        raise _BadType(f"{what} wants a whole number, not {value!r}")
    try:
        number = operator.index(value)
    except TypeError:
        raise _BadType(f"{what} wants a whole number (int), not {builtins.type(value).__name__} "
                       f"{_short.repr(value)}") from None
    if not low <= number <= high:
        raise _BadValue(f"{what} {number} is out of range (from {low} to {high})")
    return number


def _take(pointer, size=None):
    """The library's string or buffer as bytes; freed."""
    try:
        return ctypes.string_at(pointer, size) if size is not None else ctypes.string_at(pointer)
    finally:
        _lib.td_free(pointer)


def _finish():
    # td_finish tears down windows that belong to the thread that made them;
    # from any other thread it could not work, and the process ends anyway.
    if _init_thread is threading.current_thread():
        _lib.td_finish()


def init():
    """Makes the library ready (the first dialog does it too) and binds it to
    the calling thread: Error when there is no display, or when it was made
    ready on another thread. Later calls on the same thread do nothing."""
    global _init_thread
    lib = _library()
    with _init_lock:
        if _init_thread is None:
            _check(lib.td_init())
            _init_thread = threading.current_thread()
            atexit.register(_finish)
        elif _init_thread is not threading.current_thread():
            raise Error(f"called from another thread ({threading.current_thread().name}) than the one "
                        f"that initialised touchdialogs ({_init_thread.name}), whose windows the dialogs are")
    return lib


def set_locale(name):
    """The language of the texts ("en", "pt_BR") and the locale of numbers
    and dates; before the first dialog (or init), where the texts are chosen."""
    _check(_library().td_set_locale(_text("locale", name)))


def set_title(title):
    """The application title, shown in the dialogs' window titles."""
    _check(_library().td_set_title(_text("title", title)))


def set_extensions(scale=1.0, countdown=False, ignore_accents=False, scan_field="", backdrop=False):
    """The opt-in extensions, all off by default: scale (0 fits the screen),
    the visible countdown of a timed answer, accent-insensitive search, the
    field a barcode scanner's burst of keys is looked up in, and a dimmed
    full-screen backdrop that centres a dialog with no host window under it
    (for compositors that place windows themselves)."""
    if isinstance(scale, bool) or not isinstance(scale, (int, float)):
        raise _BadType(f"scale wants a number, not {_short.repr(scale)}")
    try:
        factor = float(scale)
    except OverflowError:
        raise _BadValue(f"scale {_short.repr(scale)} is out of range") from None
    _check(_library().td_set_extensions(factor, bool(countdown), bool(ignore_accents), _text("scan_field", scan_field)))
    _check(_library().td_set_backdrop(bool(backdrop)))


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
    default button after that many seconds (a whole number up to 2**31-1).
    wait=False shows the box and returns None at once: it stays open while
    the program handles events."""
    # Arguments are checked before the library is touched: a bad one shows nothing.
    text, type, extra = _text("text", text), _text("type", type), _text("extra", extra)
    seconds = _c_int("seconds", seconds, low=0)
    if isinstance(buttons, str):
        names = buttons
    else:
        if isinstance(buttons, (bytes, bytearray)):
            raise _BadType(f"buttons wants names (str), not {_short.repr(buttons)}")
        names = builtins.list(buttons)
        for name in names:
            _text("button name", name)
            if "," in name:
                raise _BadValue(f"button name {name!r} holds a comma, which separates the names")
        names = ",".join(names)
    names = _text("buttons", names)
    lib = init()
    kind, bits = ctypes.c_int(), ctypes.c_uint()
    _check(lib.td_message_type(type, ctypes.byref(kind)))
    _check(lib.td_message_buttons(names, ctypes.byref(bits)))
    if not wait:
        _check(lib.td_message(text, kind, bits, seconds, extra))
        return None
    result = ctypes.c_int()
    _check(lib.td_message_dlg(text, kind, bits, seconds, extra, ctypes.byref(result)))
    return result.value


def error(text, abort=False):
    """An error box with OK; then Aborted when abort is set."""
    text = _text("text", text)
    _check(init().td_message_error(text, bool(abort)))


def check_result(answer, show_error=True, expected_length=0):
    """A server's answer: a text of another length than expected_length is an
    error text; when show_error is set and it is not blank it is shown in an
    error box and Aborted follows. Otherwise the answer comes back. An answer
    that is not a str (None, a number) is no text at all; bytes raise
    TypeError: decode them first."""
    if isinstance(answer, (bytes, bytearray, memoryview)):
        raise _BadType(f"answer wants text (str); decode {_short.repr(answer)} first")
    text = _text("answer", answer) if isinstance(answer, str) else None
    expected_length = _c_int("expected_length", expected_length)
    _check(init().td_message_check_result(text, bool(show_error), expected_length))
    return answer


# --------------------------------------------------------- text, number, colour

def keyboard(text="", caption=""):
    """One line of text on the on-screen keyboard, starting from text: the
    confirmed text, "@" when confirmed blank, "" when cancelled."""
    text, caption = _text("text", text), _text("caption", caption)
    result = ctypes.c_void_p()
    _check(init().td_keyboard(text, caption, ctypes.byref(result)))
    return _take(result).decode("utf-8")


def quantity(caption="Quantidade", whole=False, digits=0):
    """A quantity on the keypad (whole numbers only when whole; at most digits
    characters, 0 for no limit, up to 2**31-1): the number, 0.0 when
    cancelled."""
    caption, digits = _text("caption", caption), _c_int("digits", digits, low=0)
    result = ctypes.c_double()
    _check(init().td_quantity(caption, bool(whole), digits, ctypes.byref(result)))
    return result.value


def colour():
    """The colour chooser: the touched colour as its 0x00BBGGRR value, None
    when the user left without one."""
    result = ctypes.c_void_p()
    _check(init().td_colour(ctypes.byref(result)))
    text = _take(result).decode("ascii")
    return None if text == "X" else int(text)


# --------------------------------------------------------------------- datasets

_INT64_MAX = 2**63 - 1
_CURRENCY_LIMIT = 922337203685477.0
_MAX_FIELD_SIZE = 1000000


def _guess_type(values):
    kinds = {builtins.type(v) for v in values if v is not None}
    if not kinds:
        return "string"
    if kinds == {bool}:
        return "boolean"
    if kinds == {int}:
        return "integer" if all(_INT_MIN <= v <= _INT_MAX for v in values if v is not None) else "largeint"
    if kinds <= {int, float}:
        return "float"
    for kind, name in ((datetime.datetime, "datetime"), (datetime.date, "date"), (datetime.time, "time")):
        if kinds == {kind}:
            return name
    return "string"


def _kind(value):
    return builtins.type(value).__name__


def _number(value, what):
    """An int or float as the float the library stores, or why not."""
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"is {_kind(value)}, not {what}")
    try:
        number = float(value)
    except OverflowError:
        raise ValueError("is too large for a float") from None
    if not math.isfinite(number):
        raise ValueError("is not a finite number")
    if isinstance(value, int) and number != value:
        raise ValueError(f"cannot be held exactly as a float (it would be {number!r})")
    return number


def _whole(low, high):
    def encode(value, column):
        if isinstance(value, bool) or not isinstance(value, int):
            raise TypeError(f"is {_kind(value)}, not a whole number (int)")
        if not low <= value <= high:
            raise ValueError(f"is out of the field's range (from {low} to {high})")
        # A JSON number beyond 2^53 may lose digits on the way: such go as text.
        return str(int(value)) if abs(value) > 2**53 else int(value)
    return encode


def _float(value, column):
    return _number(value, "a number (float)")


def _currency(value, column):
    number = _number(value, "a number (float)")
    if abs(number) > _CURRENCY_LIMIT:
        raise ValueError(f"is beyond the currency limit of {_CURRENCY_LIMIT:.0f}")
    # The library stores round(x * 10000) / 10000: anything else would change.
    if round(number * 10000.0) / 10000.0 != number:
        raise ValueError(f"has more than four decimals (round(x, 4) gives {round(number, 4)!r})")
    return number


def _boolean(value, column):
    if not isinstance(value, bool):
        raise TypeError(f"is {_kind(value)}, not True or False")
    return value


def _string(value, column):
    if not isinstance(value, str):
        raise TypeError(f"is {_kind(value)}, not text (str)")
    try:
        units = len(value.encode("utf-16-le")) // 2
    except UnicodeEncodeError as e:
        raise ValueError(f"is not valid Unicode text ({e.reason})") from None
    if column["type"] == "string":
        size = column.get("size")
        limit = size if isinstance(size, int) and not isinstance(size, bool) and size > 0 else _MAX_FIELD_SIZE
        if units > limit:
            raise ValueError(f"is longer than the field's {limit} characters")
    return value


def _clock(value):
    if value.tzinfo is not None:
        raise ValueError("has a time zone; the library's times have none (convert to the wall clock)")
    if value.microsecond % 1000:
        raise ValueError("has microseconds; the library keeps whole milliseconds")
    return "milliseconds" if value.microsecond else "seconds"


def _date(value, column):
    if not isinstance(value, datetime.date) or isinstance(value, datetime.datetime):
        raise TypeError(f"is {_kind(value)}, not a datetime.date")
    return value.isoformat()


def _time(value, column):
    if not isinstance(value, datetime.time):
        raise TypeError(f"is {_kind(value)}, not a datetime.time")
    return value.isoformat(timespec=_clock(value))


def _datetime(value, column):
    if not isinstance(value, datetime.datetime):
        raise TypeError(f"is {_kind(value)}, not a datetime.datetime")
    return value.isoformat(timespec=_clock(value))


_TO_JSON = {
    "string": _string, "memo": _string, "integer": _whole(_INT_MIN, _INT_MAX),
    "largeint": _whole(-_INT64_MAX - 1, _INT64_MAX), "float": _float, "currency": _currency,
    "boolean": _boolean, "date": _date, "time": _time, "datetime": _datetime,
}


# How a JSON value of each type comes back; the others (integer, boolean,
# string, memo) are as JSON reads them. A JSON int is exact; a float field
# reads an integral value as an int, which float() gives back exactly.
_FROM_JSON = {
    "largeint": int, "float": float, "currency": float,  # largeint beyond 2^53 comes as text
    "date": datetime.date.fromisoformat, "time": datetime.time.fromisoformat,
    "datetime": datetime.datetime.fromisoformat,
}


def _decoders(fields):
    return [(f["name"], _FROM_JSON.get(f.get("type"))) for f in fields]


def _decode(values, decoders):
    return {name: value if value is None or convert is None else convert(value)
            for (name, convert), value in zip(decoders, values)}


def _name(field):
    if isinstance(field, Mapping):
        name = field.get("name")
    else:
        name = field
    if not isinstance(name, str):
        raise _BadType(f"a field's name must be text (str), not {_short.repr(name)}")
    return name


class Dataset:
    """Records in the library: built from Python records, a JSON packet or a
    binary data packet; read back as records, JSON or packet bytes. A search
    on it leaves the chosen record current and the search's filter in force.

    copy.copy, copy.deepcopy and pickle make a new dataset in the library
    with the same fields, records and filter (through the data packet); the
    order and the current record a search left are not copied."""

    def __init__(self, records=(), fields=None, *, _handle=None, _fields=None):
        if _handle is None:
            columns, rows = self._packet(records, fields)
            text = json.dumps({"fields": columns, "records": rows}, ensure_ascii=False, allow_nan=False)
            try:
                data = text.encode("utf-8")
            except UnicodeEncodeError as e:  # the values are checked: a name or a label
                raise _BadValue(f"the fields hold text that is not valid Unicode ({e.reason})") from None
            _handle = self._load(data)
            _fields = columns
        self._handle = _handle
        self._types = None if _fields is None else {f["name"]: f.get("type") for f in _fields}
        self._fields = None

    @staticmethod
    def _packet(records, fields):
        if isinstance(records, (str, bytes, bytearray, Mapping)):
            raise _BadType(f"records wants a sequence of records, not {_kind(records)}")
        records = builtins.list(records)
        if fields is None:
            if not records or not all(isinstance(r, Mapping) for r in records):
                raise Error("without records as dicts, fields must name the fields")
            # Every key of every record, in the order they are first seen.
            names = builtins.list(dict.fromkeys(k for r in records for k in r))
            columns = [{"name": _name(n)} for n in names]
        else:
            if isinstance(fields, (str, bytes, Mapping)):
                raise _BadType(f"fields wants a sequence of names or field dicts, not {_kind(fields)}")
            columns = [dict(f) if isinstance(f, Mapping) else {"name": _name(f)} for f in fields]
            names = [_name(c) for c in columns]
        rows = []
        for number, record in enumerate(records, 1):
            if isinstance(record, Mapping):
                rows.append([record.get(n) for n in names])
            elif isinstance(record, (str, bytes, bytearray)):
                raise _BadType(f"record {number} is {_kind(record)}, not a dict or a sequence of values")
            else:
                row = builtins.list(record)
                if len(row) != len(names):
                    raise _BadValue(f"record {number} has {len(row)} values for {len(names)} fields")
                rows.append(row)
        for i, column in enumerate(columns):
            if "type" not in column:
                column["type"] = _guess_type([row[i] for row in rows])
            encode = _TO_JSON.get(column["type"])
            if encode is None:
                continue  # the library names the unknown type
            for number, row in enumerate(rows, 1):
                value = row[i]
                if value is None:
                    continue
                try:
                    row[i] = encode(value, column)
                except (TypeError, ValueError) as e:
                    kind = _BadType if isinstance(e, TypeError) else _BadValue
                    raise kind(f"record {number}, field {names[i]!r} ({column['type']}): "
                               f"{_short.repr(value)} {e}") from None
        return columns, rows

    @staticmethod
    def _load(data):
        if len(data) > _MAX_BYTES:
            raise _BadValue(f"the JSON text has {len(data)} bytes, more than the library's {_MAX_BYTES >> 20} MiB")
        handle = ctypes.c_void_p()
        _check(_library().td_dataset_from_json(data, len(data), ctypes.byref(handle)))
        return handle

    @classmethod
    def from_json(cls, text):
        """A dataset from the JSON form {"fields": [...], "records": [[...], ...]}
        (str, or UTF-8 bytes)."""
        if isinstance(text, str):
            try:
                data = text.encode("utf-8")
            except UnicodeEncodeError as e:
                raise _BadValue(f"the JSON text is not valid Unicode ({e.reason})") from None
        elif isinstance(text, (bytes, bytearray, memoryview)):
            data = bytes(text)
        else:
            raise _BadType(f"from_json wants text (str or bytes), not {_kind(text)}")
        return cls(_handle=cls._load(data))

    @classmethod
    def from_packet(cls, packet):
        """A dataset from a binary data packet (packet() of another): bytes."""
        try:
            packet = bytes(memoryview(packet))
        except TypeError:
            raise _BadType(f"from_packet wants bytes, not {_kind(packet)}") from None
        if len(packet) > _MAX_BYTES:
            raise _BadValue(f"the packet has {len(packet)} bytes, more than the library's {_MAX_BYTES >> 20} MiB")
        handle = ctypes.c_void_p()
        _check(_library().td_dataset_from_packet(packet, len(packet), ctypes.byref(handle)))
        return cls(_handle=handle)

    def __del__(self):
        handle, self._handle = getattr(self, "_handle", None), None
        if handle and _lib is not None:
            _lib.td_dataset_free(handle)

    def __reduce__(self):
        # The handle is the library's: a copy sharing it would free it twice.
        filter, filtered = ctypes.c_void_p(), ctypes.c_int()
        _check(_lib.td_dataset_state(self._handle, ctypes.byref(filter), ctypes.byref(filtered), None))
        return _restore, (builtins.type(self), self.packet(), _take(filter).decode("utf-8"), bool(filtered.value))

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
        return [dict(f) for f in self._fields]

    def records(self):
        """Every record, in natural order, as dicts."""
        packet = json.loads(self.json())
        self._fields = packet["fields"]
        decoders = _decoders(self._fields)
        return [_decode(row, decoders) for row in packet["records"]]

    def record(self):
        """The current record as a dict; None when there is none."""
        text = ctypes.c_void_p()
        _check(_library().td_dataset_record(self._handle, ctypes.byref(text)))
        values = json.loads(_take(text).decode("utf-8"))
        if values is None:
            return None
        if self._types is None:
            self._types = {f["name"]: f.get("type") for f in self.fields()}
        return _decode(values.values(), [(name, _FROM_JSON.get(self._types.get(name))) for name in values])

    def set_filter(self, expression, filtered=True):
        """The host's filter, an SQLite expression over the field names
        ("ATIVO = 'S'"), put in force unless filtered is False."""
        _check(_library().td_dataset_set_filter(self._handle, _text("filter", expression), bool(filtered)))


def _restore(cls, packet, filter, filtered):
    data = cls.from_packet(packet)
    if filter:
        data.set_filter(filter, filtered)
    return data


def _dataset(records, fields, filter):
    if isinstance(records, Dataset):
        if fields is not None:
            raise _BadType("fields go with records, not with a Dataset, which has its own")
        data = records
    else:
        data = Dataset(records, fields)
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
    observation = _text("observation", observation)
    lib = init()
    data = _dataset(records, fields, filter)
    picked, navigation = ctypes.c_int(), ctypes.c_int()
    _check(lib.td_search(data._handle, bool(drop_filter), observation, bool(navigator),
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
    description = _text("description", description)
    lib = init()
    data = _dataset(records, fields, filter)
    handle = ctypes.c_void_p()
    _check(lib.td_list(data._handle, description, ctypes.byref(handle)))
    return Dataset(_handle=handle).records()
