// What the record search and the list builder share over a dataset: the
// filter that keeps the rows whose value in one field begins with the typed
// text, applying a filter, the index definitions both forms order by, and
// the check that a dataset can be searched at all.
#pragma once

#include "platform/db/FilterText.h"
#include "platform/win/Windows.h"

#include <QString>

namespace TouchDialogs {

class TClientDataSet;
class TEdit;
class TField;

// A dialog unit's Condicao: the first text when the flag is set, else the second.
using TextChooser = QString (*)(bool Flag, const QString &TrueText, const QString &FalseText);

// base, the connector condicao picks (" AND " after a base), then
// UPPER(<field>) LIKE '<TEXT>%' with the text upper-cased (ASCII letters
// only). A base with a top-level OR is put in parentheses, so the search can
// only narrow what the host let through; any other base keeps its exact
// text. A base of only blanks and comments is no filter; one that ends in a
// comment has the comment closed, so the condition still counts. A field
// name that is not a plain identifier is quoted.
// The view says what of the field the text is compared with (its value by
// default); a text compared without accents loses its own.
QString prefixSearchFilter(const QString &base, const QString &field, const QString &text, TextChooser condicao,
                           db::PrefixView view = {});

// The base joined, as above, to the condition that a field's value (for a
// text field) or shown text (for any other) equals the code exactly: what a
// barcode scan looks for.
QString scanFilter(const QString &base, const TField &field, const QString &code, TextChooser condicao);

// The filter for a search text: the base alone while the text is empty.
QString searchTextFilter(const QString &base, const QString &field, const QString &text, TextChooser condicao,
                         db::PrefixView view = {});

// The view (db::prefixViewOf) of a field of the dataset by name, under the
// host's extensions.
db::PrefixView prefixViewFor(const TClientDataSet &dataSet, const QString &field);

// The search box's editing keys: Delete empties the text, Backspace takes
// its last character off. True when the key was one of them.
bool editSearchText(WORD Key, TEdit &edit);

// Alt+F4 is swallowed: the forms close only through their own keys.
void swallowAltF4(WORD &Key, TShiftState Shift);

// Sets the filter and filters only when there is one.
void applyFilter(TClientDataSet &dataSet, const QString &filter);

// Replaces the index definitions with one per visible field, named after it.
void indexVisibleFields(TClientDataSet &dataSet);

// Raises EDatabaseError, each message led by `who`, unless the dataset is
// given, open and has at least two visible fields: the forms order and
// search by the second one.
void checkSearchable(const TClientDataSet *dataSet, const QString &who);

} // namespace TouchDialogs
