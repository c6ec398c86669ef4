#include "programs/linux/config_gtk_page.h"

#include "config/config_program.h"

namespace ironwood::platform::gtkconfig {

GtkWidget* Frame(const char* title, GtkWidget* child) {
  GtkWidget* frame = gtk_frame_new(title);
  gtk_widget_set_margin_start(child, kSpacing);
  gtk_widget_set_margin_end(child, kSpacing);
  gtk_widget_set_margin_top(child, kSpacing / 2);
  gtk_widget_set_margin_bottom(child, kSpacing);
  gtk_container_add(GTK_CONTAINER(frame), child);
  return frame;
}

GtkWidget* Box(GtkOrientation orientation) { return gtk_box_new(orientation, kSpacing); }

void Pack(GtkWidget* box, GtkWidget* child, bool grow) {
  gtk_box_pack_start(GTK_BOX(box), child, grow, grow, 0);
}

GtkWidget* TightColumn() {
  GtkWidget* column = Box(GTK_ORIENTATION_VERTICAL);
  gtk_box_set_spacing(GTK_BOX(column), 0);
  return column;
}

GtkWidget* AddRemoveColumn(GtkWidget*& add, GtkWidget*& remove) {
  add = gtk_button_new_with_label("Add >>");
  remove = gtk_button_new_with_label("<< Remove");
  GtkWidget* buttons = Box(GTK_ORIENTATION_VERTICAL);
  gtk_widget_set_valign(buttons, GTK_ALIGN_CENTER);
  Pack(buttons, add);
  Pack(buttons, remove);
  return buttons;
}

void SetActive(GtkWidget* toggle, bool on) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on);
}

int SliderPosition(GtkRange* range) { return static_cast<int>(gtk_range_get_value(range) + 0.5); }

void ListView::Create(int rows) {
  store = gtk_list_store_new(1, G_TYPE_STRING);
  view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(view), FALSE);
  GtkCellRenderer* cell = gtk_cell_renderer_text_new();
  gtk_tree_view_append_column(
      GTK_TREE_VIEW(view), gtk_tree_view_column_new_with_attributes("", cell, "text", 0, nullptr));
  scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  // The height of a row in the theme and font in use, with the room the view leaves between
  // rows; the frame and a horizontal scroll bar come on top.
  int rowHeight = 0;
  gtk_cell_renderer_get_preferred_height(cell, view, nullptr, &rowHeight);
  int separator = 0;
  gtk_widget_style_get(view, "vertical-separator", &separator, nullptr);
  gtk_widget_set_size_request(scroller, 200, rows * (rowHeight + separator) + 4);
  gtk_container_add(GTK_CONTAINER(scroller), view);
}

void ListView::Fill(const std::vector<std::string>& rows, int selected) {
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

int ListView::Selected() const {
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

GtkWidget* FileCombo() {
  GtkWidget* combo = gtk_combo_box_text_new();
  GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
  for (GList* cell = cells; cell != nullptr; cell = cell->next) {
    g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, "width-chars", 12, nullptr);
  }
  g_list_free(cells);
  return combo;
}

void FillCombo(GtkWidget* combo, const std::vector<std::string>& rows, int selected) {
  gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(combo));
  for (const auto& row : rows) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), row.c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selected);
}

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

GtkWidget* MessageBox(GtkWindow* owner, GtkMessageType type, GtkButtonsType buttons,
                      const std::string& text) {
  GtkWidget* box = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, type, buttons, "%s",
                                          text.c_str());
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER_ON_PARENT);
  return box;
}

void Report(GtkWindow* owner, const std::string& message) {
  if (message.empty()) return;
  GtkWidget* box = MessageBox(owner, GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, message);
  gtk_window_set_title(GTK_WINDOW(box), config::kSheetCaption.data());
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

}  // namespace ironwood::platform::gtkconfig
