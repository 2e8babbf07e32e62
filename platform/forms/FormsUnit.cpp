#include "platform/forms/FormsUnit.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Modules.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>
#include <QTranslator>

namespace TouchDialogs::forms {

static UnitCounter g_counter;
static QTranslator *g_translator = nullptr;

void registerFonts()
{
    static bool done = false;
    if (done || !QCoreApplication::instance())
        return;
    done = true;
    const QString wine = QStringLiteral("/usr/share/wine/fonts/");
    // Wine's "MS Sans Serif" holds bitmap strikes only (13, 16, 20 px), so a
    // layout asking for 16 or 19 px bold would get 13 px regular; Tahoma is
    // the scalable face with its metrics.
    for (const char *file : {"tahoma.ttf", "tahomabd.ttf"})
        if (QFile::exists(wine + QLatin1String(file)))
            QFontDatabase::addApplicationFont(wine + QLatin1String(file));
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
    Application::freeOwnedForms();
    removeTranslation();
}

} // namespace TouchDialogs::forms
