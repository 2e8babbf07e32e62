// The C interface of touchdialogs_c.h: each function turns its C arguments into
// the dialog's, runs it, and turns every exception into a status and a text.
#include <TouchDialogs/touchdialogs_c.h>

#include <TouchDialogs/TouchDialogs.h>

#include "platform/db/Values.h"
#include "platform/forms/PlatformCheck.h"
#include "platform/forms/Warmup.h"

#include <QApplication>
#include <QByteArray>
#include <QLocale>
#include <QPointer>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

struct td_dataset {
    TouchDialogs::TClientDataSet data;
};

using namespace TouchDialogs;

namespace {

thread_local std::string t_lastError;

// The Qt application td_init made (a host may end it before td_finish), and
// how many td_init calls are open.
QPointer<QApplication> g_ownApp;
int g_inits = 0;
// The thread of the first Qt application the library ran on: Qt keeps global
// objects of its own there (its pixmap cache and timer), so every later one
// must run on it too. Null once that thread has ended.
QPointer<QThread> g_guiThread;
bool g_started = false;

td_status failed(const char *why) noexcept
{
    try {
        t_lastError = why;
    } catch (...) {
        t_lastError.clear(); // no memory even for the text: the status still says it
    }
    return TD_ERROR;
}

// Runs body with every exception caught: the silent abort is a status of its
// own, anything else a failure with its text.
template <typename Body> td_status guarded(Body &&body) noexcept
{
    try {
        t_lastError.clear();
        body();
        return TD_OK;
    } catch (const EAbort &) {
        return TD_ABORT;
    } catch (const std::bad_alloc &) {
        return failed("out of memory");
    } catch (const std::exception &e) {
        return failed(e.what());
    } catch (...) {
        return failed("unknown error");
    }
}

// A failure raised before any dialog runs.
struct Refused : std::exception {
    explicit Refused(std::string why) : text(std::move(why)) {}
    const char *what() const noexcept override { return text.c_str(); }
    std::string text;
};

// The Qt application still there, and the caller on its thread.
void checkGuiThread()
{
    if (!qApp)
        throw Refused("the Qt application is gone: the host ended it before td_finish");
    if (QThread::currentThread() != qApp->thread())
        throw Refused("called from another thread than the one that called td_init");
}

// What every dialog needs: td_init done and the caller on the GUI thread.
void checkReady()
{
    if (g_inits == 0)
        throw Refused("td_init has not been called");
    checkGuiThread();
}

// A setting the dialogs read: while they may run, only from their thread.
void checkSettingThread()
{
    if (g_inits > 0)
        checkGuiThread();
}

// A text or packet larger than a dataset holds is refused before it is read.
void checkDataSize(size_t size, const char *what)
{
    if (size > size_t(kMaxDataBytes))
        throw Refused(std::string(what) + " is larger than " + std::to_string(kMaxDataBytes >> 20)
                      + " MiB, more than a dataset holds");
}

void checkOut(const void *out, const char *name)
{
    if (!out)
        throw Refused(std::string(name) + " is NULL");
}

TClientDataSet &dataOf(const td_dataset *dataset)
{
    if (!dataset)
        throw Refused("the dataset is NULL");
    return const_cast<td_dataset *>(dataset)->data;
}

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// A copy for the caller, freed with td_free; NUL-terminated.
char *handOut(const QByteArray &bytes)
{
    auto *copy = static_cast<char *>(std::malloc(size_t(bytes.size()) + 1));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, bytes.constData(), size_t(bytes.size()));
    copy[bytes.size()] = '\0';
    return copy;
}

char *handOut(const QString &s)
{
    return handOut(s.toUtf8());
}

message::TMsgDlgType messageType(int type)
{
    if (type < message::mtWarning || type > message::mtCustom)
        throw Refused("unknown kind of box " + std::to_string(type));
    return message::TMsgDlgType(type);
}

message::TMsgDlgButtons messageButtons(unsigned buttons)
{
    if (buttons >> message::kButtonKinds)
        throw Refused("unknown buttons in " + std::to_string(buttons));
    return message::TMsgDlgButtons::fromBits(buttons);
}

void checkClosable(message::TMsgDlgButtons buttons, int seconds, const char *extra)
{
    if (!message::msgDlgCanEnd(buttons, seconds, text(extra)))
        throw Refused("no button would close the box: give one besides Help, an extra button or seconds > 0");
}

// Qt passes events through the application's event filters only on its main
// thread, the first one that made a Qt object in the process; the forms take
// their keys through such a filter.
bool appFiltersReachThisThread()
{
    struct Probe : QObject {
        bool seen = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            seen = seen || event->type() == QEvent::User;
            return false;
        }
    } probe;
    QObject target;
    qApp->installEventFilter(&probe);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    qApp->removeEventFilter(&probe);
    return probe.seen;
}

} // namespace

extern "C" {

td_status td_init(void)
{
    return guarded([] {
        if (g_inits > 0) {
            checkGuiThread();
            ++g_inits;
            return;
        }
        if (g_started && g_guiThread != QThread::currentThread())
            throw Refused("td_init must be called on the thread that first called it: Qt keeps objects of its "
                          "windows on that thread");
        if (!QCoreApplication::instance()) {
            startFontWarmup();
            // Qt ends the process when no platform plugin starts.
            const PlatformVerdict verdict = canStart();
            if (!verdict.canStart)
                throw Refused("no display the dialogs can use; tried " + verdict.tried.toStdString()
                              + ". Set DISPLAY or WAYLAND_DISPLAY to a running one, or QT_QPA_PLATFORM=offscreen "
                                "to run without one");
            // Qt keeps argc and argv for the application's lifetime.
            static int argc = 1;
            static char name[] = "touchdialogs";
            static char *argv[] = {name, nullptr};
            g_ownApp = new QApplication(argc, argv);
        } else if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
            throw Refused("the host's Qt application has no widgets (a QCoreApplication or QGuiApplication)");
        } else if (QThread::currentThread() != qApp->thread()) {
            throw Refused("called from another thread than the one that made the Qt application");
        }
        if (!appFiltersReachThisThread()) {
            delete g_ownApp;
            throw Refused("td_init must be called on the thread that first used Qt in this process (the "
                          "first dataset made, say): keys would not reach the dialogs on this one");
        }
        try {
            Initialize();
        } catch (...) {
            delete g_ownApp;
            throw;
        }
        g_inits = 1;
        g_guiThread = qApp->thread();
        g_started = true;
    });
}

void td_finish(void)
{
    guarded([] {
        if (g_inits == 0)
            return;
        // Qt's objects can only go on their own thread: from another one the
        // teardown would crash, so it is refused and everything stays.
        if (qApp && QThread::currentThread() != qApp->thread())
            throw Refused("td_finish must be called on the thread that called td_init: nothing was torn down");
        if (--g_inits > 0)
            return;
        try {
            Finalize();
        } catch (...) {
            // A teardown has nothing to report to; the application goes all the same.
        }
        delete g_ownApp;
    });
}

const char *td_last_error(void)
{
    return t_lastError.c_str();
}

void td_free(void *p)
{
    std::free(p);
}

td_status td_set_title(const char *title)
{
    return guarded([&] {
        checkSettingThread();
        Application::setTitle(text(title));
    });
}

td_status td_set_extensions(double scale, int countdown, int ignore_accents, const char *scan_field)
{
    return guarded([&] {
        checkSettingThread();
        Extensions e = Application::extensions();
        e.scale = scale;
        e.countdown = countdown != 0;
        e.ignoreAccents = ignore_accents != 0;
        e.scanField = text(scan_field);
        Application::setExtensions(e);
    });
}

td_status td_set_backdrop(int on)
{
    return guarded([&] {
        checkSettingThread();
        Extensions e = Application::extensions();
        e.backdrop = on != 0;
        Application::setExtensions(e);
    });
}

td_status td_set_locale(const char *name)
{
    return guarded([&] {
        if (g_inits > 0)
            throw Refused("the language is chosen by td_init: call td_set_locale before it");
        const QString wanted = text(name);
        const QLocale locale = wanted.isEmpty() ? QLocale::system() : QLocale(wanted);
        if (locale.language() == QLocale::C && !wanted.isEmpty() && wanted != QLatin1String("C"))
            throw Refused("td_set_locale wants a language such as en or pt_BR, not '" + wanted.toStdString() + "'");
        QLocale::setDefault(locale);
    });
}

void td_process_messages(void)
{
    guarded([] {
        checkReady();
        Application::ProcessMessages();
    });
}

td_status td_message_type(const char *name, int *type)
{
    return guarded([&] {
        checkOut(type, "type");
        *type = message::msgDlgTypeFromName(text(name));
    });
}

td_status td_message_buttons(const char *names, unsigned *buttons)
{
    return guarded([&] {
        checkOut(buttons, "buttons");
        *buttons = message::msgDlgButtonsFromNames(text(names)).bits();
    });
}

td_status td_message_dlg(const char *msg, int type, unsigned buttons, int seconds, const char *extra,
                         int *modal_result)
{
    return guarded([&] {
        checkReady();
        checkOut(modal_result, "modal_result");
        checkClosable(messageButtons(buttons), seconds, extra);
        const int result = message::TouchMessageDlg(text(msg), messageType(type), messageButtons(buttons), 0,
                                                    seconds, text(extra));
        *modal_result = result;
    });
}

td_status td_message(const char *msg, int type, unsigned buttons, int seconds, const char *extra)
{
    return guarded([&] {
        checkReady();
        checkClosable(messageButtons(buttons), seconds, extra);
        message::TouchMessage(text(msg), messageType(type), messageButtons(buttons), 0, seconds, text(extra));
    });
}

td_status td_message_error(const char *msg, int abort_after)
{
    return guarded([&] {
        checkReady();
        message::TouchMensErro(text(msg), abort_after != 0);
    });
}

td_status td_message_check_result(const char *answer, int show_error, int expected_length)
{
    return guarded([&] {
        checkReady();
        message::TouchCheckResultServ(answer ? QVariant(text(answer)) : QVariant(), show_error != 0,
                                      expected_length);
    });
}

td_status td_keyboard(const char *start, const char *caption, char **result)
{
    return guarded([&] {
        checkReady();
        checkOut(result, "result");
        const QString answer = keyboard::TecladoAlfanumerico(text(start), text(caption));
        *result = handOut(answer);
    });
}

td_status td_quantity(const char *caption, int whole_only, int max_chars, double *quantity)
{
    return guarded([&] {
        checkReady();
        checkOut(quantity, "quantity");
        if (max_chars < 0)
            throw Refused("max_chars wants 0 (no limit) or more, not " + std::to_string(max_chars));
        const double answer = quantity::InfoQuantidade(text(caption), whole_only ? 1 : 0,
                                                       max_chars > 0 ? QString::number(max_chars) : QString());
        *quantity = answer;
    });
}

td_status td_colour(char **colour)
{
    return guarded([&] {
        checkReady();
        checkOut(colour, "colour");
        *colour = handOut(colour::EscolherCor());
    });
}

td_status td_dataset_from_json(const char *json, ptrdiff_t length, td_dataset **dataset)
{
    return guarded([&] {
        checkOut(dataset, "dataset");
        checkOut(json, "json");
        if (length < -1)
            throw Refused("length wants -1 (NUL-terminated) or the byte count");
        const size_t size = length < 0 ? strnlen(json, size_t(kMaxDataBytes) + 1) : size_t(length);
        checkDataSize(size, "the JSON text");
        auto made = std::make_unique<td_dataset>();
        made->data.fromJson(QByteArray(json, qsizetype(size)));
        *dataset = made.release();
    });
}

td_status td_dataset_from_packet(const void *packet, size_t size, td_dataset **dataset)
{
    return guarded([&] {
        checkOut(dataset, "dataset");
        checkOut(packet, "packet");
        checkDataSize(size, "the packet");
        auto made = std::make_unique<td_dataset>();
        made->data.setData(QByteArray(static_cast<const char *>(packet), qsizetype(size)));
        *dataset = made.release();
    });
}

void td_dataset_free(td_dataset *dataset)
{
    delete dataset;
}

td_status td_dataset_json(const td_dataset *dataset, char **json, size_t *length)
{
    return guarded([&] {
        checkOut(json, "json");
        const QByteArray bytes = dataOf(dataset).toJson();
        *json = handOut(bytes);
        if (length)
            *length = size_t(bytes.size());
    });
}

td_status td_dataset_packet(const td_dataset *dataset, void **packet, size_t *size)
{
    return guarded([&] {
        checkOut(packet, "packet");
        checkOut(size, "size");
        const QByteArray bytes = dataOf(dataset).Data().toByteArray();
        if (bytes.isEmpty())
            throw Refused("the dataset is closed");
        *packet = handOut(bytes);
        *size = size_t(bytes.size());
    });
}

td_status td_dataset_record(const td_dataset *dataset, char **json)
{
    return guarded([&] {
        checkOut(json, "json");
        *json = handOut(dataOf(dataset).recordJson());
    });
}

td_status td_dataset_count(const td_dataset *dataset, int *count)
{
    return guarded([&] {
        checkOut(count, "count");
        *count = dataOf(dataset).RecordCount();
    });
}

td_status td_dataset_set_filter(td_dataset *dataset, const char *filter, int filtered)
{
    return guarded([&] {
        TClientDataSet &data = dataOf(dataset);
        data.setFilter(text(filter));
        data.setFiltered(filtered != 0);
    });
}

td_status td_dataset_state(const td_dataset *dataset, char **filter, int *filtered, char **index_name)
{
    return guarded([&] {
        const TClientDataSet &data = dataOf(dataset);
        // Both strings or neither: a failure leaves nothing to free.
        char *f = filter ? handOut(data.Filter()) : nullptr;
        char *i = nullptr;
        try {
            i = index_name ? handOut(data.IndexName()) : nullptr;
        } catch (...) {
            std::free(f);
            throw;
        }
        if (filter)
            *filter = f;
        if (index_name)
            *index_name = i;
        if (filtered)
            *filtered = data.Filtered() ? 1 : 0;
    });
}

td_status td_search(td_dataset *dataset, int drop_filter, const char *observation, int navigator, int *picked,
                    int *navigation)
{
    return guarded([&] {
        checkReady();
        checkOut(picked, "picked");
        TClientDataSet &data = dataOf(dataset);
        const bool chosen = search::Pesquisa(&data, QString(), drop_filter ? QStringLiteral("S") : QString(),
                                             text(observation), navigator != 0);
        *picked = chosen ? 1 : 0;
        if (navigation)
            *navigation = search::inNavegProd;
    });
}

td_status td_list(td_dataset *source, const char *description, td_dataset **list)
{
    return guarded([&] {
        checkReady();
        checkOut(list, "list");
        TClientDataSet &data = dataOf(source);
        auto built = std::make_unique<td_dataset>();
        built->data.setData(list::ConstrucaoList(&data, text(description)));
        *list = built.release();
    });
}

} // extern "C"
