// touchdlg search: pick one record of a data packet or a sample catalogue.
// {"confirmed":true,"navigation":1,"record":{…},"filter":"…","filtered":true,
// "indexName":"NOME"}; exit 0 when a record was picked, 1 otherwise.
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>


using namespace TouchDialogs;

static const touchdlg::Registrar searchCommand({
    QStringLiteral("search"),
    QStringLiteral("(--data FILE|- | --sample NAME) [--fields LIST] [--filter EXPR] [--drop-filter]\n"
                   "            [--observation T] [--navigator] [--ignore-accents] [--scan-field FIELD]"),
    [](QCommandLineParser &parser) {
        touchdlg::addDataOptions(parser);
        parser.addOption({QStringLiteral("drop-filter"), QStringLiteral("Search without the host's filter.")});
        parser.addOption({QStringLiteral("observation"), QStringLiteral("Text above the search box."),
                          QStringLiteral("T")});
        parser.addOption({QStringLiteral("navigator"), QStringLiteral("Offer the two navigation keys.")});
        parser.addOption({QStringLiteral("ignore-accents"),
                          QStringLiteral("Typed text finds names whatever their accents and case (cafe finds Café).")});
        parser.addOption({QStringLiteral("scan-field"),
                          QStringLiteral("A barcode scanner's burst picks the record whose FIELD equals it."),
                          QStringLiteral("FIELD")});
    },
    [](const QCommandLineParser &parser, touchdlg::JsonObjectWriter &answer) {
        const std::unique_ptr<TClientDataSet> owned = touchdlg::openData(parser, QStringLiteral("search"));
        TClientDataSet &data = *owned;
        Extensions extensions = Application::extensions();
        extensions.ignoreAccents = parser.isSet(QStringLiteral("ignore-accents"));
        extensions.scanField = parser.value(QStringLiteral("scan-field"));
        Application::setExtensions(extensions);

        const bool confirmed = search::Pesquisa(
            &data, QString(), parser.isSet(QStringLiteral("drop-filter")) ? QStringLiteral("S") : QString(),
            parser.value(QStringLiteral("observation")), parser.isSet(QStringLiteral("navigator")));

        answer.insert(QStringLiteral("confirmed"), confirmed);
        answer.insert(QStringLiteral("navigation"), search::inNavegProd);
        answer.insertJson(QStringLiteral("record"), data.recordJson());
        answer.insert(QStringLiteral("filter"), data.Filter());
        answer.insert(QStringLiteral("filtered"), data.Filtered());
        answer.insert(QStringLiteral("indexName"), data.IndexName());
        return confirmed ? 0 : 1;
    },
    QStringLiteral("0 a record confirmed; 1 cancelled"),
    [](const QCommandLineParser &parser) { touchdlg::checkDataOptions(parser, QStringLiteral("search")); },
});
