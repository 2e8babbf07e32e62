/* TouchDialogs from C, or from any language that can call C: the six touch
 * dialogs with UTF-8 strings, datasets as opaque handles.
 *
 *     if (td_init() != TD_OK) { fprintf(stderr, "%s\n", td_last_error()); return 1; }
 *     int answer = 0;
 *     if (td_message_dlg("Fechar a mesa 12?", TD_MT_CONFIRMATION, TD_MB_YES | TD_MB_NO, 0, NULL, &answer) == TD_OK
 *         && answer == TD_MR_YES)
 *         close_table(12);
 *     td_finish();
 *
 * Status. Every function that can fail returns a td_status:
 *   TD_OK     the call did its work; a dialog the user cancelled has answered
 *             too (each dialog says how it answers a cancel);
 *   TD_ABORT  the silent abort: the operation was cancelled, show nothing;
 *   TD_ERROR  it failed; td_last_error() says why.
 * No C++ exception ever leaves these functions. Out-parameters are written
 * only on TD_OK.
 *
 * Memory. A string or buffer the library hands out through a char ** or
 * void ** parameter belongs to the caller and is freed with td_free(). A
 * dataset is freed with td_dataset_free(). The text of td_last_error() belongs
 * to the library.
 *
 * Strings are UTF-8; NULL stands for "".
 *
 * Threads. The dialogs are windows: they, td_process_messages, td_set_title,
 * td_set_extensions and td_finish belong to the thread that called td_init
 * (the one that made the host's QApplication, when it has one). From another
 * thread they fail with TD_ERROR, "called from another thread..."; td_finish
 * then tears nothing down and says so in td_last_error, and the process
 * still exits cleanly. td_set_title and td_set_extensions take any thread
 * while the library is not initialised. td_init itself must run on the
 * first thread that used Qt in the process (a dataset is a Qt object):
 * elsewhere Qt would pass no key to the dialogs, and it fails instead. The
 * dataset functions, td_message_type, td_message_buttons, td_free and
 * td_last_error need no td_init; after it they take any thread. One dataset
 * is used by one thread at a time; td_search and td_list use theirs on the
 * GUI thread.
 *
 * Starting again. After the last td_finish, td_init starts afresh (with a new
 * QApplication when the host has none) on the thread that called it first:
 * Qt keeps objects of its own windows there, and another thread is refused.
 * A host that ends its own QApplication before td_finish gets TD_ERROR ("the
 * Qt application is gone") from every dialog until td_finish, which then
 * tears down the library's own state; td_init works again after it.
 *
 * Display. Before making a QApplication, td_init checks that one of Qt's
 * candidate platforms can start (QT_QPA_PLATFORM, else Wayland and X11 as Qt
 * chooses): it connects to the X server or compositor, opens the DRM or frame
 * buffer device, or finds the plugin. When none can, TD_ERROR names each one
 * tried, instead of Qt ending the process.
 *
 * Sizes. A JSON text or packet of more than 256 MiB is refused (TD_ERROR)
 * before it is read, as a file is; a dataset holds at most 500 fields, names
 * of at most 128 characters, string sizes up to 1 000 000.
 *
 * Values in JSON, by field type: string and memo a JSON string; integer a
 * whole number; largeint a whole number, or a string of digits beyond 2^53
 * (written back the same way); float a number; currency a number with at
 * most four decimals; boolean true or false; date "2024-05-31"; time
 * "13:45:00"; datetime "2024-05-31T13:45:00" (a wall clock, no zone; both
 * keep milliseconds: "13:45:00.250"); null
 * for no value in any type. Another JSON type is refused with the record and
 * field named.
 *
 * Link with -lTouchDialogs, or dlopen libTouchDialogs.so.1 and look the
 * names up: they are plain C symbols. */
#ifndef TOUCHDIALOGS_C_H
#define TOUCHDIALOGS_C_H

#include <TouchDialogs/Export.h>

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum td_status { TD_OK = 0, TD_ABORT = 1, TD_ERROR = 2 } td_status;

/* ---- the library */

/* Makes the library ready: creates the Qt application when the host has none
 * (no display: TD_ERROR instead of the process ending) and runs the units'
 * setup. A host that has a QApplication keeps it. Calls nest: each td_init
 * wants one td_finish. */
TD_EXPORT td_status td_init(void);
/* Undoes one td_init; the last one tears the units down and ends the Qt
 * application td_init made (never the host's own). Only on td_init's thread:
 * see Threads. */
TD_EXPORT void td_finish(void);
/* Why the last failing call of this thread failed; "" when none has. Valid
 * until the next call into the library. */
TD_EXPORT const char *td_last_error(void);
/* Frees a string or buffer the library handed out; NULL is ignored. */
TD_EXPORT void td_free(void *p);
/* The application title, shown in the dialogs' window titles. */
TD_EXPORT td_status td_set_title(const char *title);
/* The opt-in extensions, all off until set: scale (1 none, 0 the largest
 * that fits the screen), countdown (a timed default answer shows its seconds),
 * ignore_accents (the typed search folds accents), scan_field (a fast burst of
 * keys ending with Enter picks the record whose field of this name equals it;
 * NULL or "" none). */
TD_EXPORT td_status td_set_extensions(double scale, int countdown, int ignore_accents, const char *scan_field);
/* Opt-in: a dialog with no window of the host's to be shown over is centred
 * over a dimmed surface covering the screen (for compositors that place
 * windows themselves, such as Wayland kiosks). td_set_extensions keeps it. */
TD_EXPORT td_status td_set_backdrop(int on);
/* The language of the dialogs' texts ("en", "pt_BR") and the locale of their
 * numbers and dates; NULL or "" the system's. Only before td_init: the texts
 * are chosen there (after the last td_finish a new choice holds again). */
TD_EXPORT td_status td_set_locale(const char *name);
/* Handles the window events that are waiting: a host without an event loop of
 * its own calls it so that a box from td_message stays alive. */
TD_EXPORT void td_process_messages(void);

/* ---- message box */

/* Kinds of box (the icon and caption). */
enum { TD_MT_WARNING, TD_MT_ERROR, TD_MT_INFORMATION, TD_MT_CONFIRMATION, TD_MT_CUSTOM };
/* Buttons, or-ed together. */
enum {
    TD_MB_YES = 1 << 0,
    TD_MB_NO = 1 << 1,
    TD_MB_OK = 1 << 2,
    TD_MB_CANCEL = 1 << 3,
    TD_MB_ABORT = 1 << 4,
    TD_MB_RETRY = 1 << 5,
    TD_MB_IGNORE = 1 << 6,
    TD_MB_ALL = 1 << 7,
    TD_MB_NOTOALL = 1 << 8,
    TD_MB_YESTOALL = 1 << 9,
    TD_MB_HELP = 1 << 10
};
/* Modal results: the button that ended the box. TD_MR_CANCEL is also the
 * answer of a box closed without a button. */
enum {
    TD_MR_OK = 1,
    TD_MR_CANCEL = 2,
    TD_MR_ABORT = 3,
    TD_MR_RETRY = 4,
    TD_MR_IGNORE = 5,
    TD_MR_YES = 6,
    TD_MR_NO = 7,
    TD_MR_ALL = 8,
    TD_MR_NOTOALL = 9,
    TD_MR_YESTOALL = 10,
    TD_MR_EXTRA = 100
};

/* The kind named "warning", "error", "information", "confirmation" or
 * "custom" (any case), as touchdlg --type takes it. */
TD_EXPORT td_status td_message_type(const char *name, int *type);
/* The buttons named in a comma-separated list ("yes,no"), as touchdlg
 * --buttons takes it. */
TD_EXPORT td_status td_message_buttons(const char *names, unsigned *buttons);

/* Shows the box modally. seconds > 0 presses the default button after that
 * many seconds; a non-empty extra adds one more button (TD_MR_EXTRA).
 * *modal_result: the TD_MR_ of the button that ended it. A box that nothing
 * could end (no button but Help, no extra, seconds <= 0) is refused with
 * TD_ERROR; so is it by td_message. */
TD_EXPORT td_status td_message_dlg(const char *text, int type, unsigned buttons, int seconds, const char *extra,
                                     int *modal_result);
/* The same box without waiting: it stays open and is freed once it closes. */
TD_EXPORT td_status td_message(const char *text, int type, unsigned buttons, int seconds, const char *extra);
/* An error box with OK; then TD_ABORT when abort_after is set. */
TD_EXPORT td_status td_message_error(const char *text, int abort_after);
/* A server's answer: when show_error is set and answer is a text of another
 * length than expected_length and not blank, it is an error text; it is
 * shown in an error box and TD_ABORT follows. Otherwise TD_OK: the answer
 * stands. NULL is an answer that is no text at all. */
TD_EXPORT td_status td_message_check_result(const char *answer, int show_error, int expected_length);

/* ---- text, number and colour */

/* One line of text on the on-screen keyboard, starting from text, in a window
 * titled caption. *result: the confirmed text, "@" when confirmed blank, ""
 * when cancelled; free it with td_free. */
TD_EXPORT td_status td_keyboard(const char *text, const char *caption, char **result);
/* A quantity on the keypad; whole_only allows no decimal comma; max_chars
 * limits the characters of the entry (0: no limit). *quantity: the number
 * confirmed, 0 when cancelled or closed. */
TD_EXPORT td_status td_quantity(const char *caption, int whole_only, int max_chars, double *quantity);
/* The colour chooser. *colour: the touched colour's 00BBGGRR value as
 * decimal text ("255" for red), "X" when the user left without one; free it
 * with td_free. */
TD_EXPORT td_status td_colour(char **colour);

/* ---- datasets */

/* A table of records: fields, records, a filter, a current record. */
typedef struct td_dataset td_dataset;

/* A dataset from the JSON form:
 *   {"fields":[{"name":"CODIGO","type":"integer"},
 *              {"name":"NOME","type":"string","size":40,"label":"Nome"}],
 *    "records":[[1,"Café"],[2,"Chá"]]}
 * (types string, integer, largeint, float, currency, boolean, date, time,
 * datetime, memo; "visible":false hides a field). length -1: json ends with
 * a NUL. */
TD_EXPORT td_status td_dataset_from_json(const char *json, ptrdiff_t length, td_dataset **dataset);
/* A dataset from a binary data packet, as td_dataset_packet writes it. */
TD_EXPORT td_status td_dataset_from_packet(const void *packet, size_t size, td_dataset **dataset);
/* Frees it; NULL is ignored. */
TD_EXPORT void td_dataset_free(td_dataset *dataset);
/* The whole dataset in the JSON form, NUL-terminated (*length without the
 * NUL; length may be NULL); free it with td_free. */
TD_EXPORT td_status td_dataset_json(const td_dataset *dataset, char **json, size_t *length);
/* The binary data packet (an SQLite database image); free it with td_free. */
TD_EXPORT td_status td_dataset_packet(const td_dataset *dataset, void **packet, size_t *size);
/* The current record as a JSON object, its fields in field order
 * ({"CODIGO":1,"NOME":"Café"}), "null" when there is none; free it with
 * td_free. */
TD_EXPORT td_status td_dataset_record(const td_dataset *dataset, char **json);
/* The number of records that pass the filter. */
TD_EXPORT td_status td_dataset_count(const td_dataset *dataset, int *count);
/* The host's filter, an SQLite expression over the field names
 * ("ATIVO = 'S'"), put in force (filtered non-zero) or only kept. */
TD_EXPORT td_status td_dataset_set_filter(td_dataset *dataset, const char *filter, int filtered);
/* The filter and the order in force now: the search leaves its own. Each
 * out-parameter may be NULL; the strings are freed with td_free. */
TD_EXPORT td_status td_dataset_state(const td_dataset *dataset, char **filter, int *filtered, char **index_name);

/* ---- search and list */

/* Lets the user find and pick a record of the dataset; a picked record is
 * then its current record (td_dataset_record). drop_filter searches without
 * the host's filter; observation is shown above the search box; navigator
 * offers the two navigation keys. *picked: non-zero when a record was
 * picked; *navigation (may be NULL): 1 Enter or double touch, 2 the right
 * navigation key, 3 the left one. The dataset keeps the filter and the order
 * the search left, and one index per visible field. */
TD_EXPORT td_status td_search(td_dataset *dataset, int drop_filter, const char *observation, int navigator,
                                int *picked, int *navigation);
/* Lets the user build a list from the records of source, under the text
 * description. *list: a new dataset with source's fields and the chosen
 * records in list order (none when the user left); free it with
 * td_dataset_free. Source keeps its records and filter. */
TD_EXPORT td_status td_list(td_dataset *source, const char *description, td_dataset **list);

#ifdef __cplusplus
}
#endif

#endif
