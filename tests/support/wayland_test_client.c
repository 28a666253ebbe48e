/* A Wayland client for the idle watcher's tests, on $WAYLAND_DISPLAY:
 *   wayland_test_client inhibit   maps a small window holding an idle
 *                                  inhibitor (zwp_idle_inhibitor_v1), prints
 *                                  "ready" once it is shown, and stays until
 *                                  killed;
 *   wayland_test_client activity  tells the compositor that the user is
 *                                  active (org_kde_kwin_idle_timeout's
 *                                  simulate_user_activity) and ends.
 * Exit code 2 when the compositor lacks what the mode needs. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "idle-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct wl_seat* seat;
static struct xdg_wm_base* wm_base;
static struct zwp_idle_inhibit_manager_v1* inhibit_manager;
static struct org_kde_kwin_idle* kde_idle;
static int configured;

static void global(void* data, struct wl_registry* r, uint32_t name, const char* iface,
                   uint32_t version) {
  (void)data;
  (void)version;
  if (!strcmp(iface, wl_compositor_interface.name))
    compositor = wl_registry_bind(r, name, &wl_compositor_interface, 4);
  else if (!strcmp(iface, wl_shm_interface.name))
    shm = wl_registry_bind(r, name, &wl_shm_interface, 1);
  else if (!strcmp(iface, wl_seat_interface.name) && !seat)
    seat = wl_registry_bind(r, name, &wl_seat_interface, 1);
  else if (!strcmp(iface, xdg_wm_base_interface.name))
    wm_base = wl_registry_bind(r, name, &xdg_wm_base_interface, 1);
  else if (!strcmp(iface, zwp_idle_inhibit_manager_v1_interface.name))
    inhibit_manager = wl_registry_bind(r, name, &zwp_idle_inhibit_manager_v1_interface, 1);
  else if (!strcmp(iface, org_kde_kwin_idle_interface.name))
    kde_idle = wl_registry_bind(r, name, &org_kde_kwin_idle_interface, 1);
}
static void global_remove(void* data, struct wl_registry* r, uint32_t name) {
  (void)data;
  (void)r;
  (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static void ping(void* data, struct xdg_wm_base* b, uint32_t serial) {
  (void)data;
  xdg_wm_base_pong(b, serial);
}
static const struct xdg_wm_base_listener wm_base_listener = {ping};

static void surface_configure(void* data, struct xdg_surface* s, uint32_t serial) {
  (void)data;
  xdg_surface_ack_configure(s, serial);
  configured = 1;
}
static const struct xdg_surface_listener surface_listener = {surface_configure};

static struct wl_buffer* white_buffer(int w, int h) {
  const int stride = w * 4, size = stride * h;
  const int fd = memfd_create("inhibitor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) return NULL;
  void* p = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return NULL;
  memset(p, 0xff, size);
  munmap(p, size);
  struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  struct wl_buffer* b = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return b;
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  struct wl_display* d = wl_display_connect(NULL);
  if (!d) return 1;
  struct wl_registry* r = wl_display_get_registry(d);
  wl_registry_add_listener(r, &registry_listener, NULL);
  wl_display_roundtrip(d);

  if (!strcmp(argv[1], "activity")) {
    if (!kde_idle || !seat) return 2;
    struct org_kde_kwin_idle_timeout* t = org_kde_kwin_idle_get_idle_timeout(kde_idle, seat, 60000);
    org_kde_kwin_idle_timeout_simulate_user_activity(t);
    org_kde_kwin_idle_timeout_release(t);
    wl_display_roundtrip(d);
    wl_display_disconnect(d);
    return 0;
  }
  if (strcmp(argv[1], "inhibit") || !compositor || !shm || !wm_base || !inhibit_manager) return 2;
  xdg_wm_base_add_listener(wm_base, &wm_base_listener, NULL);
  struct wl_surface* surface = wl_compositor_create_surface(compositor);
  struct xdg_surface* xs = xdg_wm_base_get_xdg_surface(wm_base, surface);
  xdg_surface_add_listener(xs, &surface_listener, NULL);
  struct xdg_toplevel* top = xdg_surface_get_toplevel(xs);
  xdg_toplevel_set_title(top, "inhibiteur");
  wl_surface_commit(surface);
  while (!configured && wl_display_dispatch(d) >= 0) {
  }
  wl_surface_attach(surface, white_buffer(64, 64), 0, 0);
  wl_surface_damage(surface, 0, 0, 64, 64);
  zwp_idle_inhibit_manager_v1_create_inhibitor(inhibit_manager, surface);
  wl_surface_commit(surface);
  wl_display_roundtrip(d);
  printf("ready\n");
  fflush(stdout);
  while (wl_display_dispatch(d) >= 0) {
  }
  return 0;
}
