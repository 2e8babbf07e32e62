// The dataset functions of the C interface, called as a C host calls them
// (through libTouchDialogs, without td_init: they need no display). The
// first line of an input is a flag byte and a filter text, the rest a JSON
// form or a data packet. Every call answers with one of the three statuses,
// says why on TD_ERROR and leaves its out-parameters alone unless TD_OK; an
// accepted dataset round-trips through both forms, and a refused filter
// changes nothing.
#include <TouchDialogs/touchdialogs_c.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum Flag : unsigned {
    kPacket = 1,        // the body is a data packet, not the JSON form
    kFiltered = 2,      // the filter is put in force, not only kept
    kToggle = 4,        // then the same filter with the switch the other way
    kNulTerminated = 8, // the round trip passes length -1
};

[[noreturn]] void broken(const char *what, const char *detail = "")
{
    std::fprintf(stderr, "invariant broken: %s %s (td_last_error: \"%s\")\n", what, detail, td_last_error());
    std::abort();
}

void require(bool ok, const char *what, const char *detail = "")
{
    if (!ok)
        broken(what, detail);
}

// What an out-parameter holds before the call: still there unless TD_OK.
char g_mark;
char *const kMark = &g_mark;
constexpr int kIntMark = -424242;
constexpr size_t kSizeMark = 0x5eed;

td_status checked(td_status s, const char *call)
{
    require(s == TD_OK || s == TD_ABORT || s == TD_ERROR, "a status outside the three from", call);
    require(s != TD_ERROR || *td_last_error(), "TD_ERROR without a text from", call);
    return s;
}

// A call that must fail: TD_ERROR, with its out-parameters as they were.
void refused(td_status s, const char *call)
{
    require(checked(s, call) == TD_ERROR, "no TD_ERROR from", call);
}

td_dataset *fromJson(const char *json, ptrdiff_t length)
{
    td_dataset *ds = reinterpret_cast<td_dataset *>(kMark);
    const td_status s = checked(td_dataset_from_json(json, length, &ds), "td_dataset_from_json");
    require((s == TD_OK) == (ds != reinterpret_cast<td_dataset *>(kMark)), "td_dataset_from_json's out-parameter");
    require(s != TD_OK || ds, "TD_OK without a dataset");
    return s == TD_OK ? ds : nullptr;
}

td_dataset *fromPacket(const QByteArray &packet)
{
    td_dataset *ds = reinterpret_cast<td_dataset *>(kMark);
    const td_status s = checked(td_dataset_from_packet(packet.constData(), size_t(packet.size()), &ds),
                                "td_dataset_from_packet");
    require((s == TD_OK) == (ds != reinterpret_cast<td_dataset *>(kMark)), "td_dataset_from_packet's out-parameter");
    require(s != TD_OK || ds, "TD_OK without a dataset");
    return s == TD_OK ? ds : nullptr;
}

// The JSON form of an open dataset (which cannot fail), its length right.
QByteArray jsonOf(const td_dataset *ds)
{
    char *json = kMark;
    size_t length = kSizeMark;
    require(checked(td_dataset_json(ds, &json, &length), "td_dataset_json") == TD_OK, "td_dataset_json failed");
    require(json && json != kMark && std::strlen(json) == length, "td_dataset_json's length");
    const QByteArray bytes(json, qsizetype(length));
    td_free(json);
    return bytes;
}

QByteArray packetOf(const td_dataset *ds)
{
    void *packet = kMark;
    size_t size = kSizeMark;
    require(checked(td_dataset_packet(ds, &packet, &size), "td_dataset_packet") == TD_OK, "td_dataset_packet failed");
    require(packet && packet != kMark && size > 0, "td_dataset_packet's out-parameters");
    const QByteArray bytes(static_cast<const char *>(packet), qsizetype(size));
    td_free(packet);
    return bytes;
}

int countOf(const td_dataset *ds)
{
    int count = kIntMark;
    require(checked(td_dataset_count(ds, &count), "td_dataset_count") == TD_OK && count >= 0, "td_dataset_count");
    return count;
}

QByteArray recordOf(const td_dataset *ds)
{
    char *json = kMark;
    require(checked(td_dataset_record(ds, &json), "td_dataset_record") == TD_OK && json && json != kMark,
            "td_dataset_record");
    const QByteArray bytes(json);
    td_free(json);
    return bytes;
}

struct State {
    QByteArray filter, index;
    int filtered = kIntMark;
    bool operator==(const State &) const = default;
};

State stateOf(const td_dataset *ds)
{
    char *filter = kMark, *index = kMark;
    State st;
    require(checked(td_dataset_state(ds, &filter, &st.filtered, &index), "td_dataset_state") == TD_OK,
            "td_dataset_state failed");
    require(filter && index && filter != kMark && index != kMark && (st.filtered == 0 || st.filtered == 1),
            "td_dataset_state's out-parameters");
    st.filter = filter;
    st.index = index;
    td_free(filter);
    td_free(index);
    // Any one of them may be left out.
    int filtered = kIntMark;
    char *only = kMark;
    require(td_dataset_state(ds, nullptr, &filtered, nullptr) == TD_OK && filtered == st.filtered,
            "td_dataset_state without the strings");
    require(td_dataset_state(ds, &only, nullptr, nullptr) == TD_OK && st.filter == only, "td_dataset_state filter");
    td_free(only);
    require(td_dataset_state(ds, nullptr, nullptr, nullptr) == TD_OK, "td_dataset_state without out-parameters");
    return st;
}

// The calls with a NULL where a dataset or an out-parameter belongs: each
// refused, nothing written; NULL for a text is "".
void nullArguments(td_dataset *ds, const QByteArray &body)
{
    td_dataset *made = reinterpret_cast<td_dataset *>(kMark);
    char *text = kMark;
    void *bytes = kMark;
    size_t size = kSizeMark;
    int number = kIntMark;
    refused(td_dataset_from_json(nullptr, -1, &made), "td_dataset_from_json(NULL)");
    refused(td_dataset_from_json(nullptr, 0, &made), "td_dataset_from_json(NULL, 0)");
    refused(td_dataset_from_json(body.constData(), -2, &made), "td_dataset_from_json(length -2)");
    refused(td_dataset_from_json(body.constData(), PTRDIFF_MIN, &made), "td_dataset_from_json(length PTRDIFF_MIN)");
    refused(td_dataset_from_json(body.constData(), -1, nullptr), "td_dataset_from_json(out NULL)");
    refused(td_dataset_from_packet(nullptr, 0, &made), "td_dataset_from_packet(NULL)");
    refused(td_dataset_from_packet(body.constData(), size_t(body.size()), nullptr), "td_dataset_from_packet(out NULL)");
    refused(td_dataset_json(nullptr, &text, &size), "td_dataset_json(NULL)");
    refused(td_dataset_json(ds, nullptr, &size), "td_dataset_json(out NULL)");
    refused(td_dataset_packet(nullptr, &bytes, &size), "td_dataset_packet(NULL)");
    refused(td_dataset_packet(ds, nullptr, &size), "td_dataset_packet(packet NULL)");
    refused(td_dataset_packet(ds, &bytes, nullptr), "td_dataset_packet(size NULL)");
    refused(td_dataset_record(nullptr, &text), "td_dataset_record(NULL)");
    refused(td_dataset_record(ds, nullptr), "td_dataset_record(out NULL)");
    refused(td_dataset_count(nullptr, &number), "td_dataset_count(NULL)");
    refused(td_dataset_count(ds, nullptr), "td_dataset_count(out NULL)");
    refused(td_dataset_set_filter(nullptr, "1", 1), "td_dataset_set_filter(NULL)");
    refused(td_dataset_state(nullptr, &text, &number, &text), "td_dataset_state(NULL)");
    require(made == reinterpret_cast<td_dataset *>(kMark) && text == kMark && bytes == kMark && size == kSizeMark
                && number == kIntMark,
            "a refused call wrote an out-parameter");
    // The length is optional.
    require(td_dataset_json(ds, &text, nullptr) == TD_OK && text != kMark, "td_dataset_json without a length");
    td_free(text);
    td_free(nullptr);
    td_dataset_free(nullptr);
}

// Filter text, then switch: TD_OK puts both in force; TD_ERROR leaves the
// state, the records and the view as they were.
void setFilter(td_dataset *ds, const QByteArray &filter, int on, const QByteArray &json, int total)
{
    const State before = stateOf(ds);
    const int countBefore = countOf(ds);
    const QByteArray recordBefore = recordOf(ds);
    const td_status s = checked(td_dataset_set_filter(ds, filter.constData(), on), "td_dataset_set_filter");
    const State after = stateOf(ds);
    const int count = countOf(ds);
    if (s != TD_OK) {
        require(after == before, "a refused filter changed the state", filter.constData());
        require(count == countBefore && recordOf(ds) == recordBefore, "a refused filter changed the view",
                filter.constData());
    } else {
        // The text comes back as the library reads it: UTF-8, up to a NUL.
        require(after.filter == QString::fromUtf8(filter.constData()).toUtf8() && after.filtered == on
                    && after.index == before.index,
                "the state after a filter", filter.constData());
        require(count <= total && (on || count == total), "the count after a filter", filter.constData());
        require((recordOf(ds) == "null") == (count == 0), "the current record after a filter", filter.constData());
    }
    require(jsonOf(ds) == json, "a filter changed the JSON form", filter.constData());
}

// An accepted dataset: its JSON form loads again and is then stable, its
// packet loads to the same JSON form, the count and the current record agree
// with the records, and the filter steps keep all of that.
void checkDataset(td_dataset *ds, const QByteArray &filter, unsigned flags)
{
    const QByteArray json = jsonOf(ds);
    td_dataset *again = (flags & kNulTerminated) ? fromJson(json.constData(), -1)
                                                 : fromJson(json.constData(), json.size());
    require(again, "the JSON form does not load back", json.left(300).constData());
    require(jsonOf(again) == json, "the JSON form is not stable", json.left(300).constData());
    td_dataset_free(again);

    td_dataset *viaPacket = fromPacket(packetOf(ds));
    require(viaPacket, "the packet does not load back", json.left(300).constData());
    require(jsonOf(viaPacket) == json, "the packet does not round-trip", json.left(300).constData());
    td_dataset_free(viaPacket);

    const QJsonObject form = QJsonDocument::fromJson(json).object();
    const QJsonArray fields = form.value(QLatin1String("fields")).toArray();
    const QJsonArray records = form.value(QLatin1String("records")).toArray();
    require(stateOf(ds) == State{{}, {}, 0}, "a new dataset has a filter or an order");
    const int total = countOf(ds);
    require(total == records.size(), "td_dataset_count is not the number of records");
    const QByteArray record = recordOf(ds);
    if (total == 0) {
        require(record == "null", "a current record in an empty dataset", record.constData());
    } else {
        // The first record, field by field under the field names.
        const QJsonObject current = QJsonDocument::fromJson(record).object();
        require(current.size() == fields.size(), "the current record's fields", record.constData());
        const QJsonArray first = records.first().toArray();
        for (qsizetype f = 0; f < fields.size(); ++f)
            require(current.value(fields[f].toObject().value(QLatin1String("name")).toString()) == first[f],
                    "the current record is not the first", record.constData());
    }

    nullArguments(ds, json);
    setFilter(ds, filter, (flags & kFiltered) ? 1 : 0, json, total);
    if (flags & kToggle)
        setFilter(ds, filter, (flags & kFiltered) ? 0 : 1, json, total);
    // NULL is the empty filter.
    require(td_dataset_set_filter(ds, nullptr, 0) == TD_OK && stateOf(ds) == State{{}, {}, 0}
                && countOf(ds) == total,
            "td_dataset_set_filter(NULL)");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype eol = in.indexOf('\n');
    const QByteArray head = eol < 0 ? QByteArray() : in.left(eol);
    const QByteArray body = eol < 0 ? in : in.mid(eol + 1);
    const unsigned flags = head.isEmpty() ? 0 : uchar(head[0]);
    const QByteArray filter = head.mid(1);

    td_dataset *ds = nullptr;
    if (flags & kPacket) {
        ds = fromPacket(body);
    } else {
        // Length -1 reads up to the first NUL, as does that length given.
        const qsizetype nul = qstrlen(body.constData());
        td_dataset *upToNul = fromJson(body.constData(), -1);
        td_dataset *counted = fromJson(body.constData(), nul);
        require(!upToNul == !counted, "length -1 and the length up to the NUL disagree");
        if (upToNul)
            require(jsonOf(upToNul) == jsonOf(counted), "length -1 and the length up to the NUL disagree");
        td_dataset_free(upToNul);
        td_dataset_free(counted);
        // With its length given, a NUL byte is read as any other control
        // character (Qt's reader takes them in strings), never as an end.
        ds = fromJson(body.constData(), body.size());
        if (nul != body.size() && !body.contains('\1')) {
            QByteArray other = body;
            td_dataset *withSoh = fromJson(other.replace('\0', '\1').constData(), other.size());
            require(!ds == !withSoh, "a NUL byte is read unlike other control characters");
            if (ds)
                require(jsonOf(ds) == jsonOf(withSoh).replace("\\u0001", "\\u0000"),
                        "a NUL byte is read unlike other control characters");
            td_dataset_free(withSoh);
        }
    }
    if (ds) {
        checkDataset(ds, filter, flags);
        td_dataset_free(ds);
    }
    return 0;
}
