// The floor of a first screen: one GTK window with one WebKitGTK view, the
// same page settings as the program's, loading the page given. When the load
// has finished it prints the wall-clock time in microseconds since the epoch
// and ends, so the caller can take the time from its own start.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>

#include "os/gtk/gtk_compat.h"

namespace {

void OnLoadChanged(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer /*data*/) {
  if (event != WEBKIT_LOAD_FINISHED) return;
  std::printf("%lld\n", static_cast<long long>(g_get_real_time()));
  std::fflush(stdout);
  gtk_main_quit();
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv) || argc != 2) {
    std::fprintf(stderr, "Usage: pavane-bench-floor URL (on a display)\n");
    return 2;
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 640, 480);
  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_enable_javascript(settings, TRUE);
  pavane::os::gtk::compat::PreferSoftwareRendering(settings);
  GtkWidget* view = webkit_web_view_new_with_settings(settings);
  g_object_unref(settings);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
