/* Times a program's start the way a user sees it: from exec to its first top-level window being
 * mapped on the X display. It watches the root window for MapNotify before it starts the program,
 * so that nothing is missed and nothing is polled. Once a window is mapped it waits SETTLE_MS more
 * (the first paint follows the mapping) and ends the program: SIGTERM, then SIGKILL after 2 s.
 *
 * Usage: paint_watch TIMEOUT_MS SETTLE_MS PROGRAM [ARGUMENTS...]
 * Prints one line: "exec_ns mapped_ms window_name" (exec_ns on CLOCK_MONOTONIC, which is what
 * std::chrono::steady_clock reads on Linux), or "exec_ns timeout" when no window was mapped in
 * TIMEOUT_MS. Exits 0 when a window was mapped, 2 on a timeout, 1 on an error.
 * Built by bench/run_paint_bench.sh with: cc -O2 -o paint_watch paint_watch.c -lxcb */
#define _GNU_SOURCE
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

static long long NowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

static int Reaped(pid_t child, int waitMs) {
    for (int waited = 0; waited <= waitMs; waited += 10) {
        const pid_t done = waitpid(child, NULL, WNOHANG);
        if (done == child || (done < 0 && errno == ECHILD))
            return 1;
        usleep(10000);
    }
    return 0;
}

static void EndChild(pid_t child) {
    kill(child, SIGTERM);
    if (!Reaped(child, 2000)) {
        kill(child, SIGKILL);
        waitpid(child, NULL, 0);
    }
}

/* The window's name, for the report: WM_NAME as the program set it (may still be empty). */
static void WindowName(xcb_connection_t* x, xcb_window_t window, char* out, size_t size) {
    snprintf(out, size, "-");
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x, xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), NULL);
    if (!reply)
        return;
    const int length = xcb_get_property_value_length(reply);
    if (length > 0) {
        snprintf(out, size, "%.*s", length, (const char*)xcb_get_property_value(reply));
        for (char* c = out; *c; ++c)
            if (*c == ' ' || *c == '\n')
                *c = '_';
    }
    free(reply);
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: paint_watch TIMEOUT_MS SETTLE_MS PROGRAM [ARGUMENTS...]\n");
        return 1;
    }
    const long long timeoutNs = atoll(argv[1]) * 1000000LL;
    const int settleMs = atoi(argv[2]);
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(NULL, &screenNumber);
    if (xcb_connection_has_error(x)) {
        fprintf(stderr, "paint_watch: cannot reach the X display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected = xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t* error = xcb_request_check(x, selected);
    if (error) {
        fprintf(stderr, "paint_watch: cannot watch the root window (X error %d)\n", error->error_code);
        free(error);
        return 1;
    }

    const long long started = NowNs();
    const pid_t child = fork();
    if (child < 0) {
        perror("paint_watch: fork");
        return 1;
    }
    if (child == 0) {
        close(xcb_get_file_descriptor(x));
        execvp(argv[3], argv + 3);
        perror("paint_watch: exec");
        _exit(127);
    }

    struct pollfd watched = {xcb_get_file_descriptor(x), POLLIN, 0};
    for (;;) {
        xcb_generic_event_t* event;
        while ((event = xcb_poll_for_event(x)) != NULL) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const xcb_map_notify_event_t* map = (const xcb_map_notify_event_t*)event;
                if (map->event == root && !map->override_redirect) {
                    const long long mapped = NowNs();
                    const xcb_window_t window = map->window;
                    free(event);
                    char name[128];
                    WindowName(x, window, name, sizeof name);
                    usleep((useconds_t)settleMs * 1000);
                    EndChild(child);
                    printf("%lld %.1f %s\n", started, (mapped - started) / 1e6, name);
                    xcb_disconnect(x);
                    return 0;
                }
            }
            free(event);
        }
        if (xcb_connection_has_error(x)) {
            fprintf(stderr, "paint_watch: the X connection broke\n");
            EndChild(child);
            return 1;
        }
        const long long left = timeoutNs - (NowNs() - started);
        if (left <= 0 || waitpid(child, NULL, WNOHANG) == child) {
            if (left > 0)
                fprintf(stderr, "paint_watch: %s ended before it mapped a window\n", argv[3]);
            else
                EndChild(child);
            printf("%lld timeout\n", started);
            xcb_disconnect(x);
            return 2;
        }
        poll(&watched, 1, left / 1000000 > 50 ? 50 : (int)(left / 1000000) + 1);
    }
}
