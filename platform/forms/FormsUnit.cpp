#include "platform/forms/FormsUnit.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Warmup.h"
#include "platform/rtl/Modules.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>
#include <QTranslator>
#include <QtEndian>
#include <algorithm>

namespace TouchDialogs::forms {

static UnitCounter g_counter;
static QTranslator *g_translator = nullptr;

namespace {

// The offset of a table of a TrueType font file, or -1 when the file has no
// such table of at least minLength bytes.
qsizetype findTable(const QByteArray &font, const char (&tag)[5], qsizetype minLength)
{
    if (font.size() < 12)
        return -1;
    const int count = qFromBigEndian<quint16>(font.constData() + 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 12 + 16 * qsizetype(i);
        if (entry + 16 > font.size())
            return -1;
        if (std::equal(tag, tag + 4, font.constData() + entry)) {
            const qsizetype offset = qFromBigEndian<quint32>(font.constData() + entry + 8);
            const qsizetype length = qFromBigEndian<quint32>(font.constData() + entry + 12);
            return length >= minLength && offset + length <= font.size() ? offset : -1;
        }
    }
    return -1;
}

// Wine's Tahoma Bold has the strokes of the regular face, only spaced wider,
// so bold text looked regular. The same face, no longer calling itself bold
// and a little lighter than bold (600), is what a bold Tahoma resolves to;
// Qt then draws it emboldened (a synthetic bold needs a face below 700 that
// is not marked bold), with the bold face's advances and line metrics.
// The file as it is when it is not one this can read.
QByteArray drawnEmboldened(QByteArray font)
{
    const qsizetype head = findTable(font, "head", 54);
    const qsizetype os2 = findTable(font, "OS/2", 64);
    if (head < 0 || os2 < 0)
        return font;
    const auto clear = [&font](qsizetype at, quint16 bits) {
        qToBigEndian(quint16(qFromBigEndian<quint16>(font.constData() + at) & ~bits), font.data() + at);
    };
    clear(head + 44, 0x01); // macStyle: bold
    clear(os2 + 62, 0x20);  // fsSelection: bold
    qToBigEndian(quint16(600), font.data() + os2 + 4); // usWeightClass
    return font;
}

} // namespace

void registerFonts()
{
    static bool done = false;
    if (done || !QCoreApplication::instance())
        return;
    done = true;
    finishFontWarmup();
    const QString wine = QStringLiteral("/usr/share/wine/fonts/");
    // Wine's "MS Sans Serif" holds bitmap strikes only (13, 16, 20 px), so a
    // layout asking for 16 or 19 px bold would get 13 px regular; Tahoma is
    // the scalable face with its metrics.
    if (QFile::exists(wine + QStringLiteral("tahoma.ttf")))
        QFontDatabase::addApplicationFont(wine + QStringLiteral("tahoma.ttf"));
    QFile bold(wine + QStringLiteral("tahomabd.ttf"));
    if (bold.open(QIODevice::ReadOnly))
        QFontDatabase::addApplicationFontFromData(drawnEmboldened(bold.readAll()));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
}

bool installTranslation(const QString &localeName)
{
    removeTranslation();
    if (!QCoreApplication::instance())
        return false;
    const QLocale locale = localeName.isEmpty() ? QLocale() : QLocale(localeName);
    auto *translator = new QTranslator;
    for (const QString &dir : {ResourcePath(QStringLiteral("i18n")), QStringLiteral(":/i18n")}) {
        if (translator->load(locale, QStringLiteral("touchdialogs"), QStringLiteral("_"), dir)) {
            QCoreApplication::installTranslator(translator);
            g_translator = translator;
            return true;
        }
    }
    delete translator;
    return false;
}

void removeTranslation()
{
    if (!g_translator)
        return;
    QCoreApplication::removeTranslator(g_translator);
    delete g_translator;
    g_translator = nullptr;
}

void unitInit()
{
    if (!g_counter.enter())
        return;
    registerFonts();
    installTranslation();
}

void unitFini()
{
    if (!g_counter.leave())
        return;
    freeOwnedForms();
    releaseKeptPictures();
    removeTranslation();
}

} // namespace TouchDialogs::forms
