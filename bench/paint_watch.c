/* Times a program's start the way a user sees it: from exec to its first top-level window mapped
 * on the X display, and to its first frame drawn there. It watches the root window before it
 * starts the program, so that nothing is missed and nothing is polled: MapNotify tells the mapping,
 * and a DAMAGE object on every top-level window the program creates tells each drawing into it.
 * The first frame is done at the last drawing before a pause of 25 ms: a window with a background
 * is cleared by the server as it is mapped and the program's own drawing follows a few
 * milliseconds later (GTK draws so), while Qt draws a frame at once. After the mapping it watches
 * SETTLE_MS more, then ends the program: SIGTERM, then SIGKILL after 2 s.
 * PAINT_WATCH_TRACE=1 prints each drawing into the window to the standard error.
 *
 * Usage: paint_watch TIMEOUT_MS SETTLE_MS PROGRAM [ARGUMENTS...]
 * Prints one line: "exec_ns mapped_ms drawn_ms window_name" (exec_ns on CLOCK_MONOTONIC, which is
 * what std::chrono::steady_clock reads on Linux; drawn_ms "-" when nothing was drawn within
 * SETTLE_MS or the server has no DAMAGE extension), or "exec_ns timeout" when no window was mapped
 * in TIMEOUT_MS. Exits 0 when a window was mapped, 2 on a timeout, 1 on an error.
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
#include <sys/uio.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#include <xcb/xproto.h>

static long long NowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

/* The DAMAGE extension spoken directly (its client library is not needed for two requests). */
static xcb_extension_t damageExtension = {"DAMAGE", 0};
static int damageEvent = -1; /* the DamageNotify event code, or -1 without the extension */

static void InitDamage(xcb_connection_t* x) {
    const xcb_query_extension_reply_t* present = xcb_get_extension_data(x, &damageExtension);
    if (!present || !present->present)
        return;
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t clientMajor, clientMinor;
    } queryVersion = {0, 0, 0, 1, 1};
    struct iovec parts[4];
    parts[2].iov_base = &queryVersion;
    parts[2].iov_len = sizeof queryVersion;
    parts[3].iov_base = NULL;
    parts[3].iov_len = 0;
    const xcb_protocol_request_t request = {2, &damageExtension, 0, 0};
    const unsigned int sequence = xcb_send_request(x, XCB_REQUEST_CHECKED, parts + 2, &request);
    xcb_generic_error_t* error = NULL;
    void* reply = xcb_wait_for_reply(x, sequence, &error);
    if (reply)
        damageEvent = present->first_event;
    free(reply);
    free(error);
}

/* Reports every rectangle drawn into the window. A window that takes no drawing (InputOnly) answers
 * with an error, which is let go. */
static void WatchDrawing(xcb_connection_t* x, xcb_window_t window) {
    if (damageEvent < 0)
        return;
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t damage, drawable;
        uint8_t level, pad[3];
    } create = {0, 1, 0, xcb_generate_id(x), window, 0 /* raw rectangles */, {0, 0, 0}};
    struct iovec parts[4];
    parts[2].iov_base = &create;
    parts[2].iov_len = sizeof create;
    parts[3].iov_base = NULL;
    parts[3].iov_len = 0;
    const xcb_protocol_request_t request = {2, &damageExtension, 1, 1};
    xcb_send_request(x, 0, parts + 2, &request);
    xcb_flush(x);
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

    InitDamage(x);
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
    xcb_window_t mappedWindow = XCB_NONE;
    long long mapped = 0, drawn = 0;
    /* The first frame is taken as done once drawing has paused for kFramePauseNs. */
    const long long kFramePauseNs = 25000000LL;
    int frameDone = 0;
    const int trace = getenv("PAINT_WATCH_TRACE") != NULL;
    char name[128] = "-";
    for (;;) {
        xcb_generic_event_t* event;
        while ((event = xcb_poll_for_event(x)) != NULL) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const xcb_create_notify_event_t* created = (const xcb_create_notify_event_t*)event;
                if (created->parent == root && !created->override_redirect)
                    WatchDrawing(x, created->window);
            } else if (type == XCB_MAP_NOTIFY && mappedWindow == XCB_NONE) {
                const xcb_map_notify_event_t* map = (const xcb_map_notify_event_t*)event;
                if (map->event == root && !map->override_redirect) {
                    mapped = NowNs();
                    mappedWindow = map->window;
                }
            } else if (damageEvent >= 0 && type == damageEvent && mappedWindow != XCB_NONE && !frameDone) {
                /* DamageNotify: level, sequence, drawable, damage, timestamp, then the area. */
                uint32_t drawable;
                memcpy(&drawable, (const uint8_t*)event + 4, sizeof drawable);
                if (drawable == mappedWindow) {
                    drawn = NowNs();
                    if (trace) {
                        int16_t area[4];
                        memcpy(area, (const uint8_t*)event + 16, sizeof area);
                        fprintf(stderr, "paint_watch: drawn at %.1f ms: %dx%d+%d+%d\n", (drawn - started) / 1e6,
                                area[2], area[3], area[0], area[1]);
                    }
                }
            }
            free(event);
        }
        if (xcb_connection_has_error(x)) {
            fprintf(stderr, "paint_watch: the X connection broke\n");
            EndChild(child);
            return 1;
        }
        const long long now = NowNs();
        if (drawn && now - drawn >= kFramePauseNs)
            frameDone = 1;
        if (mappedWindow != XCB_NONE && now - mapped >= (long long)settleMs * 1000000LL) {
            WindowName(x, mappedWindow, name, sizeof name);
            EndChild(child);
            if (drawn)
                printf("%lld %.1f %.1f %s\n", started, (mapped - started) / 1e6, (drawn - started) / 1e6, name);
            else
                printf("%lld %.1f - %s\n", started, (mapped - started) / 1e6, name);
            xcb_disconnect(x);
            return 0;
        }
        const long long left = timeoutNs - (now - started);
        if (mappedWindow == XCB_NONE && (left <= 0 || waitpid(child, NULL, WNOHANG) == child)) {
            if (left > 0)
                fprintf(stderr, "paint_watch: %s ended before it mapped a window\n", argv[3]);
            else
                EndChild(child);
            printf("%lld timeout\n", started);
            xcb_disconnect(x);
            return 2;
        }
        poll(&watched, 1, 5);
    }
}
