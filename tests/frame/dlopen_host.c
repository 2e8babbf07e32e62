/* A host written in C that knows nothing of Qt: it loads the library, runs
 * its units up and down through the exported entry points, and unloads it. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>

typedef void (*proc_t)(void);
struct unit_entry { proc_t init, fini; };
struct info_table { int32_t count; const struct unit_entry *units; };
typedef const struct info_table *(*table_t)(void);

static void *need(void *lib, const char *name)
{
    void *sym = dlsym(lib, name);
    if (!sym)
        fprintf(stderr, "missing export %s\n", name);
    return sym;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: dlopen_host LIBRARY\n");
        return 2;
    }
    void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 1;
    }
    proc_t init = (proc_t)need(lib, "Initialize");
    proc_t fini = (proc_t)need(lib, "Finalize");
    table_t table = (table_t)need(lib, "GetPackageInfoTable");
    proc_t qinit = (proc_t)need(lib, "TouchDialogs_Initialize");
    proc_t qfini = (proc_t)need(lib, "TouchDialogs_Finalize");
    table_t qtable = (table_t)need(lib, "TouchDialogs_GetPackageInfoTable");
    if (!init || !fini || !table || !qinit || !qfini || !qtable)
        return 1;
    if (table() != qtable() || table()->count < 12) {
        fprintf(stderr, "unexpected unit table\n");
        return 1;
    }
    init();
    qinit();  /* a second loader: no work */
    qfini();
    fini();   /* the last one tears down */
    if (dlclose(lib) != 0) {
        fprintf(stderr, "dlclose: %s\n", dlerror());
        return 1;
    }
    printf("loaded, initialised, finalised and unloaded\n");
    return 0;
}
