// touchdlg list: build a list from the records of a data packet or a sample
// catalogue. {"records":[{…},…]} in list order; --out also writes the list's
// data packet. Exit 0 when the list holds records, 1 when it is empty (the
// user left with "Sair", or confirmed nothing).
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace TouchDialogs;

// --out /dev/stdout (or any name of the file our standard output or error
// is) goes through that descriptor, before the answer: opened by its name,
// a file would be written from its start, or replaced, under what the shell
// had opened, and the answer lost.
static void writePacket(const TClientDataSet &list, const QString &fileName)
{
    struct stat target;
    if (::stat(QFile::encodeName(fileName).constData(), &target) == 0) {
        for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            struct stat given;
            if (::fstat(fd, &given) != 0 || given.st_dev != target.st_dev || given.st_ino != target.st_ino)
                continue;
            std::fflush(fd == STDOUT_FILENO ? stdout : stderr);
            const QByteArray bytes = list.Data().toByteArray();
            QFile file;
            if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size())
                throw touchdlg::UsageError{QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString())};
            return;
        }
    }
    list.SaveToFile(fileName);
}

// What cannot take the packet is said before the user builds the list.
static void checkOut(const QCommandLineParser &parser)
{
    const QString outName = parser.value(QStringLiteral("out"));
    const QFileInfo out(outName);
    if (parser.isSet(QStringLiteral("out")) && (outName.isEmpty() || out.isDir() || !out.dir().exists()))
        throw touchdlg::UsageError{QStringLiteral("--out '%1': %2")
                                       .arg(outName, outName.isEmpty() ? QStringLiteral("no file name")
                                                     : out.isDir()      ? QStringLiteral("a folder, not a file")
                                                                        : QStringLiteral("no such folder"))};
}

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
        checkOut(parser);
        const std::unique_ptr<TClientDataSet> data = touchdlg::openData(parser, QStringLiteral("list"));
        Extensions extensions = Application::extensions();
        extensions.ignoreAccents = parser.isSet(QStringLiteral("ignore-accents"));
        Application::setExtensions(extensions);

        TClientDataSet chosen;
        chosen.setData(list::ConstrucaoList(data.get(), parser.value(QStringLiteral("description"))));
        if (parser.isSet(QStringLiteral("out")))
            writePacket(chosen, parser.value(QStringLiteral("out")));

        QByteArrayList records;
        for (chosen.First(); !chosen.Eof(); chosen.Next())
            records.append(chosen.recordJson());
        answer.insertJson(QStringLiteral("records"), touchdlg::jsonArray(records));
        return records.isEmpty() ? 1 : 0;
    },
    QStringLiteral("0 a list of records; 1 an empty list (left, or nothing chosen)"),
    [](const QCommandLineParser &parser) {
        checkOut(parser);
        touchdlg::checkDataOptions(parser, QStringLiteral("list"));
    },
});
