/* The C interface as a C host uses it: every dialog answered by user steps
 * (through the test driver), datasets in and out as JSON and packets, and
 * each failure a status with a text. Prints the first difference and fails. */
#include <TouchDialogs/touchdialogs.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int tdtest_answer(const char *steps);
int tdtest_answered(void);
const char *tdtest_error(void);
int tdtest_visible_windows(void);
int tdtest_perform(const char *steps);
const char *tdtest_titles(void);

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

int main(void)
{
    int result = 0;
    CHECK(td_message_dlg("x", TD_MT_ERROR, TD_MB_OK, 0, NULL, &result) == TD_ERROR
              && strstr(td_last_error(), "td_init"),
          "a dialog before td_init");
    CHECK(td_set_locale("Klingon") == TD_ERROR && strstr(td_last_error(), "Klingon"), "unknown language");
    CHECK(td_set_locale("en") == TD_OK, "English");
    CHECK(td_init() == TD_OK, "init");
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

    td_finish();
    CHECK(td_keyboard(NULL, NULL, &(char *){NULL}) == TD_ERROR, "a dialog after td_finish");
    if (failures)
        fprintf(stderr, "%d failures\n", failures);
    else
        printf("all dialogs answered through the C interface\n");
    return failures ? 1 : 0;
}
