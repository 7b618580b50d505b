/* A hand for the rig on KWin: moves the pointer, presses buttons and keys through KWin's
 * fake-input protocol (org_kde_kwin_fake_input), which the compositor accepts from any client
 * when it runs with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
 *
 *   velmora_kwin_input        (WAYLAND_DISPLAY names the compositor)
 *
 * Reads one command a line on standard input and answers "ok" once the compositor has taken
 * it, or "error: ..." for a line it does not understand:
 *
 *   move X Y          the pointer to (X, Y) in the compositor's logical pixels
 *   press B | release B     a pointer button by its Linux code (272 left, 273 right)
 *   key CODE          a key pressed and released, by its Linux key code
 *
 * Exits 1 when it cannot reach the compositor or the compositor offers no fake input. */

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

/* Absolute motion and keys came with version 4 of the interface. */
enum { kVersion = 4 };

static struct org_kde_kwin_fake_input* fake_input;

static void global_added(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= kVersion)
        fake_input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, kVersion);
}

static void global_removed(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global_added, global_removed};

/* One command; 0 when it was understood. */
static int perform(const char* line) {
    double x, y;
    unsigned code;
    char extra;
    if (sscanf(line, "move %lf %lf %c", &x, &y, &extra) == 2) {
        org_kde_kwin_fake_input_pointer_motion_absolute(fake_input, wl_fixed_from_double(x), wl_fixed_from_double(y));
    } else if (sscanf(line, "press %u %c", &code, &extra) == 1) {
        org_kde_kwin_fake_input_button(fake_input, code, WL_POINTER_BUTTON_STATE_PRESSED);
    } else if (sscanf(line, "release %u %c", &code, &extra) == 1) {
        org_kde_kwin_fake_input_button(fake_input, code, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (sscanf(line, "key %u %c", &code, &extra) == 1) {
        org_kde_kwin_fake_input_keyboard_key(fake_input, code, WL_KEYBOARD_KEY_STATE_PRESSED);
        org_kde_kwin_fake_input_keyboard_key(fake_input, code, WL_KEYBOARD_KEY_STATE_RELEASED);
    } else {
        return -1;
    }
    return 0;
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "velmora_kwin_input: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake_input) {
        fprintf(stderr, "velmora_kwin_input: the compositor offers no org_kde_kwin_fake_input version %d\n", kVersion);
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake_input, "velmora e2e rig", "drives the program under test");

    char line[256];
    setvbuf(stdout, NULL, _IOLBF, 0);
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\n")] = '\0';
        if (perform(line) != 0) {
            printf("error: not a command: %s\n", line);
            continue;
        }
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "velmora_kwin_input: the compositor closed the connection\n");
            return 1;
        }
        printf("ok\n");
    }
    org_kde_kwin_fake_input_destroy(fake_input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
