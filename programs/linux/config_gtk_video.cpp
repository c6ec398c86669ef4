// "Video": the resolution, the performance switches and the model texture detail.

#include <cstddef>

#include "config/video_page.h"
#include "programs/linux/config_gtk_page.h"

namespace ironwood::platform::gtkconfig {

namespace {

class Video : public PageViewOf<config::VideoPage> {
 public:
  explicit Video(config::VideoPage& page) : PageViewOf(page, Refill::kFirstShow) {}

  GtkWidget* Build() override {
    GtkWidget* row = Box(GTK_ORIENTATION_HORIZONTAL);
    Pack(row, Frame("Resolution:", Resolutions()));
    GtkWidget* right = Box(GTK_ORIENTATION_VERTICAL);
    Pack(right, Frame("Preformance:", Performance()));
    Pack(right, Frame("Model Texture Detail:", TextureDetail()));
    Pack(row, right, true);
    return Frame("Video:", row);
  }

  void Fill() override {
    const int choice = page_.resolutionChoice();
    SetActive(choice >= 0 ? resolution_[static_cast<std::size_t>(choice)] : noResolution_, true);
    SetActive(use3DFX_, page_.use3DFX());
    SetActive(dynamicLighting_, page_.useDynamicLighting());
    SetActive(s3tc_, page_.useS3TC());
    SetActive(multisampling_, page_.multisampling());
    FillCameraBoxes();
    gtk_range_set_value(GTK_RANGE(texture_), page_.textureSlider());
  }

 private:
  GtkWidget* Resolutions() {
    GtkWidget* resolutions = TightColumn();
    GSList* group = nullptr;
    for (std::size_t i = 0; i < config::kResolutions.size(); ++i) {
      resolution_[i] = gtk_radio_button_new_with_label(group, Text(config::kResolutions[i].label).c_str());
      group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(resolution_[i]));
      g_object_set_data(G_OBJECT(resolution_[i]), "index", GINT_TO_POINTER(static_cast<int>(i)));
      g_signal_connect(resolution_[i], "toggled", G_CALLBACK(+[](GtkToggleButton* button, Video* self) {
                         if (self->filling_ || !gtk_toggle_button_get_active(button)) return;
                         self->page_.ChooseResolution(
                             GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "index")));
                       }),
                       this);
      Pack(resolutions, resolution_[i]);
    }
    // A radio group always has one button on in GTK; this one, never shown, stands for "none".
    noResolution_ = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(resolution_[0]));
    gtk_widget_set_no_show_all(noResolution_, TRUE);
    Pack(resolutions, noResolution_);
    return resolutions;
  }

  GtkWidget* Performance() {
    use3DFX_ = gtk_check_button_new_with_label("Use 3DFX if present");
    dynamicLighting_ = gtk_check_button_new_with_label("Use Dynamic Lighting");
    s3tc_ = gtk_check_button_new_with_label("Use S3TC large textures (if supported)");
    gtk_widget_set_no_show_all(s3tc_, TRUE);
    camera254D_ = gtk_check_button_new_with_label("Use 2.54D Camera View");
    camera3D_ = gtk_check_button_new_with_label("Use Full 3D Camera View");
    multisampling_ = gtk_check_button_new_with_label("Smooth Edges (Multisampling)");
    GtkWidget* performance = TightColumn();
    struct Toggle {
      GtkWidget* widget;
      void (*click)(Video*);
    };
    const Toggle toggles[] = {
        {use3DFX_, [](Video* self) { self->page_.Click3DFX(); }},
        {dynamicLighting_, [](Video* self) { self->page_.ClickDynamicLighting(); }},
        {s3tc_, [](Video* self) { self->page_.ClickS3TC(); }},
        {camera254D_, [](Video* self) { self->page_.Click254DCamera(); self->FillCameraBoxes(); }},
        {camera3D_, [](Video* self) { self->page_.ClickFull3DCamera(); self->FillCameraBoxes(); }},
        {multisampling_, [](Video* self) { self->page_.ClickMultisampling(); }},
    };
    for (const Toggle& toggle : toggles) {
      Pack(performance, toggle.widget);
      g_object_set_data(G_OBJECT(toggle.widget), "click", reinterpret_cast<gpointer>(toggle.click));
      g_signal_connect(toggle.widget, "toggled", G_CALLBACK(+[](GtkToggleButton* button, Video* self) {
                         if (self->filling_) return;
                         auto click = reinterpret_cast<void (*)(Video*)>(
                             g_object_get_data(G_OBJECT(button), "click"));
                         click(self);
                       }),
                       this);
    }
    return performance;
  }

  GtkWidget* TextureDetail() {
    texture_ = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 2, 1);
    gtk_scale_set_draw_value(GTK_SCALE(texture_), FALSE);
    gtk_range_set_round_digits(GTK_RANGE(texture_), 0);
    gtk_widget_set_size_request(texture_, 220, -1);
    g_signal_connect(texture_, "value-changed", G_CALLBACK(+[](GtkRange* range, Video* self) {
                       if (!self->filling_) self->page_.TextureSliderMoved(SliderPosition(range));
                     }),
                     this);
    // "High" at the slider's left end, "Low" at its right, "Medium" between.
    GtkWidget* labels = gtk_grid_new();
    gtk_grid_set_column_homogeneous(GTK_GRID(labels), TRUE);
    const struct {
      const char* text;
      GtkAlign align;
    } marks[] = {{"High", GTK_ALIGN_START}, {"Medium", GTK_ALIGN_FILL}, {"Low", GTK_ALIGN_END}};
    for (int column = 0; column < 3; ++column) {
      GtkWidget* label = gtk_label_new(marks[column].text);
      gtk_widget_set_halign(label, marks[column].align);
      gtk_grid_attach(GTK_GRID(labels), label, column, 0, 1, 1);
    }
    GtkWidget* detail = Box(GTK_ORIENTATION_VERTICAL);
    Pack(detail, texture_);
    Pack(detail, labels);
    return detail;
  }

  // The camera pair: after any click exactly one of the two is on.
  void FillCameraBoxes() {
    Filling filling(filling_);
    SetActive(camera254D_, page_.use254DCamera());
    SetActive(camera3D_, page_.useFull3DCamera());
  }

  GtkWidget* resolution_[config::kResolutions.size()] = {};
  GtkWidget* noResolution_ = nullptr;
  GtkWidget* use3DFX_ = nullptr;
  GtkWidget* dynamicLighting_ = nullptr;
  GtkWidget* s3tc_ = nullptr;
  GtkWidget* multisampling_ = nullptr;
  GtkWidget* camera254D_ = nullptr;
  GtkWidget* camera3D_ = nullptr;
  GtkWidget* texture_ = nullptr;
};

}  // namespace

std::unique_ptr<PageView> VideoView(config::VideoPage& page) {
  return std::make_unique<Video>(page);
}

}  // namespace ironwood::platform::gtkconfig
