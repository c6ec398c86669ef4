#include "platform/password_dialogs.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "platform/linux/library_symbols.h"

namespace ironwood::platform {

// The desktop's own screen locker guards the session here: it asks for the user's login
// password when the screen is locked, so the saver never asks for one of its own.
DesktopKind CurrentDesktopKind() {
  return DesktopKind::Other;
}

namespace {

// GTK 3 as the change-password dialog needs it, opened at run time so that the saver itself
// never depends on it.
struct Gtk {
  decltype(&gtk_init_check) init_check = nullptr;
  decltype(&gtk_dialog_new_with_buttons) dialog_new_with_buttons = nullptr;
  decltype(&gtk_dialog_get_content_area) dialog_get_content_area = nullptr;
  decltype(&gtk_dialog_set_default_response) dialog_set_default_response = nullptr;
  decltype(&gtk_dialog_run) dialog_run = nullptr;
  decltype(&gtk_grid_new) grid_new = nullptr;
  decltype(&gtk_grid_attach) grid_attach = nullptr;
  decltype(&gtk_grid_set_row_spacing) grid_set_row_spacing = nullptr;
  decltype(&gtk_container_add) container_add = nullptr;
  decltype(&gtk_container_set_border_width) container_set_border_width = nullptr;
  decltype(&gtk_label_new) label_new = nullptr;
  decltype(&gtk_widget_set_halign) widget_set_halign = nullptr;
  decltype(&gtk_entry_new) entry_new = nullptr;
  decltype(&gtk_entry_set_visibility) entry_set_visibility = nullptr;
  decltype(&gtk_entry_set_activates_default) entry_set_activates_default = nullptr;
  decltype(&gtk_entry_set_max_length) entry_set_max_length = nullptr;
  decltype(&gtk_entry_get_text) entry_get_text = nullptr;
  decltype(&gtk_entry_set_text) entry_set_text = nullptr;
  decltype(&gtk_widget_set_size_request) widget_set_size_request = nullptr;
  decltype(&gtk_widget_grab_focus) widget_grab_focus = nullptr;
  decltype(&gtk_widget_show_all) widget_show_all = nullptr;
  decltype(&gtk_widget_destroy) widget_destroy = nullptr;
  decltype(&gtk_window_set_position) window_set_position = nullptr;
  decltype(&gtk_window_set_resizable) window_set_resizable = nullptr;
  decltype(&gtk_window_set_keep_above) window_set_keep_above = nullptr;
  decltype(&gtk_message_dialog_new) message_dialog_new = nullptr;
  decltype(&gtk_window_set_title) window_set_title = nullptr;
  decltype(&gtk_events_pending) events_pending = nullptr;
  decltype(&gtk_main_iteration) main_iteration = nullptr;

  // Opens the library and takes every function; false, with the reason, when one is missing.
  bool Open(std::string* why) {
    void* library = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      *why = "GTK 3 (libgtk-3.so.0) is not installed";
      return false;
    }
    bool all = true;
#define IW_GTK(name) all = ResolveSymbol(library, "gtk_" #name, name) && all
    IW_GTK(init_check);
    IW_GTK(dialog_new_with_buttons);
    IW_GTK(dialog_get_content_area);
    IW_GTK(dialog_set_default_response);
    IW_GTK(dialog_run);
    IW_GTK(grid_new);
    IW_GTK(grid_attach);
    IW_GTK(grid_set_row_spacing);
    IW_GTK(container_add);
    IW_GTK(container_set_border_width);
    IW_GTK(label_new);
    IW_GTK(widget_set_halign);
    IW_GTK(entry_new);
    IW_GTK(entry_set_visibility);
    IW_GTK(entry_set_activates_default);
    IW_GTK(entry_set_max_length);
    IW_GTK(entry_get_text);
    IW_GTK(entry_set_text);
    IW_GTK(widget_set_size_request);
    IW_GTK(widget_grab_focus);
    IW_GTK(widget_show_all);
    IW_GTK(widget_destroy);
    IW_GTK(window_set_position);
    IW_GTK(window_set_resizable);
    IW_GTK(window_set_keep_above);
    IW_GTK(message_dialog_new);
    IW_GTK(window_set_title);
    IW_GTK(events_pending);
    IW_GTK(main_iteration);
#undef IW_GTK
    // The library stays loaded for the life of the process: GTK cannot be unloaded safely.
    if (!all) *why = "libgtk-3.so.0 lacks a function the dialog needs";
    return all;
  }

  void Flush() const {
    while (events_pending()) main_iteration();
  }
};

// GTK is opened and started only when a dialog is shown: an ordinary run of the saver never
// loads it.
// GTK's checked casts call its type functions, which this file does not link; the widgets are
// what the cast names, so a plain one does.
template <typename Widget>
Widget* As(GtkWidget* widget) {
  return reinterpret_cast<Widget*>(widget);
}

class GtkPasswordDialogs final : public PasswordDialogs {
 public:

  // Never asked for here (see CurrentDesktopKind); a caller that asks anyway is let through.
  Entry ShowEntry(const std::function<bool(const std::string&)>&) override {
    return Entry::NotShown;
  }

  bool ShowChange(
      const std::function<PasswordChangeAnswer(const PasswordChangeFields&)>& submit) override {
    std::string why;
    if (!Start(&why)) {
      std::fprintf(stderr, "Ironwood: the change-password dialog cannot be shown: %s\n",
                   why.c_str());
      return false;
    }
    GtkWidget* dialog = gtk_.dialog_new_with_buttons("Change Password", nullptr, GTK_DIALOG_MODAL,
                                                     "OK", GTK_RESPONSE_OK, "Cancel",
                                                     GTK_RESPONSE_CANCEL, nullptr);
    gtk_.window_set_position(As<GtkWindow>(dialog), GTK_WIN_POS_CENTER);
    gtk_.window_set_resizable(As<GtkWindow>(dialog), FALSE);
    gtk_.window_set_keep_above(As<GtkWindow>(dialog), TRUE);
    gtk_.dialog_set_default_response(As<GtkDialog>(dialog), GTK_RESPONSE_OK);
    GtkWidget* grid = gtk_.grid_new();
    gtk_.grid_set_row_spacing(As<GtkGrid>(grid), 4);
    gtk_.container_set_border_width(As<GtkContainer>(grid), 10);
    GtkWidget* fields[3] = {};
    const char* labels[3] = {"New Password:", "Retype New Password:", "Old Password:"};
    for (int i = 0; i < 3; ++i) {
      GtkWidget* label = gtk_.label_new(labels[i]);
      gtk_.widget_set_halign(label, GTK_ALIGN_START);
      fields[i] = gtk_.entry_new();
      gtk_.entry_set_visibility(As<GtkEntry>(fields[i]), FALSE);
      gtk_.entry_set_activates_default(As<GtkEntry>(fields[i]), TRUE);
      gtk_.entry_set_max_length(As<GtkEntry>(fields[i]), static_cast<gint>(kMaxFieldText));
      gtk_.widget_set_size_request(fields[i], 280, -1);
      gtk_.grid_attach(As<GtkGrid>(grid), label, 0, 2 * i, 1, 1);
      gtk_.grid_attach(As<GtkGrid>(grid), fields[i], 0, 2 * i + 1, 1, 1);
    }
    gtk_.container_add(As<GtkContainer>(gtk_.dialog_get_content_area(As<GtkDialog>(dialog))), grid);
    gtk_.widget_show_all(dialog);

    bool stored = false;
    for (;;) {
      gtk_.widget_grab_focus(fields[0]);
      if (gtk_.dialog_run(As<GtkDialog>(dialog)) != GTK_RESPONSE_OK) break;
      const PasswordChangeFields typed{gtk_.entry_get_text(As<GtkEntry>(fields[0])),
                                       gtk_.entry_get_text(As<GtkEntry>(fields[1])),
                                       gtk_.entry_get_text(As<GtkEntry>(fields[2]))};
      const PasswordChangeAnswer answer = submit(typed);
      if (!answer.message.empty()) ShowMessage(dialog, answer);
      for (GtkWidget* field : fields) gtk_.entry_set_text(As<GtkEntry>(field), "");
      if (answer.done) {
        stored = true;
        break;
      }
    }
    gtk_.widget_destroy(dialog);
    gtk_.Flush();
    return stored;
  }

 private:
  bool Start(std::string* why) {
    if (!tried_) {
      tried_ = true;
      started_ = gtk_.Open(&why_);
      if (started_ && !gtk_.init_check(nullptr, nullptr)) {
        why_ = "no display to show it on";
        started_ = false;
      }
    }
    *why = why_;
    return started_;
  }

  void ShowMessage(GtkWidget* owner, const PasswordChangeAnswer& answer) const {
    GtkWidget* box = gtk_.message_dialog_new(As<GtkWindow>(owner), GTK_DIALOG_MODAL,
                                             GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s",
                                             answer.message.c_str());
    gtk_.window_set_title(As<GtkWindow>(box), answer.caption.c_str());
    gtk_.dialog_run(As<GtkDialog>(box));
    gtk_.widget_destroy(box);
    gtk_.Flush();
  }

  Gtk gtk_;
  bool tried_ = false;
  bool started_ = false;
  std::string why_;
};

}  // namespace

std::unique_ptr<PasswordDialogs> CreatePasswordDialogs() {
  return std::make_unique<GtkPasswordDialogs>();
}

}  // namespace ironwood::platform
