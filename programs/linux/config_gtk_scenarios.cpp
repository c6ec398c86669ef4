// "Scenario Configuration": the scenario files of the folder, and the catalogue the saver plays.

#include "config/scenario_config_page.h"
#include "programs/linux/config_gtk_page.h"

namespace ironwood::platform::gtkconfig {

namespace {

// Lists the folder again each time it is shown, so a scenario the editor has just saved can be
// added.
class ScenarioConfig : public PageViewOf<config::ScenarioConfigPage> {
 public:
  ScenarioConfig(config::ScenarioConfigPage& page, GtkWindow* owner)
      : PageViewOf(page, Refill::kEachShow), owner_(owner) {}

  GtkWidget* Build() override {
    files_ = FileCombo();
    notice_ = NoticeLabel();
    GtkWidget* add = nullptr;
    GtkWidget* remove = nullptr;
    GtkWidget* buttons = AddRemoveColumn(add, remove);
    catalogue_.Create(10);

    GtkWidget* left = Box(GTK_ORIENTATION_VERTICAL);
    Pack(left, files_);
    Pack(left, notice_);
    GtkWidget* loaded = Box(GTK_ORIENTATION_VERTICAL);
    Pack(loaded, catalogue_.scroller, true);

    GtkWidget* row = Box(GTK_ORIENTATION_HORIZONTAL);
    GtkWidget* loadedFrame = Frame("Loaded Scenario's:", loaded);
    Pack(row, left, true);
    Pack(row, buttons);
    Pack(row, loadedFrame, true);
    // The two sides share the width alike, so a notice in place of the files does not squeeze
    // the catalogue.
    GtkSizeGroup* sides = gtk_size_group_new(GTK_SIZE_GROUP_HORIZONTAL);
    gtk_size_group_add_widget(sides, left);
    gtk_size_group_add_widget(sides, loadedFrame);
    g_object_unref(sides);

    g_signal_connect(files_, "changed", G_CALLBACK(+[](GtkComboBox* combo, ScenarioConfig* self) {
                       if (!self->filling_) self->page_.SelectFile(gtk_combo_box_get_active(combo));
                     }),
                     this);
    g_signal_connect(add, "clicked", G_CALLBACK(+[](GtkButton*, ScenarioConfig* self) {
                       self->page_.SelectRow(self->catalogue_.Selected());
                       Report(self->owner_, self->page_.Add());
                       self->Fill();
                     }),
                     this);
    g_signal_connect(remove, "clicked", G_CALLBACK(+[](GtkButton*, ScenarioConfig* self) {
                       self->page_.SelectRow(self->catalogue_.Selected());
                       self->page_.Remove();
                       self->Fill();
                     }),
                     this);
    return Frame("Scenario Selection:", row);
  }

 private:
  // Also after Add and Remove, where no Show has set the flag.
  void Fill() override {
    Filling filling(filling_);
    ShowNotice(notice_, page_.notice());
    gtk_widget_set_visible(files_, page_.notice().empty());
    FillCombo(files_, page_.files(), page_.fileSelection());
    catalogue_.Fill(page_.rows(), page_.rowSelection());
  }

  void Tell(const std::string& message) override { Report(owner_, message); }

  GtkWindow* owner_;
  GtkWidget* files_ = nullptr;
  GtkWidget* notice_ = nullptr;
  ListView catalogue_;
};

}  // namespace

std::unique_ptr<PageView> ScenarioConfigView(config::ScenarioConfigPage& page, GtkWindow* owner) {
  return std::make_unique<ScenarioConfig>(page, owner);
}

}  // namespace ironwood::platform::gtkconfig
