// "Scenario Editor": the two alliances' entries, and the scenario files they are saved to and
// loaded from.

#include <string>

#include "config/scenario_editor_page.h"
#include "programs/linux/config_gtk_page.h"

namespace ironwood::platform::gtkconfig {

namespace {

class ScenarioEditor : public PageViewOf<config::ScenarioEditorPage> {
 public:
  ScenarioEditor(config::ScenarioEditorPage& page, GtkWindow* owner)
      : PageViewOf(page, Refill::kFirstShow), owner_(owner) {}

  GtkWidget* Build() override {
    notice_ = NoticeLabel();
    GtkWidget* save = gtk_button_new_with_label("Save Scenario...");
    GtkWidget* load = gtk_button_new_with_label("Load Scenario...");
    GtkWidget* files = Box(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_halign(files, GTK_ALIGN_END);
    Pack(files, save);
    Pack(files, load);
    // The alliances side by side, as on the Windows page, so each list has the height for ten
    // entries.
    GtkWidget* alliances = Box(GTK_ORIENTATION_HORIZONTAL);
    gtk_box_set_homogeneous(GTK_BOX(alliances), TRUE);
    Pack(alliances, AlliancePart(0), true);
    Pack(alliances, AlliancePart(1), true);
    GtkWidget* column = Box(GTK_ORIENTATION_VERTICAL);
    Pack(column, notice_);
    Pack(column, alliances, true);
    Pack(column, files);
    g_signal_connect(save, "clicked", G_CALLBACK(+[](GtkButton*, ScenarioEditor* self) {
                       self->SaveScenario();
                     }),
                     this);
    g_signal_connect(load, "clicked", G_CALLBACK(+[](GtkButton*, ScenarioEditor* self) {
                       self->LoadScenario();
                     }),
                     this);
    return Frame("Scenario Configuration editor:", column);
  }

  void Fill() override {
    ShowNotice(notice_, page_.notice());
    for (int a = 0; a < 2; ++a) {
      FillCombo(alliances_[a].plugins, page_.plugins(), page_.pluginSelection(a));
      gtk_entry_set_text(GTK_ENTRY(alliances_[a].count), page_.countText(a).c_str());
      FillEntries(a);
    }
  }

 private:
  struct AllianceControls {
    GtkWidget* plugins = nullptr;
    GtkWidget* count = nullptr;
    ListView entries;
  };

  static int AllianceOf(gpointer widget) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "alliance"));
  }

  GtkWidget* AlliancePart(int alliance) {
    AllianceControls& c = alliances_[alliance];
    c.plugins = FileCombo();
    c.count = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(c.count), 5);
    gtk_entry_set_activates_default(GTK_ENTRY(c.count), TRUE);
    GtkWidget* add = gtk_button_new_with_label("Add >>");
    GtkWidget* remove = gtk_button_new_with_label("<< Remove");
    c.entries.Create(10);

    // The focus moves as before: drop-down, count, "Add >>", "<< Remove", the list.
    GtkWidget* pick = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(pick, c.plugins, true);
    Pack(pick, gtk_label_new("Number of:"));
    Pack(pick, c.count);
    GtkWidget* buttons = Box(GTK_ORIENTATION_HORIZONTAL);
    gtk_box_set_homogeneous(GTK_BOX(buttons), TRUE);
    Pack(buttons, add, true);
    Pack(buttons, remove, true);
    GtkWidget* row = Box(GTK_ORIENTATION_VERTICAL);
    Pack(row, pick);
    Pack(row, buttons);
    Pack(row, c.entries.scroller, true);

    for (GtkWidget* widget : {c.plugins, c.count, add, remove}) {
      g_object_set_data(G_OBJECT(widget), "alliance", GINT_TO_POINTER(alliance));
    }
    g_signal_connect(c.plugins, "changed", G_CALLBACK(+[](GtkComboBox* combo, ScenarioEditor* self) {
                       if (!self->filling_) {
                         self->page_.SelectPlugin(AllianceOf(combo), gtk_combo_box_get_active(combo));
                       }
                     }),
                     this);
    g_signal_connect(c.count, "changed", G_CALLBACK(+[](GtkEditable* edit, ScenarioEditor* self) {
                       if (!self->filling_) {
                         self->page_.SetCountText(AllianceOf(edit), gtk_entry_get_text(GTK_ENTRY(edit)));
                       }
                     }),
                     this);
    g_signal_connect(add, "clicked", G_CALLBACK(+[](GtkButton* button, ScenarioEditor* self) {
                       const int a = AllianceOf(button);
                       self->page_.SelectEntry(a, self->alliances_[a].entries.Selected());
                       Report(self->owner_, self->page_.Add(a));
                       self->FillEntries(a);
                     }),
                     this);
    g_signal_connect(remove, "clicked", G_CALLBACK(+[](GtkButton* button, ScenarioEditor* self) {
                       const int a = AllianceOf(button);
                       self->page_.SelectEntry(a, self->alliances_[a].entries.Selected());
                       self->page_.Remove(a);
                       self->FillEntries(a);
                     }),
                     this);
    return Frame(alliance == 0 ? "Alliance 1:" : "Alliance 2:", row);
  }

  void FillEntries(int alliance) {
    Filling filling(filling_);
    alliances_[alliance].entries.Fill(page_.entries(alliance), page_.entrySelection(alliance));
  }

  // The chosen file's path, or empty when the dialog was cancelled.
  std::string ChooseScenarioFile(bool save) {
    page_.PrepareScenarioFolder();
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        Text(save ? config::kSaveDialogTitle : config::kLoadDialogTitle).c_str(), owner_,
        save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
        GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, Text(config::kScenarioFilterName).c_str());
    gtk_file_filter_add_pattern(filter, Text(config::kScenarioFilterPattern).c_str());
    gtk_file_filter_add_pattern(filter, "*.[Ss][Ss]3");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(chooser), 600, 400);
    // The chooser's own question would be about the typed name, not the one the page writes
    // ("Duel" is saved as "Duel.ss3"), so the page asks instead, below.
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), FALSE);
    // The dialogs start in the scenario folder, or where the last chosen file of this run is,
    // with that name filled in.
    const std::string& last = page_.lastFileName();
    if (last.empty()) {
      const std::string folder = page_.scenarioFolder();
      if (!folder.empty()) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder.c_str());
      }
    } else if (save) {
      gchar* folder = g_path_get_dirname(last.c_str());
      gchar* name = g_path_get_basename(last.c_str());
      gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder);
      gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), name);
      g_free(folder);
      g_free(name);
    } else {
      gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), last.c_str());
    }
    std::string chosen;
    while (chosen.empty() && gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
      if (char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
        chosen = name;
        g_free(name);
      }
      // No goes back to the chooser, as a refused replacement does in the system's dialogs.
      if (save && !chosen.empty() && !Confirm(GTK_WINDOW(chooser), page_.ReplaceQuestion(chosen))) {
        chosen.clear();
      }
    }
    gtk_widget_destroy(chooser);
    return chosen;
  }

  // True when there is nothing to ask or the answer is Yes.
  static bool Confirm(GtkWindow* over, const std::string& question) {
    if (question.empty()) return true;
    GtkWidget* ask = gtk_message_dialog_new(
        over, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, "%s", question.c_str());
    gtk_window_set_title(GTK_WINDOW(ask), Text(config::kReplaceCaption).c_str());
    gtk_dialog_set_default_response(GTK_DIALOG(ask), GTK_RESPONSE_NO);
    const int answer = gtk_dialog_run(GTK_DIALOG(ask));
    gtk_widget_destroy(ask);
    return answer == GTK_RESPONSE_YES;
  }

  void SaveScenario() {
    const std::string path = ChooseScenarioFile(true);
    if (!path.empty()) Report(owner_, page_.Save(path));
  }

  void LoadScenario() {
    if (page_.HasEntries()) {
      GtkWidget* ask = MessageBox(owner_, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO,
                                  Text(config::kSaveQuestion));
      gtk_window_set_title(GTK_WINDOW(ask), Text(config::kSaveQuestionCaption).c_str());
      const int answer = gtk_dialog_run(GTK_DIALOG(ask));
      gtk_widget_destroy(ask);
      if (answer == GTK_RESPONSE_YES) SaveScenario();
    }
    const std::string path = ChooseScenarioFile(false);
    if (path.empty()) return;
    Report(owner_, page_.Load(path));
    FillEntries(0);
    FillEntries(1);
  }

  void Tell(const std::string& message) override { Report(owner_, message); }

  GtkWindow* owner_;
  GtkWidget* notice_ = nullptr;
  AllianceControls alliances_[2];
};

}  // namespace

std::unique_ptr<PageView> ScenarioEditorView(config::ScenarioEditorPage& page, GtkWindow* owner) {
  return std::make_unique<ScenarioEditor>(page, owner);
}

}  // namespace ironwood::platform::gtkconfig
