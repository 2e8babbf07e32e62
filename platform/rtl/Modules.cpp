#include "platform/rtl/Modules.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QResource>

namespace TouchDialogs {

static TLibModule *g_modules = nullptr;

void RegisterModule(TLibModule *module)
{
    module->Next = g_modules;
    g_modules = module;
}

void UnregisterModule(TLibModule *module)
{
    for (TLibModule **p = &g_modules; *p; p = &(*p)->Next) {
        if (*p == module) {
            *p = module->Next;
            module->Next = nullptr;
            return;
        }
    }
}

TLibModule *LibModuleList()
{
    return g_modules;
}

void PackageLoad(const TPackageInfoTable *table)
{
    for (int i = 0; i < table->UnitCount; ++i)
        if (table->UnitInfo[i].Init)
            table->UnitInfo[i].Init();
}

void PackageUnload(const TPackageInfoTable *table)
{
    for (int i = table->UnitCount - 1; i >= 0; --i)
        if (table->UnitInfo[i].FInit)
            table->UnitInfo[i].FInit();
}

// Not a static QString: the loader attaches the library before its static
// objects are constructed and detaches it after they are destroyed.
static QString langRoot()
{
    return QStringLiteral("/lang");
}

static QString unversionedLibraryFile(const QString &libraryFile)
{
    // The loader names the library by whichever name loaded it: the soname a
    // linked host asks for (".so.1"), the real file (".so.1.0") or the
    // development link (".so"). Packs are named after the last.
    static const QRegularExpression versionSuffix(QStringLiteral("(?<=\\.so)(\\.[0-9]+)+$"));
    QString name = libraryFile;
    return name.remove(versionSuffix);
}

static int g_resourceGeneration = 0;

int ResourceGeneration()
{
    return g_resourceGeneration;
}

HINSTANCE LoadResourceModule(const QString &libraryFile, const QString &localeName)
{
    if (libraryFile.isEmpty())
        return nullptr;
    // Installed, the packs have a folder of their own beside the library
    // (no file in a library folder that ldconfig takes for a library); in a
    // build tree they lie beside it. Found relative to the library, so a
    // prefix can be moved.
    const QFileInfo base(unversionedLibraryFile(libraryFile));
    const QDir dir = base.dir();
    QStringList names{base.fileName() + u'.' + localeName + QStringLiteral(".rcc")};
    const QString language = localeName.section(u'_', 0, 0);
    if (!language.isEmpty() && language != localeName)
        names << base.fileName() + u'.' + language + QStringLiteral(".rcc");
    QStringList candidates;
    for (const QString &name : names)
        candidates << dir.filePath(QStringLiteral("touchdialogs/") + name) << dir.filePath(name);
    for (const QString &path : candidates) {
        if (!QFileInfo(path).isFile())
            continue;
        if (QResource::registerResource(path, langRoot())) {
            ++g_resourceGeneration;
            return new TResourceModule{path};
        }
    }
    return nullptr;
}

HINSTANCE LoadResourceModule(const QString &libraryFile)
{
    return LoadResourceModule(libraryFile, QLocale::system().name());
}

bool FreeResourceModule(HINSTANCE module)
{
    auto *pack = static_cast<TResourceModule *>(module);
    if (!pack)
        return false;
    QResource::unregisterResource(pack->rccPath, langRoot());
    ++g_resourceGeneration;
    delete pack;
    return true;
}

QString ResourcePath(const QString &relative)
{
    // Layouts name their images as Qt resource paths (":/images/..."); the
    // language pack may hold its own copy under the same relative path.
    QString rel = relative;
    if (rel.startsWith(u':'))
        rel.remove(0, 1);
    if (rel.startsWith(u'/'))
        rel.remove(0, 1);
    const QString fromPack = QStringLiteral(":/lang/") + rel;
    if (QFileInfo::exists(fromPack))
        return fromPack;
    return QStringLiteral(":/") + rel;
}

} // namespace TouchDialogs
