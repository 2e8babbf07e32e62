// touchdlg list: build a list from the records of a data packet or a sample
// catalogue. {"records":[{…},…]} in list order; --out also writes the list's
// data packet. Exit 0 when the list holds records, 1 when it is empty (the
// user left with "Sair", or confirmed nothing).
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

using namespace TouchDialogs;

static const touchdlg::Registrar listCommand({
    QStringLiteral("list"),
    QStringLiteral("(--data FILE|- | --sample NAME) [--fields LIST] [--filter EXPR] [--description T]\n"
                   "            [--out PACKET] [--ignore-accents]"),
    [](QCommandLineParser &parser) {
        touchdlg::addDataOptions(parser);
        parser.addOption({QStringLiteral("description"), QStringLiteral("Text above the search box."),
                          QStringLiteral("T")});
        parser.addOption({QStringLiteral("out"), QStringLiteral("Also write the list's data packet to this file."),
                          QStringLiteral("PACKET")});
        parser.addOption({QStringLiteral("ignore-accents"),
                          QStringLiteral("Typed text finds names whatever their accents and case (cafe finds Café).")});
    },
    [](const QCommandLineParser &parser, touchdlg::JsonObjectWriter &answer) {
        const std::unique_ptr<TClientDataSet> data = touchdlg::openData(parser, QStringLiteral("list"));
        Extensions extensions = Application::extensions();
        extensions.ignoreAccents = parser.isSet(QStringLiteral("ignore-accents"));
        Application::setExtensions(extensions);

        TClientDataSet chosen;
        chosen.setData(list::ConstrucaoList(data.get(), parser.value(QStringLiteral("description"))));
        if (parser.isSet(QStringLiteral("out")))
            chosen.SaveToFile(parser.value(QStringLiteral("out")));

        QByteArrayList records;
        for (chosen.First(); !chosen.Eof(); chosen.Next())
            records.append(chosen.recordJson());
        answer.insertJson(QStringLiteral("records"), touchdlg::jsonArray(records));
        return records.isEmpty() ? 1 : 0;
    },
});
