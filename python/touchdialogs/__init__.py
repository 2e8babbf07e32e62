"""Touch-screen dialogs for point-of-sale programs, from Python.

    import touchdialogs as td

    if td.message("Fechar a mesa 12?", td.MessageType.CONFIRMATION,
                  td.Buttons.YES | td.Buttons.NO) == td.ModalResult.YES:
        close_table(12)
    guests = td.ask_quantity("Pessoas", whole=True)   # 4.0, or None when cancelled
    product = td.search([{"CODIGO": 1, "NOME": "Café"}, {"CODIGO": 2, "NOME": "Chá"}])

A thin layer, with ctypes only, over the C interface of libTouchDialogs
(TouchDialogs/touchdialogs_c.h). The library is found by its soname
(libTouchDialogs.so.1), or at the path in the TOUCHDIALOGS_LIBRARY environment
variable; it is loaded by the first call that needs it, so that the module
imports without it, and OSError says what was tried when it cannot be loaded.
The first dialog makes the Qt application when the program has none; run
without a display with QT_QPA_PLATFORM=offscreen.

Answers. A message box answers a ModalResult (CANCEL also when it was closed
without a button). The other dialogs answer None when the user cancelled or
left: ask_text, ask_quantity, ask_colour and search. build_list answers the
chosen records, [] when the user left. The library cannot tell some answers
from a cancel, and neither can this module: the keyboard confirmed with the
text "@" alone reads as confirmed blank (""), and a quantity confirmed as 0
as cancelled (None), as a host takes a quantity of 0.

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

Arguments are checked before the library is called, so that a bad one shows
nothing. Every text argument is a str (None stands for ""); bytes or other
objects raise TypeError, a NUL character (which would end the C string) or
text that is not valid Unicode (lone surrogates) raises ValueError. Whole
number arguments (seconds, digits, expected_length) are ints that fit a C
int, from 0, else TypeError or ValueError: none is ever cut to fit. Switches
(wait, whole, navigator, ...) are bools (0 and 1 pass too).

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
was called on the wrong thread. The ValueError and TypeError of bad arguments
are Error too, so a program that catches Error catches them. Aborted: the
silent abort, the operation was cancelled and needs no message. OSError: the
library could not be loaded.

Copies. copy.copy, copy.deepcopy and pickle make a new dataset in the
library (through the data packet); see Dataset.

Earlier names. keyboard(), quantity() and colour() still work, with their
old answers ("" and "@", 0.0), and warn DeprecationWarning: use ask_text(),
ask_quantity() and ask_colour(). OK, CANCEL, ... EXTRA are the ModalResult
members.
"""

from __future__ import annotations

import atexit
import builtins
import ctypes
import datetime
import enum
import json
import math
import operator
import os
import reprlib
import threading
import warnings
from collections.abc import Iterable, Mapping, Sequence
from typing import Any, Callable, Dict, List, Literal, Optional, Tuple, Type, Union, overload

__version__ = "1.0"

__all__ = [
    "Error", "Aborted", "Dataset", "Record", "ModalResult", "MessageType", "Buttons", "Navigation",
    "init", "set_title", "set_locale", "set_extensions", "process_messages",
    "message", "error", "check_result", "ask_text", "ask_quantity", "ask_colour", "search", "build_list",
    "keyboard", "quantity", "colour",
    "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO", "ALL", "NO_TO_ALL", "YES_TO_ALL", "EXTRA",
]


class ModalResult(enum.IntEnum):
    """The button that ended a message box; CANCEL also when the box was
    closed without one, EXTRA for the extra button.

    >>> ModalResult.YES == 6
    True
    """

    OK = 1
    CANCEL = 2
    ABORT = 3
    RETRY = 4
    IGNORE = 5
    YES = 6
    NO = 7
    ALL = 8
    NO_TO_ALL = 9
    YES_TO_ALL = 10
    EXTRA = 100


class MessageType(enum.IntEnum):
    """The kind of a message box: its icon and caption.

    >>> MessageType["WARNING"], MessageType(3).name
    (<MessageType.WARNING: 0>, 'CONFIRMATION')
    """

    WARNING = 0
    ERROR = 1
    INFORMATION = 2
    CONFIRMATION = 3
    CUSTOM = 4


class Buttons(enum.IntFlag):
    """The buttons of a message box, or-ed together.

    >>> int(Buttons.YES | Buttons.NO)
    3
    """

    YES = 1 << 0
    NO = 1 << 1
    OK = 1 << 2
    CANCEL = 1 << 3
    ABORT = 1 << 4
    RETRY = 1 << 5
    IGNORE = 1 << 6
    ALL = 1 << 7
    NO_TO_ALL = 1 << 8
    YES_TO_ALL = 1 << 9
    HELP = 1 << 10


class Navigation(enum.IntEnum):
    """How a search ended with a record: Enter or a double touch, or one of
    the two navigation keys (search(..., navigator=True)).

    >>> Navigation(3)
    <Navigation.LEFT: 3>
    """

    ENTER = 1
    RIGHT = 2
    LEFT = 3


# The modal results by their earlier names.
OK, CANCEL, ABORT, RETRY, IGNORE = ModalResult.OK, ModalResult.CANCEL, ModalResult.ABORT, ModalResult.RETRY, \
    ModalResult.IGNORE
YES, NO, ALL, NO_TO_ALL, YES_TO_ALL = ModalResult.YES, ModalResult.NO, ModalResult.ALL, ModalResult.NO_TO_ALL, \
    ModalResult.YES_TO_ALL
EXTRA = ModalResult.EXTRA

# What the arguments and answers hold, for type checkers.
Value = Union[None, bool, int, float, str, datetime.date, datetime.time, datetime.datetime]
Field = Union[str, Mapping[str, Any]]
RecordIn = Union[Mapping[str, Any], Sequence[Any]]
Records = Union["Dataset", Iterable[RecordIn]]
MessageTypeLike = Union[MessageType, int, str]
ButtonsLike = Union[Buttons, int, str, Iterable[Union[str, Buttons]]]

_OK, _ABORT, _ERROR = 0, 1, 2

_SONAME = "libTouchDialogs.so.1"
_INT_MIN, _INT_MAX = -2**31, 2**31 - 1
_MAX_BYTES = 256 << 20  # the library's bound on JSON text and packets
_MIN_SCALE, _MAX_SCALE = 0.5, 4.0  # the library's factors; 0 fits the screen
# The names touchdlg --buttons takes ("notoall"), beside the members' ("NO_TO_ALL").
_BUTTON_NAMES = {name.replace("_", "").lower(): b for name, b in Buttons.__members__.items()}
_EVERY_BUTTON = sum(Buttons.__members__.values())


class Error(Exception):
    """A dialog or a dataset failed, or an argument was refused; the text
    says why.

    >>> try:
    ...     search(products, filter="PRECO <")
    ... except Error as e:
    ...     log.warning("no search: %s", e)
    """


class Aborted(Exception):
    """The silent abort: the operation was cancelled; show nothing.

    >>> try:
    ...     code = check_result(reply, expected_length=5)
    ... except Aborted:
    ...     return  # the box has told the user
    """


class _BadValue(Error, ValueError):
    """An argument or a value the library cannot take or carry exactly."""


class _BadType(Error, TypeError):
    """An argument or a value of a kind the library cannot take there."""


class Record(Dict[str, Any]):
    """The chosen record of a search, a dict; navigation says how the search
    ended.

    >>> chosen = search(products, navigator=True)
    >>> if chosen is not None and chosen.navigation == Navigation.RIGHT:
    ...     show_next(chosen["CODIGO"])
    """

    navigation: Navigation = Navigation.ENTER


_short = reprlib.Repr()
_short.maxstring = _short.maxother = 60

_load_lock = threading.Lock()
_init_lock = threading.Lock()
_lib: Any = None
_init_thread: Optional[threading.Thread] = None  # the thread whose td_init succeeded


def _open_library() -> ctypes.CDLL:
    path = os.environ.get("TOUCHDIALOGS_LIBRARY")
    try:
        lib = ctypes.CDLL(path or _SONAME)
    except OSError as e:
        if path:
            raise OSError(f"touchdialogs: cannot load the library that TOUCHDIALOGS_LIBRARY names ({path}): {e}") \
                from None
        raise OSError(f"touchdialogs: cannot find {_SONAME}, the TouchDialogs library ({e}); install it, or set "
                      f"TOUCHDIALOGS_LIBRARY to its path") from None
    if not hasattr(lib, "td_init"):
        raise OSError(f"touchdialogs: {path or _SONAME} is not the TouchDialogs library (it has no td_init)")
    return lib


def _library() -> Any:
    global _lib
    if _lib is not None:
        return _lib
    with _load_lock:
        if _lib is None:
            lib = _open_library()
            c_int, c_uint, c_char_p, c_void_p = ctypes.c_int, ctypes.c_uint, ctypes.c_char_p, ctypes.c_void_p
            out_str = ctypes.POINTER(c_void_p)
            signatures = {
                "td_init": [],
                "td_set_title": [c_char_p],
                "td_set_locale": [c_char_p],
                "td_set_extensions": [ctypes.c_double, c_int, c_int, c_char_p],
                "td_set_backdrop": [c_int],
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
                try:
                    f = getattr(lib, name)
                except AttributeError:
                    raise OSError(f"touchdialogs: the TouchDialogs library {lib._name} has no {name}: it is older "
                                  f"than this module ({__version__})") from None
                f.argtypes, f.restype = args, c_int
            lib.td_last_error.argtypes, lib.td_last_error.restype = [], c_char_p
            lib.td_finish.argtypes, lib.td_finish.restype = [], None
            lib.td_process_messages.argtypes, lib.td_process_messages.restype = [], None
            lib.td_free.argtypes, lib.td_free.restype = [c_void_p], None
            lib.td_dataset_free.argtypes, lib.td_dataset_free.restype = [c_void_p], None
            _lib = lib
    return _lib


def _check(status: int) -> None:
    # Only called with a status the loaded library returned: no lock here,
    # so that a caller holding one cannot wait on itself.
    if status == _OK:
        return
    if status == _ABORT:
        raise Aborted()
    raise Error(_lib.td_last_error().decode("utf-8", "replace"))


def _text(what: str, value: object) -> Optional[bytes]:
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


def _c_int(what: str, value: object, low: int = _INT_MIN, high: int = _INT_MAX) -> int:
    """A whole-number argument that fits a C int unchanged."""
    if isinstance(value, bool):
        raise _BadType(f"{what} wants a whole number, not {value!r}")
    try:
        number = operator.index(value)  # type: ignore[arg-type]
    except TypeError:
        raise _BadType(f"{what} wants a whole number (int), not {builtins.type(value).__name__} "
                       f"{_short.repr(value)}") from None
    if not low <= number <= high:
        raise _BadValue(f"{what} {number} is out of range (from {low} to {high})")
    return number


def _flag(what: str, value: object) -> bool:
    """A switch: a bool, or 0 or 1; "no" would be true, so no other object is one."""
    if isinstance(value, bool):
        return value
    if isinstance(value, int) and value in (0, 1):
        return bool(value)
    raise _BadType(f"{what} wants True or False, not {builtins.type(value).__name__} {_short.repr(value)}")


def _take(pointer: ctypes.c_void_p, size: Optional[int] = None) -> bytes:
    """The library's string or buffer as bytes; freed."""
    try:
        return ctypes.string_at(pointer, size) if size is not None else ctypes.string_at(pointer)
    finally:
        _lib.td_free(pointer)


def _finish() -> None:
    # td_finish tears down windows that belong to the thread that made them;
    # from any other thread it could not work, and the process ends anyway.
    if _init_thread is threading.current_thread():
        _lib.td_finish()


def init() -> Any:
    """Makes the library ready (the first dialog does it too) and binds it to
    the calling thread: Error when there is no display, or when it was made
    ready on another thread; OSError when the library cannot be loaded. Later
    calls on the same thread do nothing.

    >>> init()  # fails early, before the till takes its first order
    """
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


def set_locale(name: Optional[str]) -> None:
    """The language of the texts ("en", "pt_BR") and the locale of numbers
    and dates (None or "" the system's); before the first dialog (or init),
    where the texts are chosen.

    >>> set_locale("en")
    """
    _check(_library().td_set_locale(_text("locale", name)))


def set_title(title: Optional[str]) -> None:
    """The application title, shown in the dialogs' window titles.

    >>> set_title("Bar do Zé")
    """
    _check(_library().td_set_title(_text("title", title)))


def set_extensions(scale: float = 1.0, countdown: bool = False, ignore_accents: bool = False,
                   scan_field: Optional[str] = "", backdrop: bool = False) -> None:
    """The opt-in extensions, all off by default: scale (a factor from 0.5 to
    4, or 0 for the largest that fits the screen), the visible countdown of a
    timed answer, accent-insensitive search, the field a barcode scanner's
    burst of keys is looked up in, and a dimmed full-screen backdrop that
    centres a dialog with no host window under it (for compositors that place
    windows themselves).

    >>> set_extensions(scale=1.5, ignore_accents=True, scan_field="EAN")
    """
    if isinstance(scale, bool) or not isinstance(scale, (int, float)):
        raise _BadType(f"scale wants a number, not {builtins.type(scale).__name__} {_short.repr(scale)}")
    try:
        factor = float(scale)
    except OverflowError:
        raise _BadValue(f"scale {_short.repr(scale)} is out of range") from None
    if factor != 0 and not _MIN_SCALE <= factor <= _MAX_SCALE:  # NaN too
        raise _BadValue(f"scale {factor!r} is neither 0 (fit the screen) nor a factor from {_MIN_SCALE} "
                        f"to {_MAX_SCALE}")
    countdown, ignore_accents = _flag("countdown", countdown), _flag("ignore_accents", ignore_accents)
    scan, backdrop = _text("scan_field", scan_field), _flag("backdrop", backdrop)
    _check(_library().td_set_extensions(factor, countdown, ignore_accents, scan))
    _check(_library().td_set_backdrop(backdrop))


def process_messages() -> None:
    """Handles the window events that are waiting: a program without an event
    loop of its own calls it so that a box shown with wait=False answers.

    >>> message("Pedido enviado", wait=False)
    >>> while printing(): process_messages()
    """
    init().td_process_messages()


# ------------------------------------------------------------------ message box

def _message_type(value: object) -> MessageType:
    if isinstance(value, str):
        try:
            return MessageType[value.strip().upper()]
        except KeyError:
            raise _BadValue(f"type {_short.repr(value)} is no kind of box (use warning, error, information, "
                            f"confirmation or custom)") from None
    if isinstance(value, bool) or not isinstance(value, int):
        raise _BadType(f"type wants a MessageType, not {builtins.type(value).__name__} {_short.repr(value)}")
    try:
        return MessageType(value)
    except ValueError:
        raise _BadValue(f"type {value} is no MessageType (from 0 to {len(MessageType) - 1})") from None


def _button(value: object) -> Buttons:
    if isinstance(value, str):
        name = value.strip()
        found = _BUTTON_NAMES.get(name.lower()) or Buttons.__members__.get(name.upper())
        if found is None:
            if "," in value:
                raise _BadValue(f"button name {value!r} holds a comma, which separates the names")
            raise _BadValue(f"unknown button {_short.repr(value)} (use yes, no, ok, cancel, abort, retry, ignore, "
                            f"all, notoall, yestoall, help)")
        return found
    if isinstance(value, bool) or not isinstance(value, int):
        raise _BadType(f"buttons wants Buttons or their names (str), not {builtins.type(value).__name__} "
                       f"{_short.repr(value)}")
    if not 0 <= value <= _EVERY_BUTTON:
        raise _BadValue(f"buttons {value} holds bits of no button (Buttons from 0 to {_EVERY_BUTTON})")
    return Buttons(value)


def _buttons(value: object) -> Buttons:
    if isinstance(value, (str, int)):
        names: Iterable[Any] = [n for n in value.split(",") if n.strip()] if isinstance(value, str) else [value]
    elif isinstance(value, Iterable) and not isinstance(value, (bytes, bytearray, memoryview, Mapping)):
        names = builtins.list(value)
    else:
        raise _BadType(f"buttons wants Buttons or their names (str), not {builtins.type(value).__name__} "
                       f"{_short.repr(value)}")
    bits = Buttons(0)
    for name in names:
        bits |= _button(name)
    return bits


@overload
def message(text: Optional[str], type: MessageTypeLike = ..., buttons: ButtonsLike = ..., seconds: int = ...,
            extra: Optional[str] = ..., wait: Literal[True] = ...) -> ModalResult: ...


@overload
def message(text: Optional[str], type: MessageTypeLike, buttons: ButtonsLike, seconds: int, extra: Optional[str],
            wait: Literal[False]) -> None: ...


@overload
def message(text: Optional[str], type: MessageTypeLike = ..., buttons: ButtonsLike = ..., seconds: int = ...,
            extra: Optional[str] = ..., *, wait: Literal[False]) -> None: ...


@overload
def message(text: Optional[str], type: MessageTypeLike = ..., buttons: ButtonsLike = ..., seconds: int = ...,
            extra: Optional[str] = ..., wait: bool = ...) -> Optional[ModalResult]: ...


def message(text: Optional[str], type: MessageTypeLike = MessageType.INFORMATION,
            buttons: ButtonsLike = Buttons.OK, seconds: int = 0, extra: Optional[str] = None,
            wait: bool = True) -> Optional[ModalResult]:
    """Shows a message box; returns the ModalResult of the button that ended
    it (CANCEL also when it was closed without one, EXTRA for the extra
    button).

    type is a MessageType (or its name, "warning"); buttons are Buttons
    or-ed together, or their names ("yes,no" or ("yes", "no"), as touchdlg
    --buttons takes them); seconds > 0 presses the default button after that
    many seconds; a non-empty extra adds one more button. A box that nothing
    could end (no button but HELP, no extra, no seconds) raises ValueError.
    wait=False shows the box and returns None at once: it stays open while
    the program handles events (process_messages) and is freed once closed.

    >>> answer = message("Fechar a mesa 12?", MessageType.CONFIRMATION, Buttons.YES | Buttons.NO)
    >>> if answer == ModalResult.YES:
    ...     close_table(12)
    """
    # Arguments are checked before the library is touched: a bad one shows nothing.
    text_, extra_ = _text("text", text), _text("extra", extra)
    kind, bits = _message_type(type), _buttons(buttons)
    seconds, wait = _c_int("seconds", seconds, low=0), _flag("wait", wait)
    if not bits & ~Buttons.HELP and seconds == 0 and not extra_:
        raise _BadValue("no button would end the box: give one besides HELP, an extra button or seconds > 0")
    lib = init()
    if not wait:
        _check(lib.td_message(text_, kind, bits, seconds, extra_))
        return None
    result = ctypes.c_int()
    _check(lib.td_message_dlg(text_, kind, bits, seconds, extra_, ctypes.byref(result)))
    try:
        return ModalResult(result.value)
    except ValueError:
        raise Error(f"the box ended with modal result {result.value}, which is no ModalResult") from None


def error(text: Optional[str], abort: bool = False) -> None:
    """An error box with OK; then Aborted when abort is set.

    >>> error("Impressora sem papel")
    """
    text_, abort = _text("text", text), _flag("abort", abort)
    _check(init().td_message_error(text_, abort))


def check_result(answer: object, show_error: bool = True, expected_length: int = 0) -> Any:
    """A server's answer: a text of another length than expected_length is an
    error text; when show_error is set and it is not blank it is shown in an
    error box and Aborted follows. Otherwise the answer comes back. An answer
    that is not a str (None, a number) is no text at all; bytes raise
    TypeError: decode them first.

    >>> code = check_result(server.reply(), expected_length=5)  # Aborted after the box
    """
    if isinstance(answer, (bytes, bytearray, memoryview)):
        raise _BadType(f"answer wants text (str); decode {_short.repr(answer)} first")
    text = _text("answer", answer) if isinstance(answer, str) else None
    show_error = _flag("show_error", show_error)
    expected_length = _c_int("expected_length", expected_length, low=0)
    _check(init().td_message_check_result(text, show_error, expected_length))
    return answer


# --------------------------------------------------------- text, number, colour

def _keyboard(text: Optional[str], caption: Optional[str]) -> str:
    text_, caption_ = _text("text", text), _text("caption", caption)
    result = ctypes.c_void_p()
    _check(init().td_keyboard(text_, caption_, ctypes.byref(result)))
    return _take(result).decode("utf-8")


def _quantity(caption: Optional[str], whole: bool, digits: int) -> float:
    caption_, whole, digits = _text("caption", caption), _flag("whole", whole), _c_int("digits", digits, low=0)
    result = ctypes.c_double()
    _check(init().td_quantity(caption_, whole, digits, ctypes.byref(result)))
    return result.value


def _colour() -> Optional[int]:
    result = ctypes.c_void_p()
    _check(init().td_colour(ctypes.byref(result)))
    text = _take(result).decode("ascii")
    return None if text == "X" else int(text)


def ask_text(text: Optional[str] = "", caption: Optional[str] = "") -> Optional[str]:
    """One line of text on the on-screen keyboard, starting from text, in a
    window titled caption: the confirmed text, "" when the user confirmed
    blank text (spaces only), None when cancelled.

    >>> name = ask_text("Mesa 12", caption="Nome da mesa")
    >>> if name is not None:
    ...     rename_table(12, name)
    """
    answer = _keyboard(text, caption)
    return None if answer == "" else "" if answer == "@" else answer


def ask_quantity(caption: Optional[str] = "Quantidade", whole: bool = False, digits: int = 0) -> Optional[float]:
    """A quantity on the keypad, as a float; None when cancelled or closed
    (or confirmed as 0, which the library answers alike). whole allows no
    decimal comma; digits limits the characters of the entry (0: no limit).

    >>> litres = ask_quantity("Chopp")            # 12.5, or None
    >>> guests = ask_quantity("Pessoas", whole=True, digits=2)   # 4.0
    """
    answer = _quantity(caption, whole, digits)
    return None if answer == 0 else answer


def ask_colour() -> Optional[int]:
    """The colour chooser: the touched colour as its 0x00BBGGRR value (255
    is red), None when the user left without one.

    >>> colour = ask_colour()
    >>> if colour is not None:
    ...     red, green, blue = colour & 0xFF, colour >> 8 & 0xFF, colour >> 16 & 0xFF
    """
    return _colour()


def _deprecated(old: str, new: str) -> None:
    warnings.warn(f"touchdialogs.{old} is deprecated: use {new}", DeprecationWarning, stacklevel=3)


def keyboard(text: Optional[str] = "", caption: Optional[str] = "") -> str:
    """Deprecated: ask_text(), which answers None when cancelled. The
    confirmed text, "@" when confirmed blank, "" when cancelled."""
    _deprecated("keyboard()", "ask_text(), which answers None when cancelled and \"\" when confirmed blank")
    return _keyboard(text, caption)


def quantity(caption: Optional[str] = "Quantidade", whole: bool = False, digits: int = 0) -> float:
    """Deprecated: ask_quantity(), which answers None when cancelled. The
    number, 0.0 when cancelled."""
    _deprecated("quantity()", "ask_quantity(), which answers None when cancelled")
    return _quantity(caption, whole, digits)


def colour() -> Optional[int]:
    """Deprecated: ask_colour(), which answers the same."""
    _deprecated("colour()", "ask_colour()")
    return _colour()


# --------------------------------------------------------------------- datasets

_INT64_MAX = 2**63 - 1
_CURRENCY_LIMIT = 922337203685477.0
_MAX_FIELD_SIZE = 1000000


def _guess_type(values: List[Any]) -> str:
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


def _kind(value: object) -> str:
    return builtins.type(value).__name__


# The library's rules for one value, mirrored so that a refusal names the
# Python value, its record and field before the library is called.
_JSON_TYPES = frozenset(("string", "memo", "integer", "largeint", "float", "currency", "boolean", "date", "time",
                         "datetime"))


def _json_value(value: Any, column: Dict[str, Any]) -> Any:
    """The JSON value the library stores for a value (not None) in a field of
    a type in _JSON_TYPES; TypeError or ValueError, a phrase about the value,
    when the field cannot hold it as it is."""
    kind = column["type"]
    if kind in ("string", "memo"):
        if not isinstance(value, str):
            raise TypeError(f"is {_kind(value)}, not text (str)")
        try:
            units = len(value.encode("utf-16-le")) // 2
        except UnicodeEncodeError as e:
            raise ValueError(f"is not valid Unicode text ({e.reason})") from None
        if kind == "string":
            size = column.get("size")
            limit = size if isinstance(size, int) and not isinstance(size, bool) and size > 0 else _MAX_FIELD_SIZE
            if units > limit:
                raise ValueError(f"is longer than the field's {limit} characters")
        return value
    if kind in ("integer", "largeint"):
        low, high = (_INT_MIN, _INT_MAX) if kind == "integer" else (-_INT64_MAX - 1, _INT64_MAX)
        if isinstance(value, bool) or not isinstance(value, int):
            raise TypeError(f"is {_kind(value)}, not a whole number (int)")
        if not low <= value <= high:
            raise ValueError(f"is out of the field's range (from {low} to {high})")
        # A JSON number beyond 2^53 may lose digits on the way: such go as text.
        return str(int(value)) if abs(value) > 2**53 else int(value)
    if kind in ("float", "currency"):
        if isinstance(value, bool) or not isinstance(value, (int, float)):
            raise TypeError(f"is {_kind(value)}, not a number (float)")
        try:
            number = float(value)
        except OverflowError:
            raise ValueError("is too large for a float") from None
        if not math.isfinite(number):
            raise ValueError("is not a finite number")
        if isinstance(value, int) and number != value:
            raise ValueError(f"cannot be held exactly as a float (it would be {number!r})")
        if kind == "currency":
            if abs(number) > _CURRENCY_LIMIT:
                raise ValueError(f"is beyond the currency limit of {_CURRENCY_LIMIT:.0f}")
            # The library stores round(x * 10000) / 10000: anything else would change.
            if round(number * 10000.0) / 10000.0 != number:
                raise ValueError(f"has more than four decimals (round(x, 4) gives {round(number, 4)!r})")
        return number
    if kind == "boolean":
        if not isinstance(value, bool):
            raise TypeError(f"is {_kind(value)}, not True or False")
        return value
    if kind == "date":
        if not isinstance(value, datetime.date) or isinstance(value, datetime.datetime):
            raise TypeError(f"is {_kind(value)}, not a datetime.date")
        return value.isoformat()
    if not isinstance(value, datetime.time if kind == "time" else datetime.datetime):
        raise TypeError(f"is {_kind(value)}, not a datetime.{kind}")
    if value.tzinfo is not None:
        raise ValueError("has a time zone; the library's times have none (convert to the wall clock)")
    if value.microsecond % 1000:
        raise ValueError("has microseconds; the library keeps whole milliseconds")
    return value.isoformat(timespec="milliseconds" if value.microsecond else "seconds")


# How a JSON value of each type comes back; the others (integer, boolean,
# string, memo) are as JSON reads them. A JSON int is exact; a float field
# reads an integral value as an int, which float() gives back exactly.
_FROM_JSON: Dict[str, Callable[[Any], Any]] = {
    "largeint": int, "float": float, "currency": float,  # largeint beyond 2^53 comes as text
    "date": datetime.date.fromisoformat, "time": datetime.time.fromisoformat,
    "datetime": datetime.datetime.fromisoformat,
}


def _decoders(fields: List[Dict[str, Any]]) -> List[Tuple[str, Optional[Callable[[Any], Any]]]]:
    return [(f["name"], _FROM_JSON.get(f.get("type", ""))) for f in fields]


def _decode(values: Iterable[Any], decoders: List[Tuple[str, Optional[Callable[[Any], Any]]]]) -> Dict[str, Any]:
    return {name: value if value is None or convert is None else convert(value)
            for (name, convert), value in zip(decoders, values)}


def _name(field: object) -> str:
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
    order and the current record a search left are not copied.

    >>> tables = Dataset([{"MESA": 1, "NOME": "Varanda"}, {"MESA": 2, "NOME": "Salão"}])
    >>> tables.set_filter("MESA > 1")
    >>> search(tables)["NOME"]
    'Salão'
    """

    def __init__(self, records: Iterable[RecordIn] = (), fields: Optional[Iterable[Field]] = None, *,
                 _handle: Optional[ctypes.c_void_p] = None, _fields: Optional[List[Dict[str, Any]]] = None) -> None:
        if _handle is None:
            columns, rows = self._packet(records, fields)
            text = json.dumps({"fields": columns, "records": rows}, ensure_ascii=False, allow_nan=False)
            try:
                data = text.encode("utf-8")
            except UnicodeEncodeError as e:  # the values are checked: a name or a label
                raise _BadValue(f"the fields hold text that is not valid Unicode ({e.reason})") from None
            _handle = self._load(data)
            _fields = columns
        self._handle: Optional[ctypes.c_void_p] = _handle
        self._types: Optional[Dict[str, str]] = None if _fields is None else \
            {f["name"]: f.get("type", "") for f in _fields}
        self._fields: Optional[List[Dict[str, Any]]] = None

    @staticmethod
    def _packet(records: Iterable[RecordIn], fields: Optional[Iterable[Field]]) -> Tuple[List[Dict[str, Any]], List[List[Any]]]:
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
            if column["type"] not in _JSON_TYPES:
                continue  # the library names the unknown type
            for number, row in enumerate(rows, 1):
                value = row[i]
                if value is None:
                    continue
                try:
                    row[i] = _json_value(value, column)
                except (TypeError, ValueError) as e:
                    kind = _BadType if isinstance(e, TypeError) else _BadValue
                    raise kind(f"record {number}, field {names[i]!r} ({column['type']}): "
                               f"{_short.repr(value)} {e}") from None
        return columns, rows

    @staticmethod
    def _load(data: bytes) -> ctypes.c_void_p:
        if len(data) > _MAX_BYTES:
            raise _BadValue(f"the JSON text has {len(data)} bytes, more than the library's {_MAX_BYTES >> 20} MiB")
        handle = ctypes.c_void_p()
        _check(_library().td_dataset_from_json(data, len(data), ctypes.byref(handle)))
        return handle

    @classmethod
    def from_json(cls, text: Union[str, bytes, bytearray, memoryview]) -> Dataset:
        """A dataset from the JSON form {"fields": [...], "records": [[...], ...]}
        (str, or UTF-8 bytes).

        >>> Dataset.from_json('{"fields":[{"name":"A","type":"integer"}],"records":[[1]]}').records()
        [{'A': 1}]
        """
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
    def from_packet(cls, packet: Union[bytes, bytearray, memoryview]) -> Dataset:
        """A dataset from a binary data packet (packet() of another): bytes.

        >>> same = Dataset.from_packet(pathlib.Path("produtos.pkt").read_bytes())
        """
        try:
            packet = bytes(memoryview(packet))
        except TypeError:
            raise _BadType(f"from_packet wants bytes, not {_kind(packet)}") from None
        if len(packet) > _MAX_BYTES:
            raise _BadValue(f"the packet has {len(packet)} bytes, more than the library's {_MAX_BYTES >> 20} MiB")
        handle = ctypes.c_void_p()
        _check(_library().td_dataset_from_packet(packet, len(packet), ctypes.byref(handle)))
        return cls(_handle=handle)

    def __del__(self) -> None:
        handle, self._handle = getattr(self, "_handle", None), None
        if handle and _lib is not None:
            _lib.td_dataset_free(handle)

    def __reduce__(self) -> Tuple[Any, ...]:
        # The handle is the library's: a copy sharing it would free it twice.
        filter, filtered = ctypes.c_void_p(), ctypes.c_int()
        _check(_lib.td_dataset_state(self._handle, ctypes.byref(filter), ctypes.byref(filtered), None))
        return _restore, (builtins.type(self), self.packet(), _take(filter).decode("utf-8"), bool(filtered.value))

    def json(self) -> str:
        """The whole dataset in the JSON form, as text.

        >>> Dataset([{"A": 1}]).json()
        '{"fields":[{"name":"A","type":"integer"}],"records":[[1]]}'
        """
        text, size = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_library().td_dataset_json(self._handle, ctypes.byref(text), ctypes.byref(size)))
        return _take(text, size.value).decode("utf-8")

    def packet(self) -> bytes:
        """The binary data packet (an SQLite database image), as bytes.

        >>> pathlib.Path("produtos.pkt").write_bytes(products.packet())
        """
        data, size = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_library().td_dataset_packet(self._handle, ctypes.byref(data), ctypes.byref(size)))
        return _take(data, size.value)

    def fields(self) -> List[Dict[str, Any]]:
        """The fields, as dicts in the JSON form.

        >>> [f["name"] for f in Dataset([{"A": 1, "B": "x"}]).fields()]
        ['A', 'B']
        """
        if self._fields is None:
            self._fields = json.loads(self.json())["fields"]
        return [dict(f) for f in self._fields or ()]

    def records(self) -> List[Dict[str, Any]]:
        """Every record, in natural order, as dicts.

        >>> Dataset([{"A": 1}, {"A": 2.5}]).records()
        [{'A': 1.0}, {'A': 2.5}]
        """
        packet = json.loads(self.json())
        self._fields = fields = packet["fields"]
        decoders = _decoders(fields)
        return [_decode(row, decoders) for row in packet["records"]]

    def record(self) -> Optional[Dict[str, Any]]:
        """The current record as a dict; None when there is none.

        >>> if search(tables) is not None:
        ...     print(tables.record()["NOME"])
        """
        text = ctypes.c_void_p()
        _check(_library().td_dataset_record(self._handle, ctypes.byref(text)))
        values = json.loads(_take(text).decode("utf-8"))
        if values is None:
            return None
        if self._types is None:
            self._types = {f["name"]: f.get("type", "") for f in self.fields()}
        types = self._types
        return _decode(values.values(), [(name, _FROM_JSON.get(types.get(name, ""))) for name in values])

    def set_filter(self, expression: Optional[str], filtered: bool = True) -> None:
        """The host's filter, an SQLite expression over the field names
        ("ATIVO = 'S'"), put in force unless filtered is False.

        >>> products.set_filter("ATIVO = 'S' AND PRECO < 10")
        """
        text, filtered = _text("filter", expression), _flag("filtered", filtered)
        _check(_library().td_dataset_set_filter(self._handle, text, filtered))


def _restore(cls: Type[Dataset], packet: bytes, filter: str, filtered: bool) -> Dataset:
    data = cls.from_packet(packet)
    if filter:
        data.set_filter(filter, filtered)
    return data


def _dataset(records: Records, fields: Optional[Iterable[Field]], filter: Optional[str]) -> Dataset:
    if isinstance(records, Dataset):
        if fields is not None:
            raise _BadType("fields go with records, not with a Dataset, which has its own")
        data = records
    else:
        data = Dataset(records, fields)
    if filter is not None:
        data.set_filter(filter)
    return data


def search(records: Records, fields: Optional[Iterable[Field]] = None, *, filter: Optional[str] = None,
           drop_filter: bool = False, observation: Optional[str] = "", navigator: bool = False) -> Optional[Record]:
    """Lets the user find and pick one of the records (a Dataset, or records
    with fields as for Dataset), ordered by the second visible field and
    narrowed as the user types. Returns the picked record as a Record (a
    dict whose navigation says how the search ended), or None when the user
    left. filter is the host's filter (an SQLite expression), drop_filter
    searches without it; observation is shown above the search box;
    navigator offers the two navigation keys.

    >>> chosen = search(products, filter="ATIVO = 'S'", observation="Produto")
    >>> if chosen is not None:
    ...     add_item(chosen["CODIGO"])
    """
    observation_, drop, keys = _text("observation", observation), _flag("drop_filter", drop_filter), \
        _flag("navigator", navigator)
    _text("filter", filter)
    lib = init()
    data = _dataset(records, fields, filter)
    picked, navigation = ctypes.c_int(), ctypes.c_int()
    _check(lib.td_search(data._handle, drop, observation_, keys, ctypes.byref(picked), ctypes.byref(navigation)))
    if not picked.value:
        return None
    record = Record(data.record() or {})
    try:
        record.navigation = Navigation(navigation.value)
    except ValueError:
        raise Error(f"the search ended with navigation {navigation.value}, which is no Navigation") from None
    return record


def build_list(records: Records, fields: Optional[Iterable[Field]] = None, *, filter: Optional[str] = None,
               description: Optional[str] = "") -> List[Dict[str, Any]]:
    """Lets the user build a list from the records (a Dataset, or records with
    fields as for Dataset) under the text description. Returns the chosen
    records as dicts in list order; [] when the user left (or confirmed an
    empty list: the library answers both alike).

    >>> combo = build_list(products, filter="TIPO = 'L'", description="Lanche do dia")
    >>> total = sum(item["PRECO"] for item in combo)
    """
    description_ = _text("description", description)
    _text("filter", filter)
    lib = init()
    data = _dataset(records, fields, filter)
    handle = ctypes.c_void_p()
    _check(lib.td_list(data._handle, description_, ctypes.byref(handle)))
    return Dataset(_handle=handle).records()
