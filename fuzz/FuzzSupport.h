// What the fuzz targets share: the small dataset they start from and the
// checks every accepted dataset must pass. A failed check aborts, so that
// libFuzzer keeps the input that broke it.
#pragma once

#include "platform/db/ClientDataSet.h"
#include "platform/rtl/Exceptions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void broken(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "invariant broken: %s %s\n", what, qPrintable(detail));
    std::abort();
}

inline void require(bool ok, const char *what, const QString &detail = {})
{
    if (!ok)
        broken(what, detail);
}

// Ten records: a string with NULLs and "Ç", an integer, a float and a date.
inline QByteArray tenRecords()
{
    return QByteArrayLiteral(R"({"fields":[
        {"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":30},
        {"name":"PRECO","type":"float"},{"name":"DATA","type":"date"},{"name":"ATIVO","type":"string","size":1,"visible":false}],
      "records":[[1,"Café",4.5,"2024-01-02","S"],[2,"Cachaça",12,"2023-12-31","S"],[3,null,0.1,null,"N"],
        [4,"Çarpa",-3,"2000-02-29","S"],[5,"caldo",1e10,"1999-01-01","N"],[6,"CAÇA",null,"2024-02-29","S"],
        [7,"Chá",2.25,"2024-03-01","S"],[8,null,7,"2024-01-02","S"],[9,"Água",0,"1970-01-01","N"],
        [10,"bolo ç",99.99,"2038-01-19","S"]]})");
}

// The type a field's Value() has when not null.
inline int valueType(TouchDialogs::TFieldType type)
{
    using namespace TouchDialogs;
    switch (type) {
    case ftInteger: return QMetaType::Int;
    case ftLargeint: return QMetaType::LongLong;
    case ftFloat:
    case ftCurrency: return QMetaType::Double;
    case ftBoolean: return QMetaType::Bool;
    case ftDate: return QMetaType::QDate;
    case ftTime: return QMetaType::QTime;
    case ftDateTime: return QMetaType::QDateTime;
    default: return QMetaType::QString;
    }
}

// An accepted dataset: every value has its field's type, it round-trips
// through both forms unchanged, and it can be edited and added to.
inline void checkAccepted(TouchDialogs::TClientDataSet &ds)
{
    using namespace TouchDialogs;
    for (ds.First(); !ds.Eof(); ds.Next())
        for (int f = 0; f < ds.FieldCount(); ++f) {
            const QVariant v = ds.Fields(f)->Value();
            require(v.isNull() || (v.typeId() == valueType(ds.Fields(f)->DataType()) && v.isValid()),
                    "value of the wrong type in field", ds.Fields(f)->FieldName());
            require(!(v.isNull() && ds.Fields(f)->Required()), "required field without a value");
        }
    const QByteArray json = ds.toJson();
    TClientDataSet viaPacket, viaJson;
    try {
        viaPacket.setData(ds.Data());
        viaJson.fromJson(json);
    } catch (const EDatabaseError &e) {
        broken("an accepted dataset does not load back", e.Message());
    }
    require(viaPacket.toJson() == json, "the packet does not round-trip", QString::fromUtf8(json.left(200)));
    require(viaJson.toJson() == json, "the JSON form does not round-trip", QString::fromUtf8(json.left(200)));
    try {
        if (ds.RecordCount() > 0) {
            ds.First();
            ds.Edit();
            ds.Fields(0)->setValue(ds.Fields(0)->Value());
            ds.Post();
        }
        ds.Append();
        for (int f = 0; f < ds.FieldCount(); ++f)
            if (ds.Fields(f)->Required())
                ds.Fields(f)->setAsString(ds.Fields(f)->DataType() == ftBoolean ? QStringLiteral("True")
                                          : ds.Fields(f)->DataType() == ftDate || ds.Fields(f)->DataType() == ftDateTime
                                              ? QStringLiteral("01/01/2000")
                                          : ds.Fields(f)->DataType() == ftTime ? QStringLiteral("12:00")
                                                                               : QStringLiteral("1"));
        ds.Post();
        viaPacket.setData(ds.Data());
    } catch (const EDatabaseError &e) {
        broken("an accepted dataset cannot be written", e.Message());
    }
    require(viaPacket.RecordCount() == ds.RecordCount(), "records lost on writing");
}

// One input loaded over the ten records by `load` (setData or fromJson):
// refused with the dataset as it was, or accepted and checked.
template <typename Load>
int checkLoad(const uint8_t *data, size_t size, Load load)
{
    using namespace TouchDialogs;
    static const QByteArray base = [] {
        TClientDataSet ds;
        ds.fromJson(tenRecords());
        return ds.toJson();
    }();
    TClientDataSet ds;
    ds.fromJson(base);
    try {
        load(ds, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const EDatabaseError &) {
        require(ds.toJson() == base && ds.RecordCount() == 10, "a refused input changed the dataset");
        return 0;
    }
    checkAccepted(ds);
    return 0;
}

} // namespace fuzz
