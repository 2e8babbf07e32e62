/* touchdialogs-probe: one program's whole-process timings on an X server,
 * seen from outside as a user sees them: what reaches the screen (XDamage on
 * the root window) and keys typed through XTest.
 *
 *   touchdialogs-probe [--quiet MS] [--keys N] [--early] [--timeout S] -- PROGRAM [ARG...]
 *
 * Starts PROGRAM and prints one line of key=value pairs:
 *   first_paint_ms  from the fork to the last damage before the screen was
 *                   quiet for MS (300) milliseconds;
 *   keys_ms         with --keys N: N keys, "f" and BackSpace alternately,
 *                   each after quiet, each timed from the key to the first
 *                   damage after it (comma-separated): the keys must
 *                   change what the program shows;
 *   early_key_ms    with --early: one "f" sent as soon as the first damage
 *                   arrives, timed to the last damage before quiet (the rest
 *                   of the first paint and the key's answer); first_paint_ms
 *                   is then left out;
 *   rss_kib         the program's peak resident size (wait4's ru_maxrss).
 * TD_PROBE_TRACE=1 lists every damage and key on standard error.
 * Exit status 0, or 1 with a message when the program never painted, died,
 * or a key went unanswered. */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static Display *dpy;
static int damageEvent;
static pid_t child;
static int childGone;
static struct rusage childUsage;
static int trace; /* TD_PROBE_TRACE=1: every damage on standard error */
static double traceStart;

/* The result line, printed whole once everything is measured. */
static char result[1 << 16];
static size_t resultUsed;

static void emit(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(result + resultUsed, sizeof result - resultUsed, format, args);
    va_end(args);
    if (n > 0)
        resultUsed = resultUsed + (size_t)n < sizeof result ? resultUsed + (size_t)n : sizeof result - 1;
}

static double nowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static void die(const char *message)
{
    fprintf(stderr, "touchdialogs-probe: %s\n", message);
    if (child > 0 && !childGone) {
        kill(child, SIGKILL);
        waitpid(child, NULL, 0);
    }
    exit(1);
}

/* The arrival time of the next damage within timeoutMs, or -1: at once
 * when the program has ended (childGone tells the callers). */
static double nextDamage(double timeoutMs)
{
    const double end = nowMs() + timeoutMs;
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == damageEvent + XDamageNotify) {
                if (trace) {
                    const XRectangle *r = &((XDamageNotifyEvent *)&ev)->area;
                    fprintf(stderr, "%9.2f ms damage %dx%d+%d+%d\n", nowMs() - traceStart, r->width, r->height, r->x, r->y);
                }
                return nowMs();
            }
        }
        if (child > 0 && !childGone && wait4(child, NULL, WNOHANG, &childUsage) == child)
            childGone = 1;
        const double left = end - nowMs();
        if (left <= 0 || childGone)
            return -1;
        struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, left < 50 ? (int)left + 1 : 50);
    }
}

/* Waits until the screen has been quiet for quietMs (at most limitMs);
 * returns the time of the last damage, or `since` when there was none. */
static double settle(double since, double quietMs, double limitMs)
{
    double last = since, t;
    while ((t = nextDamage(quietMs)) >= 0) {
        last = t;
        if (t - since > limitMs)
            die("the screen never became quiet");
    }
    return last;
}

/* The program's topmost shown window (Qt names its process in _NET_WM_PID). */
static Window programWindow(void)
{
    const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Window rootRet, parent, *children = NULL, found = None;
    unsigned int n = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &rootRet, &parent, &children, &n))
        return None;
    for (unsigned int i = n; i-- > 0 && found == None;) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy, children[i], &a) || a.map_state != IsViewable)
            continue;
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char *data = NULL;
        if (XGetWindowProperty(dpy, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &data) == Success
            && data && items == 1 && (pid_t)*(unsigned long *)data == child)
            found = children[i];
        if (data)
            XFree(data);
    }
    if (children)
        XFree(children);
    return found;
}

/* Gives the program's window the keyboard; without a window manager nobody
 * else does. */
static void focusProgram(void)
{
    const Window w = programWindow();
    if (w == None)
        die("no shown window of the program to type into");
    XSetInputFocus(dpy, w, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

/* Presses and releases a key; returns when it was sent. */
static double typeKey(KeySym sym)
{
    const KeyCode code = XKeysymToKeycode(dpy, sym);
    const double sent = nowMs();
    if (trace)
        fprintf(stderr, "%9.2f ms key %s\n", sent - traceStart, XKeysymToString(sym));
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XFlush(dpy);
    return sent;
}

static void usage(void)
{
    fprintf(stderr, "usage: touchdialogs-probe [--quiet MS] [--keys N] [--early] [--timeout S] -- PROGRAM [ARG...]\n");
    exit(2);
}

int main(int argc, char **argv)
{
    double quietMs = 300, timeoutMs = 60000;
    int keys = 0, early = 0, i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (!strcmp(argv[i], "--quiet") && i + 1 < argc)
            quietMs = atof(argv[++i]);
        else if (!strcmp(argv[i], "--keys") && i + 1 < argc)
            keys = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--early"))
            early = 1;
        else if (!strcmp(argv[i], "--timeout") && i + 1 < argc)
            timeoutMs = atof(argv[++i]) * 1e3;
        else
            usage();
    }
    if (i + 1 >= argc || quietMs <= 0 || keys < 0 || timeoutMs <= 0)
        usage();
    char **program = argv + i + 1;

    trace = getenv("TD_PROBE_TRACE") && !strcmp(getenv("TD_PROBE_TRACE"), "1");
    traceStart = nowMs();
    dpy = XOpenDisplay(NULL);
    if (!dpy)
        die("cannot open the display (DISPLAY)");
    int damageError, major, minor, xtestEvent, xtestError;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError))
        die("the X server has no DAMAGE extension");
    if (!XTestQueryExtension(dpy, &xtestEvent, &xtestError, &major, &minor))
        die("the X server has no XTEST extension");
    // Damage on the root window reports drawing in every window on it.
    XDamageCreate(dpy, DefaultRootWindow(dpy), XDamageReportRawRectangles);
    // The pointer in a corner: hovering over a freshly shown button would
    // repaint it at a time of its own.
    XTestFakeMotionEvent(dpy, -1, 0, 0, CurrentTime);
    XSync(dpy, False);
    // What an earlier program left (its window taken away) is not ours.
    settle(nowMs(), quietMs, timeoutMs);

    const double start = traceStart = nowMs();
    if (trace)
        fprintf(stderr, "     0.00 ms fork\n");
    child = fork();
    if (child < 0)
        die(strerror(errno));
    if (child == 0) {
        // The program's answer on standard output is not ours to print.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDOUT_FILENO);
        execvp(program[0], program);
        fprintf(stderr, "touchdialogs-probe: cannot run %s: %s\n", program[0], strerror(errno));
        _exit(127);
    }

    const double first = nextDamage(timeoutMs);
    if (first < 0)
        die(childGone ? "the program ended without painting" : "the program painted nothing in time");
    if (early) {
        focusProgram();
        const double sent = typeKey(XK_f);
        emit("early_key_ms=%.2f", settle(first, quietMs, timeoutMs) - sent);
    } else {
        emit("first_paint_ms=%.2f", settle(first, quietMs, timeoutMs) - start);
    }

    if (keys > 0) {
        focusProgram();
        settle(nowMs(), quietMs, timeoutMs);
        emit(" keys_ms=");
        for (int k = 0; k < keys; ++k) {
            const double sent = typeKey(k % 2 ? XK_BackSpace : XK_f);
            const double shown = nextDamage(5000);
            if (shown < 0)
                die(childGone ? "the program ended while typing" : "a key showed nothing within 5 s");
            emit("%s%.2f", k ? "," : "", shown - sent);
            settle(shown, quietMs, timeoutMs);
        }
    }
    if (childGone)
        die("the program ended before it was measured");

    kill(child, SIGTERM);
    if (wait4(child, NULL, 0, &childUsage) != child)
        die("cannot wait for the program");
    emit(" rss_kib=%ld", childUsage.ru_maxrss);
    puts(result);
    XCloseDisplay(dpy);
    return 0;
}
