#include "programs/linux/config_gtk.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "config/config_program.h"

namespace ironwood::platform {

namespace {

using config::ConfigProgram;

// Margins and spacing in pixels, close to the proportions of the 410 x 172 dialog-unit pages.
constexpr int kBorder = 8;
constexpr int kSpacing = 6;

std::string Text(std::string_view text) { return std::string(text); }

GtkWidget* Frame(const char* title, GtkWidget* child) {
  GtkWidget* frame = gtk_frame_new(title);
  gtk_widget_set_margin_start(child, kSpacing);
  gtk_widget_set_margin_end(child, kSpacing);
  gtk_widget_set_margin_top(child, kSpacing / 2);
  gtk_widget_set_margin_bottom(child, kSpacing);
  gtk_container_add(GTK_CONTAINER(frame), child);
  return frame;
}

GtkWidget* Box(GtkOrientation orientation) {
  return gtk_box_new(orientation, kSpacing);
}

void Pack(GtkWidget* box, GtkWidget* child, bool grow = false) {
  gtk_box_pack_start(GTK_BOX(box), child, grow, grow, 0);
}

// A one-column list without a header, scrolled, the rows replaced as a whole.
struct ListView {
  GtkWidget* scroller = nullptr;
  GtkWidget* view = nullptr;
  GtkListStore* store = nullptr;

  void Create(int minHeight) {
    store = gtk_list_store_new(1, G_TYPE_STRING);
    view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(view), FALSE);
    gtk_tree_view_append_column(
        GTK_TREE_VIEW(view),
        gtk_tree_view_column_new_with_attributes("", gtk_cell_renderer_text_new(), "text", 0,
                                                 nullptr));
    scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_widget_set_size_request(scroller, 200, minHeight);
    gtk_container_add(GTK_CONTAINER(scroller), view);
  }

  void Fill(const std::vector<std::string>& rows, int selected) {
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
    gtk_list_store_clear(store);
    for (const auto& row : rows) gtk_list_store_insert_with_values(store, nullptr, -1, 0, row.c_str(), -1);
    if (selected >= 0) {
      GtkTreePath* path = gtk_tree_path_new_from_indices(selected, -1);
      gtk_tree_selection_select_path(selection, path);
      gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(view), path, nullptr, FALSE, 0, 0);
      gtk_tree_path_free(path);
    } else {
      gtk_tree_selection_unselect_all(selection);
    }
  }

  int Selected() const {
    GtkTreeModel* model = nullptr;
    GtkTreeIter iter;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)), &model,
                                         &iter)) {
      return -1;
    }
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    const int index = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return index;
  }
};

void FillCombo(GtkWidget* combo, const std::vector<std::string>& rows, int selected) {
  gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(combo));
  for (const auto& row : rows) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), row.c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selected);
}

// The notice shown where the file lists would be; hidden when there is none.
GtkWidget* NoticeLabel() {
  GtkWidget* label = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_widget_set_no_show_all(label, TRUE);
  return label;
}

void ShowNotice(GtkWidget* label, const std::string& notice) {
  gtk_label_set_text(GTK_LABEL(label), notice.c_str());
  gtk_widget_set_visible(label, !notice.empty());
}

class Sheet {
 public:
  explicit Sheet(ConfigProgram& program) : program_(program) {}

  bool Run() {
    dialog_ = gtk_dialog_new_with_buttons(config::kSheetCaption.data(), nullptr, GTK_DIALOG_MODAL,
                                          "_OK", GTK_RESPONSE_OK, "_Cancel", GTK_RESPONSE_CANCEL,
                                          nullptr);
    gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog_), GTK_WIN_POS_CENTER);
    notebook_ = gtk_notebook_new();
    gtk_container_set_border_width(GTK_CONTAINER(notebook_), kBorder);
    GtkWidget* pages[] = {ScenarioConfigPage(), ScenarioEditorPage(), SoundPage(), VideoPage()};
    for (std::size_t i = 0; i < config::kPages.size(); ++i) {
      gtk_container_set_border_width(GTK_CONTAINER(pages[i]), kBorder);
      gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), pages[i],
                               gtk_label_new(Text(config::kPages[i].title).c_str()));
    }
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog_))), notebook_, TRUE,
                       TRUE, 0);
    g_signal_connect(notebook_, "switch-page", G_CALLBACK(OnSwitchPage), this);
    gtk_widget_show_all(dialog_);
    ShowPage(0);
    const int response = gtk_dialog_run(GTK_DIALOG(dialog_));
    gtk_widget_destroy(dialog_);
    while (gtk_events_pending()) gtk_main_iteration();
    return response == GTK_RESPONSE_OK;
  }

 private:
  // ------------------------------------------------------------ building the pages

  GtkWidget* ScenarioConfigPage() {
    scenarioFiles_ = gtk_combo_box_text_new();
    scenarioNotice_ = NoticeLabel();
    GtkWidget* add = gtk_button_new_with_label("Add >>");
    GtkWidget* remove = gtk_button_new_with_label("<< Remove");
    catalogue_.Create(150);

    GtkWidget* left = Box(GTK_ORIENTATION_VERTICAL);
    Pack(left, scenarioFiles_);
    Pack(left, scenarioNotice_);
    GtkWidget* buttons = Box(GTK_ORIENTATION_VERTICAL);
    gtk_widget_set_valign(buttons, GTK_ALIGN_CENTER);
    Pack(buttons, add);
    Pack(buttons, remove);
    GtkWidget* loaded = Box(GTK_ORIENTATION_VERTICAL);
    Pack(loaded, catalogue_.scroller, true);

    GtkWidget* row = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(row, left, true);
    Pack(row, buttons);
    Pack(row, Frame("Loaded Scenario's:", loaded), true);

    g_signal_connect(scenarioFiles_, "changed", G_CALLBACK(+[](GtkComboBox* combo, Sheet* self) {
                       if (!self->filling_) {
                         self->program_.scenarioConfig.SelectFile(gtk_combo_box_get_active(combo));
                       }
                     }),
                     this);
    g_signal_connect(add, "clicked", G_CALLBACK(+[](GtkButton*, Sheet* self) {
                       self->program_.scenarioConfig.SelectRow(self->catalogue_.Selected());
                       self->Report(self->program_.scenarioConfig.Add());
                       self->FillScenarioConfig();
                     }),
                     this);
    g_signal_connect(remove, "clicked", G_CALLBACK(+[](GtkButton*, Sheet* self) {
                       self->program_.scenarioConfig.SelectRow(self->catalogue_.Selected());
                       self->program_.scenarioConfig.Remove();
                       self->FillScenarioConfig();
                     }),
                     this);
    return Frame("Scenario Selection:", row);
  }

  struct AllianceControls {
    GtkWidget* plugins = nullptr;
    GtkWidget* count = nullptr;
    ListView entries;
  };

  GtkWidget* AlliancePart(int alliance) {
    AllianceControls& c = alliances_[alliance];
    c.plugins = gtk_combo_box_text_new();
    c.count = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(c.count), 5);
    GtkWidget* add = gtk_button_new_with_label("Add >>");
    GtkWidget* remove = gtk_button_new_with_label("<< Remove");
    c.entries.Create(90);

    GtkWidget* countRow = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(countRow, gtk_label_new("Number of:"));
    Pack(countRow, c.count);
    GtkWidget* left = Box(GTK_ORIENTATION_VERTICAL);
    Pack(left, c.plugins);
    Pack(left, countRow);
    GtkWidget* buttons = Box(GTK_ORIENTATION_VERTICAL);
    gtk_widget_set_valign(buttons, GTK_ALIGN_CENTER);
    Pack(buttons, add);
    Pack(buttons, remove);
    GtkWidget* row = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(row, left, true);
    Pack(row, buttons);
    Pack(row, c.entries.scroller, true);

    g_object_set_data(G_OBJECT(c.plugins), "alliance", GINT_TO_POINTER(alliance));
    g_object_set_data(G_OBJECT(c.count), "alliance", GINT_TO_POINTER(alliance));
    g_object_set_data(G_OBJECT(add), "alliance", GINT_TO_POINTER(alliance));
    g_object_set_data(G_OBJECT(remove), "alliance", GINT_TO_POINTER(alliance));
    g_signal_connect(c.plugins, "changed", G_CALLBACK(+[](GtkComboBox* combo, Sheet* self) {
                       if (!self->filling_) {
                         self->program_.scenarioEditor.SelectPlugin(AllianceOf(combo),
                                                                    gtk_combo_box_get_active(combo));
                       }
                     }),
                     this);
    g_signal_connect(c.count, "changed", G_CALLBACK(+[](GtkEditable* edit, Sheet* self) {
                       if (!self->filling_) {
                         self->program_.scenarioEditor.SetCountText(
                             AllianceOf(edit), gtk_entry_get_text(GTK_ENTRY(edit)));
                       }
                     }),
                     this);
    g_signal_connect(add, "clicked", G_CALLBACK(+[](GtkButton* button, Sheet* self) {
                       const int a = AllianceOf(button);
                       auto& editor = self->program_.scenarioEditor;
                       editor.SelectEntry(a, self->alliances_[a].entries.Selected());
                       self->Report(editor.Add(a));
                       self->FillEntries(a);
                     }),
                     this);
    g_signal_connect(remove, "clicked", G_CALLBACK(+[](GtkButton* button, Sheet* self) {
                       const int a = AllianceOf(button);
                       auto& editor = self->program_.scenarioEditor;
                       editor.SelectEntry(a, self->alliances_[a].entries.Selected());
                       editor.Remove(a);
                       self->FillEntries(a);
                     }),
                     this);
    return Frame(alliance == 0 ? "Alliance 1:" : "Alliance 2:", row);
  }

  GtkWidget* ScenarioEditorPage() {
    editorNotice_ = NoticeLabel();
    GtkWidget* save = gtk_button_new_with_label("Save Scenario...");
    GtkWidget* load = gtk_button_new_with_label("Load Scenario...");
    GtkWidget* files = Box(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_halign(files, GTK_ALIGN_END);
    Pack(files, save);
    Pack(files, load);
    GtkWidget* column = Box(GTK_ORIENTATION_VERTICAL);
    Pack(column, editorNotice_);
    Pack(column, AlliancePart(0), true);
    Pack(column, AlliancePart(1), true);
    Pack(column, files);
    g_signal_connect(save, "clicked", G_CALLBACK(+[](GtkButton*, Sheet* self) {
                       self->SaveScenario();
                     }),
                     this);
    g_signal_connect(load, "clicked", G_CALLBACK(+[](GtkButton*, Sheet* self) {
                       self->LoadScenario();
                     }),
                     this);
    return Frame("Scenario Configuration editor:", column);
  }

  static GtkWidget* VolumeSlider() {
    GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_VERTICAL, 0, 100, 1);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    // Position 0, the top, is the loudest; no fill suggests otherwise.
    gtk_scale_set_has_origin(GTK_SCALE(scale), FALSE);
    gtk_widget_set_size_request(scale, -1, 120);
    return scale;
  }

  GtkWidget* SoundPage() {
    soundFX_ = gtk_check_button_new_with_label("Enable");
    soundFXVolume_ = VolumeSlider();
    cdMusic_ = gtk_check_button_new_with_label("Enable");
    mp3Music_ = gtk_check_button_new_with_label("Enable");
    musicVolume_ = VolumeSlider();
    // The track list and its buttons keep the stored tracks' meaning; nothing shows them.
    tracks_.Create(60);
    GtkWidget* hidden[] = {tracks_.scroller, gtk_button_new_with_label("Add Track..."),
                           gtk_button_new_with_label("Remove Track.."),
                           gtk_button_new_with_label("Play "), gtk_button_new_with_label("Stop")};

    GtkWidget* effects = Box(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_valign(soundFX_, GTK_ALIGN_START);
    Pack(effects, soundFX_);
    Pack(effects, Frame("Volume:", soundFXVolume_));
    GtkWidget* music = Box(GTK_ORIENTATION_HORIZONTAL);
    GtkWidget* sources = Box(GTK_ORIENTATION_VERTICAL);
    Pack(sources, Frame("CD music", cdMusic_));
    Pack(sources, Frame("MP3 Music", mp3Music_));
    Pack(music, sources, true);
    Pack(music, Frame("Volume:", musicVolume_));
    for (GtkWidget* widget : hidden) {
      gtk_widget_set_no_show_all(widget, TRUE);
      Pack(music, widget);
    }
    GtkWidget* row = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(row, Frame("SoundFX:", effects), true);
    Pack(row, Frame("Music:", music), true);

    g_signal_connect(soundFX_, "toggled", G_CALLBACK(+[](GtkToggleButton*, Sheet* self) {
                       if (!self->filling_) self->program_.sound.ClickSoundFX();
                     }),
                     this);
    g_signal_connect(cdMusic_, "toggled", G_CALLBACK(+[](GtkToggleButton*, Sheet* self) {
                       if (self->filling_) return;
                       self->program_.sound.ClickCDMusic();
                       self->FillMusicBoxes();
                     }),
                     this);
    g_signal_connect(mp3Music_, "toggled", G_CALLBACK(+[](GtkToggleButton*, Sheet* self) {
                       if (self->filling_) return;
                       self->program_.sound.ClickMP3Music();
                       self->FillMusicBoxes();
                     }),
                     this);
    g_signal_connect(soundFXVolume_, "value-changed", G_CALLBACK(+[](GtkRange* range, Sheet* self) {
                       if (!self->filling_) {
                         self->program_.sound.SoundFXSliderMoved(
                             static_cast<int>(gtk_range_get_value(range) + 0.5));
                       }
                     }),
                     this);
    g_signal_connect(musicVolume_, "value-changed", G_CALLBACK(+[](GtkRange* range, Sheet* self) {
                       if (!self->filling_) {
                         self->program_.sound.MusicSliderMoved(
                             static_cast<int>(gtk_range_get_value(range) + 0.5));
                       }
                     }),
                     this);
    return Frame("Sound:", row);
  }

  GtkWidget* VideoPage() {
    GtkWidget* resolutions = Box(GTK_ORIENTATION_VERTICAL);
    gtk_box_set_spacing(GTK_BOX(resolutions), 0);
    GSList* group = nullptr;
    for (std::size_t i = 0; i < config::kResolutions.size(); ++i) {
      resolution_[i] = gtk_radio_button_new_with_label(group, Text(config::kResolutions[i].label).c_str());
      group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(resolution_[i]));
      g_object_set_data(G_OBJECT(resolution_[i]), "index", GINT_TO_POINTER(static_cast<int>(i)));
      g_signal_connect(resolution_[i], "toggled", G_CALLBACK(+[](GtkToggleButton* button, Sheet* self) {
                         if (self->filling_ || !gtk_toggle_button_get_active(button)) return;
                         self->program_.video.ChooseResolution(
                             GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "index")));
                       }),
                       this);
      Pack(resolutions, resolution_[i]);
    }
    // A radio group always has one button on in GTK; this one, never shown, stands for "none".
    noResolution_ = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(resolution_[0]));
    gtk_widget_set_no_show_all(noResolution_, TRUE);
    Pack(resolutions, noResolution_);

    use3DFX_ = gtk_check_button_new_with_label("Use 3DFX if present");
    dynamicLighting_ = gtk_check_button_new_with_label("Use Dynamic Lighting");
    s3tc_ = gtk_check_button_new_with_label("Use S3TC large textures (if supported)");
    gtk_widget_set_no_show_all(s3tc_, TRUE);
    camera254D_ = gtk_check_button_new_with_label("Use 2.54D Camera View");
    camera3D_ = gtk_check_button_new_with_label("Use Full 3D Camera View");
    GtkWidget* performance = Box(GTK_ORIENTATION_VERTICAL);
    gtk_box_set_spacing(GTK_BOX(performance), 0);
    for (GtkWidget* box : {use3DFX_, dynamicLighting_, s3tc_, camera254D_, camera3D_}) {
      Pack(performance, box);
    }
    struct Toggle {
      GtkWidget* widget;
      void (*click)(Sheet*);
    };
    const Toggle toggles[] = {
        {use3DFX_, [](Sheet* self) { self->program_.video.Click3DFX(); }},
        {dynamicLighting_, [](Sheet* self) { self->program_.video.ClickDynamicLighting(); }},
        {s3tc_, [](Sheet* self) { self->program_.video.ClickS3TC(); }},
        {camera254D_, [](Sheet* self) { self->program_.video.Click254DCamera(); self->FillCameraBoxes(); }},
        {camera3D_, [](Sheet* self) { self->program_.video.ClickFull3DCamera(); self->FillCameraBoxes(); }},
    };
    for (const Toggle& toggle : toggles) {
      g_object_set_data(G_OBJECT(toggle.widget), "click", reinterpret_cast<gpointer>(toggle.click));
      g_signal_connect(toggle.widget, "toggled", G_CALLBACK(+[](GtkToggleButton* button, Sheet* self) {
                         if (self->filling_) return;
                         auto click = reinterpret_cast<void (*)(Sheet*)>(
                             g_object_get_data(G_OBJECT(button), "click"));
                         click(self);
                       }),
                       this);
    }

    texture_ = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 2, 1);
    gtk_scale_set_draw_value(GTK_SCALE(texture_), FALSE);
    gtk_range_set_round_digits(GTK_RANGE(texture_), 0);
    gtk_widget_set_size_request(texture_, 220, -1);
    g_signal_connect(texture_, "value-changed", G_CALLBACK(+[](GtkRange* range, Sheet* self) {
                       if (!self->filling_) {
                         self->program_.video.TextureSliderMoved(
                             static_cast<int>(gtk_range_get_value(range) + 0.5));
                       }
                     }),
                     this);
    GtkWidget* labels = gtk_grid_new();
    gtk_grid_set_column_homogeneous(GTK_GRID(labels), TRUE);
    GtkWidget* high = gtk_label_new("High");
    GtkWidget* medium = gtk_label_new("Medium");
    GtkWidget* low = gtk_label_new("Low");
    gtk_widget_set_halign(high, GTK_ALIGN_START);
    gtk_widget_set_halign(low, GTK_ALIGN_END);
    gtk_grid_attach(GTK_GRID(labels), high, 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(labels), medium, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(labels), low, 2, 0, 1, 1);
    GtkWidget* detail = Box(GTK_ORIENTATION_VERTICAL);
    Pack(detail, texture_);
    Pack(detail, labels);

    GtkWidget* right = Box(GTK_ORIENTATION_VERTICAL);
    Pack(right, Frame("Preformance:", performance));
    Pack(right, Frame("Model Texture Detail:", detail));
    GtkWidget* row = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(row, Frame("Resolution:", resolutions));
    Pack(row, right, true);
    return Frame("Video:", row);
  }

  // ------------------------------------------------------------ filling controls

  static int AllianceOf(gpointer widget) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "alliance"));
  }

  static void OnSwitchPage(GtkNotebook*, GtkWidget*, guint page, Sheet* self) {
    self->ShowPage(static_cast<int>(page));
  }

  // Pages fill when first shown; the scenario configuration page lists its folder again each
  // time, so a scenario the editor has just saved can be added.
  void ShowPage(int page) {
    const bool first = !shown_[page];
    shown_[page] = true;
    filling_ = true;
    switch (page) {
      case 0:
        program_.scenarioConfig.Show();
        FillScenarioConfig();
        break;
      case 1:
        if (first) {
          program_.scenarioEditor.Show();
          ShowNotice(editorNotice_, program_.scenarioEditor.notice());
          for (int a = 0; a < 2; ++a) {
            FillCombo(alliances_[a].plugins, program_.scenarioEditor.plugins(),
                      program_.scenarioEditor.pluginSelection(a));
            gtk_entry_set_text(GTK_ENTRY(alliances_[a].count),
                               program_.scenarioEditor.countText(a).c_str());
            FillEntries(a);
          }
        }
        break;
      case 2:
        if (first) {
          auto& sound = program_.sound;
          sound.Show();
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(soundFX_), sound.soundFXOn());
          FillMusicBoxes();
          gtk_range_set_value(GTK_RANGE(soundFXVolume_), sound.soundFXSlider());
          gtk_range_set_value(GTK_RANGE(musicVolume_), sound.musicSlider());
          tracks_.Fill(sound.trackRows(), -1);
        }
        break;
      case 3:
        if (first) {
          auto& video = program_.video;
          video.Show();
          const int choice = video.resolutionChoice();
          gtk_toggle_button_set_active(
              GTK_TOGGLE_BUTTON(choice >= 0 ? resolution_[static_cast<std::size_t>(choice)] : noResolution_),
              TRUE);
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(use3DFX_), video.use3DFX());
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(dynamicLighting_), video.useDynamicLighting());
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(s3tc_), video.useS3TC());
          FillCameraBoxes();
          gtk_range_set_value(GTK_RANGE(texture_), video.textureSlider());
        }
        break;
    }
    filling_ = false;
  }

  void FillScenarioConfig() {
    const bool was = filling_;
    filling_ = true;
    auto& page = program_.scenarioConfig;
    ShowNotice(scenarioNotice_, page.notice());
    gtk_widget_set_visible(scenarioFiles_, page.notice().empty());
    FillCombo(scenarioFiles_, page.files(), page.fileSelection());
    catalogue_.Fill(page.rows(), page.rowSelection());
    filling_ = was;
  }

  void FillEntries(int alliance) {
    const bool was = filling_;
    filling_ = true;
    alliances_[alliance].entries.Fill(program_.scenarioEditor.entries(alliance),
                                      program_.scenarioEditor.entrySelection(alliance));
    filling_ = was;
  }

  void FillMusicBoxes() {
    const bool was = filling_;
    filling_ = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(cdMusic_), program_.sound.cdMusicOn());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(mp3Music_), program_.sound.mp3MusicOn());
    filling_ = was;
  }

  void FillCameraBoxes() {
    const bool was = filling_;
    filling_ = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(camera254D_), program_.video.use254DCamera());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(camera3D_), program_.video.useFull3DCamera());
    filling_ = was;
  }

  // ------------------------------------------------------------ messages and file dialogs

  void Report(const std::string& message) {
    if (message.empty()) return;
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(dialog_), GTK_DIALOG_MODAL,
                                            GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s",
                                            message.c_str());
    gtk_window_set_title(GTK_WINDOW(box), config::kSheetCaption.data());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
  }

  // The chosen file's path, or empty when the dialog was cancelled.
  std::string ChooseScenarioFile(bool save) {
    auto& editor = program_.scenarioEditor;
    editor.PrepareScenarioFolder();
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        Text(save ? config::kSaveDialogTitle : config::kLoadDialogTitle).c_str(),
        GTK_WINDOW(dialog_), save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
        "_Cancel", GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, Text(config::kScenarioFilterName).c_str());
    gtk_file_filter_add_pattern(filter, Text(config::kScenarioFilterPattern).c_str());
    gtk_file_filter_add_pattern(filter, "*.[Ss][Ss]3");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(chooser), 600, 400);
    // Saving asks before replacing a file; loading takes only files that exist.
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), save);
    // The dialogs start in the scenario folder, or where the last chosen file of this run is,
    // with that name filled in.
    const std::string& last = editor.lastFileName();
    if (last.empty()) {
      const std::string folder = editor.scenarioFolder();
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
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
      if (char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
        chosen = name;
        g_free(name);
      }
    }
    gtk_widget_destroy(chooser);
    return chosen;
  }

  void SaveScenario() {
    const std::string path = ChooseScenarioFile(true);
    if (!path.empty()) Report(program_.scenarioEditor.Save(path));
  }

  void LoadScenario() {
    auto& editor = program_.scenarioEditor;
    if (editor.HasEntries()) {
      GtkWidget* ask = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                              GTK_BUTTONS_YES_NO, "%s",
                                              Text(config::kSaveQuestion).c_str());
      gtk_window_set_title(GTK_WINDOW(ask), Text(config::kSaveQuestionCaption).c_str());
      const int answer = gtk_dialog_run(GTK_DIALOG(ask));
      gtk_widget_destroy(ask);
      if (answer == GTK_RESPONSE_YES) SaveScenario();
    }
    const std::string path = ChooseScenarioFile(false);
    if (path.empty()) return;
    Report(editor.Load(path));
    FillEntries(0);
    FillEntries(1);
  }

  ConfigProgram& program_;
  GtkWidget* dialog_ = nullptr;
  GtkWidget* notebook_ = nullptr;
  bool filling_ = false;
  bool shown_[4] = {};

  GtkWidget* scenarioFiles_ = nullptr;
  GtkWidget* scenarioNotice_ = nullptr;
  ListView catalogue_;

  GtkWidget* editorNotice_ = nullptr;
  AllianceControls alliances_[2];

  GtkWidget* soundFX_ = nullptr;
  GtkWidget* soundFXVolume_ = nullptr;
  GtkWidget* cdMusic_ = nullptr;
  GtkWidget* mp3Music_ = nullptr;
  GtkWidget* musicVolume_ = nullptr;
  ListView tracks_;

  GtkWidget* resolution_[config::kResolutions.size()] = {};
  GtkWidget* noResolution_ = nullptr;
  GtkWidget* use3DFX_ = nullptr;
  GtkWidget* dynamicLighting_ = nullptr;
  GtkWidget* s3tc_ = nullptr;
  GtkWidget* camera254D_ = nullptr;
  GtkWidget* camera3D_ = nullptr;
  GtkWidget* texture_ = nullptr;
};

}  // namespace

bool RunConfigSheet(ConfigProgram& program) {
  Sheet sheet(program);
  return sheet.Run();
}

}  // namespace ironwood::platform
