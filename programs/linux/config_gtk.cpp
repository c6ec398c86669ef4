#include "programs/linux/config_gtk.h"

#include <gtk/gtk.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <memory>

#include "config/config_program.h"
#include "programs/linux/config_gtk_page.h"

namespace ironwood::platform {

namespace {

using gtkconfig::PageView;

// Pages fill when they come to the front.
struct Sheet {
  std::unique_ptr<PageView> pages[config::kPages.size()];

  static void OnSwitchPage(GtkNotebook*, GtkWidget*, guint page, Sheet* self) {
    self->pages[page]->Show();
  }
};

}  // namespace

bool RunConfigSheet(config::ConfigProgram& program) {
  // GTK's order: the affirmative button last. OK is the default, so Enter in a field presses it.
  GtkWidget* dialog = gtk_dialog_new_with_buttons(config::kSheetCaption.data(), nullptr,
                                                  GTK_DIALOG_MODAL, "_Cancel", GTK_RESPONSE_CANCEL,
                                                  "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  // One size, whatever the installation holds or lacks: every page fits it, and the lists
  // scroll rather than grow the sheet.
  gtk_window_set_default_size(GTK_WINDOW(dialog), gtkconfig::kSheetWidth, gtkconfig::kSheetHeight);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  GtkWindow* owner = GTK_WINDOW(dialog);
  Sheet sheet{{gtkconfig::ScenarioConfigView(program.scenarioConfig, owner),
               gtkconfig::ScenarioEditorView(program.scenarioEditor, owner),
               gtkconfig::SoundView(program.sound), gtkconfig::VideoView(program.video)}};
  GtkWidget* notebook = gtk_notebook_new();
  gtk_container_set_border_width(GTK_CONTAINER(notebook), gtkconfig::kBorder);
  for (std::size_t i = 0; i < config::kPages.size(); ++i) {
    GtkWidget* page = sheet.pages[i]->Build();
    gtk_container_set_border_width(GTK_CONTAINER(page), gtkconfig::kBorder);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), page,
                             gtk_label_new(gtkconfig::Text(config::kPages[i].title).c_str()));
  }
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), notebook, TRUE,
                     TRUE, 0);
  g_signal_connect(notebook, "switch-page", G_CALLBACK(Sheet::OnSwitchPage), &sheet);
  gtk_widget_show_all(dialog);
  sheet.pages[0]->Show();
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  // Saved while the sheet still shows, so a failure is told over it.
  if (response == GTK_RESPONSE_OK && !program.SaveSettings()) {
    std::fprintf(stderr, "StarfraySSConfig: some settings could not be written.\n");
    gtkconfig::Report(owner, std::string(config::kSettingsNotSaved));
  }
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration();
  return response == GTK_RESPONSE_OK;
}

}  // namespace ironwood::platform
