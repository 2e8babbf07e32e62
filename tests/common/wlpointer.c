/* A pointer for tests under a wlroots compositor (sway): one virtual pointer
 * (wlr-virtual-pointer-unstable-v1) for the whole run, so the seat has a
 * pointer before the program under test starts and binds it.
 *
 *   td_wlpointer WIDTH HEIGHT    then, one command a line on standard input:
 *     click X Y                  a left click at X, Y of the output
 * It prints "ready" once the compositor has the pointer, and "ok" after each
 * command the compositor has taken. The protocol's description comes only
 * inside a Rust crate's package, so its two interfaces are written out here
 * as wayland-scanner would write them (the requests in protocol order). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static const struct wl_interface virtual_pointer_interface;

static const struct wl_interface *create_types[] = {&wl_seat_interface, &virtual_pointer_interface};
static const struct wl_interface *no_types[] = {NULL, NULL, NULL, NULL, NULL};

static const struct wl_message manager_requests[] = {
    {"create_virtual_pointer", "?on", create_types},
    {"destroy", "", no_types},
};
static const struct wl_interface manager_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, manager_requests, 0, NULL,
};

enum { MOTION, MOTION_ABSOLUTE, BUTTON, AXIS, FRAME, AXIS_SOURCE, AXIS_STOP, AXIS_DISCRETE, DESTROY };
static const struct wl_message pointer_requests[] = {
    {"motion", "uff", no_types},       {"motion_absolute", "uuuuu", no_types}, {"button", "uuu", no_types},
    {"axis", "uuf", no_types},         {"frame", "", no_types},                {"axis_source", "u", no_types},
    {"axis_stop", "uu", no_types},     {"axis_discrete", "uufi", no_types},    {"destroy", "", no_types},
};
static const struct wl_interface virtual_pointer_interface = {
    "zwlr_virtual_pointer_v1", 1, 9, pointer_requests, 0, NULL,
};

static struct wl_seat *seat;
static struct wl_proxy *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    (void)data, (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, manager_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &manager_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data, (void)registry, (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s WIDTH HEIGHT (commands on standard input)\n", argv[0]);
        return 2;
    }
    const uint32_t width = (uint32_t)strtoul(argv[1], NULL, 10), height = (uint32_t)strtoul(argv[2], NULL, 10);
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "td_wlpointer: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !manager) {
        fprintf(stderr, "td_wlpointer: the compositor has no %s\n", seat ? manager_interface.name : "seat");
        return 1;
    }
    struct wl_proxy *pointer = wl_proxy_marshal_flags(manager, 0, &virtual_pointer_interface, 1, 0, seat, NULL);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y;
        if (sscanf(line, "click %u %u", &x, &y) == 2 && x < width && y < height) {
            const uint32_t left = 0x110; /* BTN_LEFT */
            wl_proxy_marshal_flags(pointer, MOTION_ABSOLUTE, NULL, 1, 0, now_ms(), x, y, width, height);
            wl_proxy_marshal_flags(pointer, FRAME, NULL, 1, 0);
            /* As a finger or a mouse: over the window first, then the press.
             * Sent at once, a busy sway could take the press before it told
             * the window the pointer was over it, and the program saw none. */
            if (wl_display_roundtrip(display) < 0)
                return 1;
            nanosleep(&(struct timespec){0, 50 * 1000 * 1000}, NULL);
            wl_proxy_marshal_flags(pointer, BUTTON, NULL, 1, 0, now_ms(), left, WL_POINTER_BUTTON_STATE_PRESSED);
            wl_proxy_marshal_flags(pointer, FRAME, NULL, 1, 0);
            wl_proxy_marshal_flags(pointer, BUTTON, NULL, 1, 0, now_ms(), left, WL_POINTER_BUTTON_STATE_RELEASED);
            wl_proxy_marshal_flags(pointer, FRAME, NULL, 1, 0);
            if (wl_display_roundtrip(display) < 0)
                return 1;
            printf("ok\n");
        } else {
            printf("error: %s", line);
        }
        fflush(stdout);
    }
    wl_proxy_marshal_flags(pointer, DESTROY, NULL, 1, WL_MARSHAL_FLAG_DESTROY);
    wl_proxy_marshal_flags(manager, 1, NULL, 1, WL_MARSHAL_FLAG_DESTROY);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
