/* The C interface as a C host uses it: every dialog answered by user steps
 * (through the test driver), datasets in and out as JSON and packets, and
 * each failure a status with a text. What a regression would kill the
 * process with runs in a child process first. Prints the first difference
 * and fails. */
#define _POSIX_C_SOURCE 200809L
#include <TouchDialogs/touchdialogs_c.h>

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

int tdtest_answer(const char *steps);
int tdtest_answered(void);
const char *tdtest_error(void);
int tdtest_visible_windows(void);
int tdtest_perform(const char *steps);
const char *tdtest_titles(void);
int tdtest_host_app(int make);

static int failures;

#define CHECK(cond, ...)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            ++failures;                                                                                                \
            fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #cond);                                               \
            fprintf(stderr, __VA_ARGS__);                                                                              \
            fprintf(stderr, " [last error '%s', driver '%s']\n", td_last_error(), tdtest_error());                   \
        }                                                                                                              \
    } while (0)

static const char *kProducts =
    "{\"fields\":[{\"name\":\"CODIGO\",\"type\":\"integer\"},{\"name\":\"NOME\",\"type\":\"string\",\"size\":20},"
    "{\"name\":\"ATIVO\",\"type\":\"string\",\"size\":1,\"visible\":false}],"
    "\"records\":[[1,\"Caf\xc3\xa9\",\"S\"],[2,\"Bolo\",\"S\"],[3,\"Cappuccino\",\"N\"],[4,\"Ch\xc3\xa1\",\"S\"]]}";

/* One dialog call, answered by steps; the groups the steps must answer. */
struct dialog_case {
    const char *name;
    const char *steps;
    int dialogs;
    td_status status;
    const char *answer; /* the answer as text: a result, a text, a record */
};

/* Runs case c through call, which writes its answer as text into out. */
static void run_case(const struct dialog_case *c, td_status (*call)(const char *name, char *out, size_t size))
{
    char out[512] = "";
    printf("%s\n", c->name);
    fflush(stdout);
    tdtest_answer(c->steps);
    const td_status status = call(c->name, out, sizeof out);
    CHECK(status == c->status, "%s: status %d, not %d", c->name, status, c->status);
    CHECK(strcmp(out, c->answer) == 0, "%s: answered '%s', not '%s'", c->name, out, c->answer);
    CHECK(tdtest_answered() == c->dialogs, "%s: %d dialogs answered, not %d", c->name, tdtest_answered(),
          c->dialogs);
}

static void take(char *out, size_t size, char *text)
{
    snprintf(out, size, "%s", text ? text : "(null)");
    td_free(text);
}

static td_status message_call(const char *name, char *out, size_t size)
{
    int result = -1;
    td_status s;
    if (strstr(name, "error box"))
        s = td_message_error("Sem papel na impressora", strstr(name, "abort") != NULL);
    else if (strstr(name, "server"))
        s = td_message_check_result(strstr(name, "no text") ? NULL : strstr(name, "right") ? "12345" : "Sem saldo",
                                    1, 5);
    else
        s = td_message_dlg("Fechar a mesa 12?", TD_MT_CONFIRMATION, TD_MB_YES | TD_MB_NO, 0,
                           strstr(name, "extra") ? "Depois" : NULL, &result);
    if (result >= 0)
        snprintf(out, size, "%d", result);
    return s;
}

static td_status keyboard_call(const char *name, char *out, size_t size)
{
    char *text = NULL;
    (void)name;
    const td_status s = td_keyboard("Mesa 12", "Pedido", &text);
    take(out, size, text);
    return s;
}

static td_status quantity_call(const char *name, char *out, size_t size)
{
    double q = -1;
    const td_status s = td_quantity("Chopp (litros)", strstr(name, "whole") != NULL, 0, &q);
    snprintf(out, size, "%g", q);
    return s;
}

static td_status colour_call(const char *name, char *out, size_t size)
{
    char *colour = NULL;
    (void)name;
    const td_status s = td_colour(&colour);
    take(out, size, colour);
    return s;
}

static td_dataset *products(void)
{
    td_dataset *ds = NULL;
    CHECK(td_dataset_from_json(kProducts, -1, &ds) == TD_OK, "products load");
    return ds;
}

static td_status search_call(const char *name, char *out, size_t size)
{
    td_dataset *ds = products();
    int picked = -1, navigation = -1;
    char *record = NULL;
    if (strstr(name, "host filter"))
        td_dataset_set_filter(ds, "ATIVO = 'S'", 1);
    const td_status s = td_search(ds, strstr(name, "dropped") != NULL, "Produtos", 1, &picked, &navigation);
    td_dataset_record(ds, &record);
    snprintf(out, size, "%d %d ", picked, navigation);
    take(out + strlen(out), size - strlen(out), record);
    td_dataset_free(ds);
    return s;
}

static td_status list_call(const char *name, char *out, size_t size)
{
    td_dataset *ds = products(), *list = NULL, *back = NULL;
    void *packet = NULL;
    size_t bytes = 0;
    char *json = NULL;
    (void)name;
    const td_status s = td_list(ds, "Combo", &list);
    if (s == TD_OK) {
        /* The list read back as a packet, the packet as a dataset, that as JSON. */
        CHECK(td_dataset_packet(list, &packet, &bytes) == TD_OK && bytes > 0, "list packet");
        CHECK(td_dataset_from_packet(packet, bytes, &back) == TD_OK, "packet loads");
        CHECK(td_dataset_json(back, &json, NULL) == TD_OK, "list as JSON");
        const char *records = json ? strstr(json, "\"records\":") : NULL;
        snprintf(out, size, "%s", records ? records : "(none)");
    }
    td_free(json);
    td_free(packet);
    td_dataset_free(back);
    td_dataset_free(list);
    td_dataset_free(ds);
    return s;
}

static const struct dialog_case message_cases[] = {
    {"Yes by Enter", "key Return", 1, TD_OK, "6"},
    {"No touched", "touch No", 1, TD_OK, "7"},
    {"closed without a button", "close", 1, TD_OK, "2"},
    {"extra button", "touch btnExtra", 1, TD_OK, "100"},
    {"error box", "key Return", 1, TD_OK, ""},
    {"error box, then abort", "key Return", 1, TD_ABORT, ""},
    {"server error text", "touch OK", 1, TD_ABORT, ""},
    {"server answer of the right length", "", 0, TD_OK, ""},
    {"server answer with no text", "", 0, TD_OK, ""},
};
static const struct dialog_case keyboard_cases[] = {
    {"corrected and confirmed", "touch spdBackSpace\ntype 3\nkey Return", 1, TD_OK, "Mesa 13"},
    {"cleared and confirmed", "touch spdLimpar\ntouch spdEnter", 1, TD_OK, "@"},
    {"Escape", "type abc\nkey Escape", 1, TD_OK, ""},
};
static const struct dialog_case quantity_cases[] = {
    {"typed", "type 12,5\nkey Return", 1, TD_OK, "12.5"},
    {"empty Enter shows the error, then typed", "touch sbtEnter\ntype 4\ntouch sbtEnter\n--\nkey Return", 2, TD_OK,
     "4"},
    {"whole refuses the comma", "type 3,2\nkey Return", 1, TD_OK, "32"},
    {"Cancel", "type 12\ntouch sbtCancelar", 1, TD_OK, "0"},
};
static const struct dialog_case colour_cases[] = {
    {"red", "touch shpCor10", 1, TD_OK, "255"},
    {"Sair", "touch tcbSair", 1, TD_OK, "X"},
};
static const struct dialog_case search_cases[] = {
    {"typed prefix, Enter", "type cap\nkey Return", 1, TD_OK,
     "1 1 {\"CODIGO\":3,\"NOME\":\"Cappuccino\",\"ATIVO\":\"N\"}"},
    {"host filter, right navigation key", "type c\ntouch spdNavDir", 1, TD_OK,
     "1 2 {\"CODIGO\":1,\"NOME\":\"Caf\xc3\xa9\",\"ATIVO\":\"S\"}"},
    {"host filter dropped", "type cap\nkey Return", 1, TD_OK,
     "1 1 {\"CODIGO\":3,\"NOME\":\"Cappuccino\",\"ATIVO\":\"N\"}"},
    {"Sair", "touch spdSair", 1, TD_OK, "0 1 {\"CODIGO\":2,\"NOME\":\"Bolo\",\"ATIVO\":\"S\"}"},
};
static const struct dialog_case list_cases[] = {
    {"two records in list order", "touch spbAdicionar\ntouch spbAdicionar\ntouch spbConfirma", 1, TD_OK,
     "\"records\":[[1,\"Caf\xc3\xa9\",\"S\"],[2,\"Bolo\",\"S\"]]}"},
    {"Sair", "touch spbAdicionar\ntouch spbSair", 1, TD_OK, "\"records\":[]}"},
};

#define RUN_ALL(cases, call)                                                                                           \
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)                                                        \
    run_case(&cases[i], call)

/* What the host gets wrong is a status and a text, never a crash or a dialog. */
static void refusals(void)
{
    td_dataset *ds = NULL;
    int n = 0;
    unsigned buttons = 0;
    char *text = NULL;

    CHECK(td_dataset_from_json("{\"fields\":[", -1, &ds) == TD_ERROR && ds == NULL, "bad JSON");
    CHECK(strstr(td_last_error(), "JSON") != NULL, "the text names the JSON: '%s'", td_last_error());
    CHECK(td_dataset_from_packet("not a packet", 12, &ds) == TD_ERROR && ds == NULL, "bad packet");
    CHECK(td_dataset_from_json("{\"fields\":[{\"name\":\"NOME\",\"type\":\"string\"}],\"records\":[[\"x\"]]}", -1, &ds)
              == TD_OK,
          "one field");
    tdtest_answer("close");
    CHECK(td_search(ds, 0, NULL, 0, &n, NULL) == TD_ERROR && tdtest_answered() == 0, "one visible field");
    CHECK(td_list(ds, NULL, NULL) == TD_ERROR, "no out-parameter");
    CHECK(td_dataset_set_filter(ds, "NOME =", 1) == TD_ERROR && strstr(td_last_error(), "NOME ="), "bad filter");
    CHECK(td_dataset_count(ds, &n) == TD_OK && n == 1, "the bad filter changed nothing");
    td_dataset_free(ds);
    CHECK(td_dataset_json(NULL, &text, NULL) == TD_ERROR && text == NULL, "no dataset");
    CHECK(td_message_dlg("x", 9, TD_MB_OK, 0, NULL, &n) == TD_ERROR && tdtest_answered() == 0, "unknown kind");
    CHECK(td_message_dlg("x", TD_MT_ERROR, 1u << 11, 0, NULL, &n) == TD_ERROR, "unknown button bit");
    CHECK(td_quantity("x", 0, -1, NULL) == TD_ERROR, "no out-parameter");
    CHECK(td_message_buttons("yes, No", &buttons) == TD_OK && buttons == (TD_MB_YES | TD_MB_NO), "button names");
    CHECK(td_message_buttons("yes,maybe", &buttons) == TD_ERROR && strstr(td_last_error(), "maybe"), "unknown name");
    CHECK(td_message_type("Confirmation", &n) == TD_OK && n == TD_MT_CONFIRMATION, "kind name");
    CHECK(td_set_extensions(-1, 0, 0, NULL) == TD_ERROR, "negative scale");
    CHECK(td_set_extensions(5, 0, 0, NULL) == TD_ERROR && strstr(td_last_error(), "from 0.5 to 4"), "scale 5: %s",
          td_last_error());
    CHECK(td_last_error()[0] != '\0', "a failure has a text");
    CHECK(td_set_title("Caixa 1") == TD_OK && td_last_error()[0] == '\0', "success clears the text");
}

/* td_message leaves its box open; it answers once the host handles events. */
static void box_without_waiting(void)
{
    CHECK(td_message("Pedido enviado", TD_MT_INFORMATION, TD_MB_OK, 0, NULL) == TD_OK, "shown");
    CHECK(tdtest_visible_windows() == 1, "one box open, not %d", tdtest_visible_windows());
    CHECK(tdtest_perform("touch OK") == 0, "touched");
    td_process_messages();
    CHECK(tdtest_visible_windows() == 0, "the box closed, %d open", tdtest_visible_windows());
}

/* ---- cases that would end the process: each runs in a child */

/* Runs body in a child process, which fails the case by its exit status or
 * the signal that ended it. The child leaves through exit(), so the
 * library's own exit handler runs there too; a hang ends by the alarm. */
static void in_child(const char *name, int (*body)(void))
{
    printf("%s\n", name);
    fflush(stdout);
    fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        failures = 0;
        alarm(60);
        exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0, "%s: %s %d", name,
          WIFSIGNALED(status) ? "ended by signal" : "failures",
          WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
}

/* td_init where Qt's platform plugin cannot start: an error that names what
 * was tried, never the process ended by Qt. */
struct init_case {
    const char *name;
    const char *environment[3];
    td_status status;
    const char *text; /* in td_last_error */
};
static const struct init_case init_cases[] = {
    {"DISPLAY names no server", {"DISPLAY=:55"}, TD_ERROR, "no X server answers at DISPLAY=:55"},
    {"WAYLAND_DISPLAY names a dead socket", {"WAYLAND_DISPLAY=bogus", "XDG_RUNTIME_DIR=/nonexistent"}, TD_ERROR,
     "wayland ("},
    {"Wayland asked, no compositor", {"QT_QPA_PLATFORM=wayland", "XDG_RUNTIME_DIR=/nonexistent"}, TD_ERROR,
     "tried wayland ("},
    {"missing plugin", {"QT_QPA_PLATFORM=bogus"}, TD_ERROR, "tried bogus (no such plugin)"},
    {"eglfs without a device", {"QT_QPA_PLATFORM=eglfs"}, TD_ERROR, "tried eglfs ("},
    {"xcb, else offscreen, without DISPLAY", {"QT_QPA_PLATFORM=xcb;offscreen"}, TD_OK, ""},
};
static const struct init_case *g_init;

static int init_in(void)
{
    static const char *const variables[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"};
    if (strstr(g_init->name, "eglfs") && (access("/dev/dri", F_OK) == 0 || access("/dev/fb0", F_OK) == 0))
        return 0; /* a machine with a display device may start it */
    for (size_t i = 0; i < sizeof variables / sizeof variables[0]; ++i)
        unsetenv(variables[i]);
    for (size_t i = 0; i < 3 && g_init->environment[i]; ++i) {
        char name[64];
        const char *value = strchr(g_init->environment[i], '=');
        snprintf(name, sizeof name, "%.*s", (int)(value - g_init->environment[i]), g_init->environment[i]);
        setenv(name, value + 1, 1);
    }
    const td_status status = td_init();
    CHECK(status == g_init->status, "status %d", status);
    CHECK(strstr(td_last_error(), g_init->text) != NULL, "the text names what was tried");
    if (status == TD_OK)
        td_finish();
    return failures;
}

static double g_quantity;

static void *init_and_quantity(void *unused)
{
    (void)unused;
    g_quantity = -1;
    if (td_init() == TD_OK) {
        tdtest_answer("type 3\nkey Return");
        td_quantity("Chopp", 1, 0, &g_quantity);
    }
    return NULL;
}

static void *whole_cycle(void *unused)
{
    init_and_quantity(unused);
    run_case(&keyboard_cases[0], keyboard_call);
    td_finish();
    return NULL;
}

static void *set_title(void *unused)
{
    (void)unused;
    return (void *)(size_t)td_set_title("Caixa 2");
}

static void on_thread(void *(*body)(void *), void **result)
{
    pthread_t thread;
    pthread_create(&thread, NULL, body, NULL);
    pthread_join(thread, result);
}

/* The GUI thread ended before the host calls td_finish on another one, as
 * Python's exit handlers do: td_finish refuses and leaves everything, and
 * the process still exits cleanly. */
static int finish_on_another_thread(void)
{
    on_thread(init_and_quantity, NULL);
    CHECK(g_quantity == 3, "the dialog on the worker thread answered %g", g_quantity);
    td_finish();
    CHECK(strstr(td_last_error(), "nothing was torn down") != NULL, "td_finish refused");
    CHECK(td_keyboard(NULL, NULL, &(char *){NULL}) == TD_ERROR && strstr(td_last_error(), "another thread"),
          "a dialog from another thread");
    CHECK(td_set_title("Caixa 1") == TD_ERROR, "a setting from another thread while initialised");
    td_process_messages();
    CHECK(strstr(td_last_error(), "another thread") != NULL, "events from another thread");
    CHECK(td_init() == TD_ERROR, "a second GUI thread");
    return failures;
}

/* A whole cycle on a worker thread; a later one only there, as Qt keeps
 * objects of its own on the first thread that showed a window. */
static int cycles_on_threads(void)
{
    void *status = NULL;
    on_thread(whole_cycle, NULL);
    CHECK(g_quantity == 3, "answered %g", g_quantity);
    CHECK(td_keyboard(NULL, NULL, &(char *){NULL}) == TD_ERROR && strstr(td_last_error(), "td_init has not"),
          "finished");
    on_thread(set_title, &status);
    CHECK((td_status)(size_t)status == TD_OK, "a setting from any thread while not initialised");
    CHECK(td_init() == TD_ERROR && strstr(td_last_error(), "first called it"), "again on another thread");
    return failures;
}

/* init, dialogs answered by keys, finish: the keys and the grid of every
 * cycle work, and nothing of an earlier cycle is used after it ended. */
static int cycles(void)
{
    for (int cycle = 0; cycle < 3; ++cycle) {
        CHECK(td_init() == TD_OK, "cycle %d: init", cycle);
        run_case(&keyboard_cases[0], keyboard_call);
        run_case(&search_cases[0], search_call);
        run_case(&list_cases[0], list_call);
        td_finish();
    }
    return failures;
}

/* A C++ host that ends its own QApplication before td_finish. */
static int host_ends_its_application(void)
{
    CHECK(tdtest_host_app(1) == 0 && td_init() == TD_OK, "init on the host's application");
    tdtest_host_app(0);
    CHECK(td_keyboard(NULL, NULL, &(char *){NULL}) == TD_ERROR && strstr(td_last_error(), "gone"), "a dialog");
    td_process_messages();
    CHECK(strstr(td_last_error(), "gone") != NULL, "events");
    CHECK(td_init() == TD_ERROR && strstr(td_last_error(), "gone"), "a nested init");
    CHECK(td_set_extensions(1, 0, 0, NULL) == TD_ERROR, "a setting");
    td_finish();
    CHECK(td_init() == TD_OK, "starting again");
    run_case(&keyboard_cases[0], keyboard_call);
    td_finish();
    return failures;
}

static td_dataset *g_made;

static void *make_products(void *unused)
{
    (void)unused;
    g_made = products();
    return NULL;
}

/* Qt's main thread is the first that made a Qt object: a td_init elsewhere
 * would show dialogs no key reaches, and is refused. */
static int dataset_before_init_elsewhere(void)
{
    on_thread(make_products, NULL);
    CHECK(td_init() == TD_ERROR && strstr(td_last_error(), "first used Qt"), "init on another thread");
    td_dataset_free(g_made);
    return failures;
}

static void ending_cases(void)
{
    for (size_t i = 0; i < sizeof init_cases / sizeof init_cases[0]; ++i) {
        g_init = &init_cases[i];
        in_child(g_init->name, init_in);
    }
    in_child("td_finish on another thread than td_init's", finish_on_another_thread);
    in_child("a cycle on a worker thread, then init on another", cycles_on_threads);
    in_child("a dataset made on a worker before td_init on main", dataset_before_init_elsewhere);
    in_child("init, dialogs, finish, three times", cycles);
    in_child("the host ends its QApplication before td_finish", host_ends_its_application);
}

/* A box nothing can end is refused; the one with only an extra button ends by it. */
static void unclosable_boxes(void)
{
    static const struct {
        unsigned buttons;
        int seconds;
        const char *extra;
    } boxes[] = {{0, 0, NULL}, {TD_MB_HELP, 0, ""}, {0, -5, NULL}, {TD_MB_HELP, -1, NULL}};
    int result = -1;
    for (size_t i = 0; i < sizeof boxes / sizeof boxes[0]; ++i) {
        tdtest_answer("close");
        CHECK(td_message_dlg("x", TD_MT_WARNING, boxes[i].buttons, boxes[i].seconds, boxes[i].extra, &result)
                      == TD_ERROR
                  && strstr(td_last_error(), "no button would close"),
              "box %zu refused", i);
        CHECK(td_message("x", TD_MT_WARNING, boxes[i].buttons, boxes[i].seconds, boxes[i].extra) == TD_ERROR,
              "box %zu refused without waiting", i);
        CHECK(tdtest_answered() == 0 && tdtest_visible_windows() == 0, "box %zu: none shown", i);
    }
    tdtest_answer("touch btnExtra");
    CHECK(td_message_dlg("x", TD_MT_CUSTOM, 0, 0, "Depois", &result) == TD_OK && result == TD_MR_EXTRA,
          "only an extra button");
}

/* Sizes past what a dataset holds are refused before a byte is read. */
static void oversized(void)
{
    td_dataset *ds = NULL;
    CHECK(td_dataset_from_json(kProducts, ((ptrdiff_t)256 << 20) + 1, &ds) == TD_ERROR
              && strstr(td_last_error(), "256 MiB") && ds == NULL,
          "JSON past 256 MiB");
    CHECK(td_dataset_from_packet("x", ((size_t)256 << 20) + 1, &ds) == TD_ERROR && ds == NULL, "packet past 256 MiB");
    CHECK(td_dataset_from_packet("x", (size_t)-1, &ds) == TD_ERROR && strstr(td_last_error(), "256 MiB"),
          "a size that is no size");
}

int main(void)
{
    int result = 0;
    td_dataset *made = NULL;
    ending_cases();
    td_process_messages();
    CHECK(strstr(td_last_error(), "td_init") != NULL, "events before td_init");
    td_finish();
    CHECK(td_message_dlg("x", TD_MT_ERROR, TD_MB_OK, 0, NULL, &result) == TD_ERROR
              && strstr(td_last_error(), "td_init"),
          "a dialog before td_init");
    CHECK(td_set_locale("Klingon") == TD_ERROR && strstr(td_last_error(), "Klingon"), "unknown language");
    CHECK(td_set_locale("en") == TD_OK, "English");
    CHECK(td_init() == TD_OK, "init");
    on_thread(make_products, NULL);
    made = g_made;
    CHECK(td_set_locale("pt_BR") == TD_ERROR && strstr(td_last_error(), "td_init"), "language after td_init");
    CHECK(td_init() == TD_OK, "init nests");
    td_finish();

    RUN_ALL(message_cases, message_call);
    RUN_ALL(keyboard_cases, keyboard_call);
    RUN_ALL(quantity_cases, quantity_call);
    RUN_ALL(colour_cases, colour_call);
    CHECK(strstr(tdtest_titles(), "Colour settings") != NULL, "English title: '%s'", tdtest_titles());
    RUN_ALL(search_cases, search_call);
    RUN_ALL(list_cases, list_call);
    box_without_waiting();
    refusals();
    unclosable_boxes();
    oversized();
    {
        int picked = 0;
        tdtest_answer("type cap\nkey Return");
        CHECK(td_search(made, 0, NULL, 0, &picked, NULL) == TD_OK && picked, "a dataset made on another thread");
        td_dataset_free(made);
    }

    td_finish();
    CHECK(td_keyboard(NULL, NULL, &(char *){NULL}) == TD_ERROR, "a dialog after td_finish");
    if (failures)
        fprintf(stderr, "%d failures\n", failures);
    else
        printf("all dialogs answered through the C interface\n");
    return failures ? 1 : 0;
}
