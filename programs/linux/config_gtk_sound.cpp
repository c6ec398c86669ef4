// "Sound": the effects and the music, each switched on and given a volume.

#include "config/sound_page.h"
#include "programs/linux/config_gtk_page.h"

namespace ironwood::platform::gtkconfig {

namespace {

GtkWidget* VolumeSlider() {
  GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_VERTICAL, 0, 100, 1);
  gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
  // Position 0, the top, is the loudest; no fill suggests otherwise.
  gtk_scale_set_has_origin(GTK_SCALE(scale), FALSE);
  gtk_widget_set_size_request(scale, -1, 120);
  return scale;
}

class Sound : public PageViewOf<config::SoundPage> {
 public:
  explicit Sound(config::SoundPage& page) : PageViewOf(page, Refill::kFirstShow) {}

  GtkWidget* Build() override {
    soundFX_ = gtk_check_button_new_with_label("Enable");
    soundFXVolume_ = VolumeSlider();
    cdMusic_ = gtk_check_button_new_with_label("Enable");
    mp3Music_ = gtk_check_button_new_with_label("Enable");
    musicVolume_ = VolumeSlider();
    // The track list and its buttons keep the stored tracks' meaning; nothing shows them.
    tracks_.Create(3);
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

    g_signal_connect(soundFX_, "toggled", G_CALLBACK(+[](GtkToggleButton*, Sound* self) {
                       if (!self->filling_) self->page_.ClickSoundFX();
                     }),
                     this);
    g_signal_connect(cdMusic_, "toggled", G_CALLBACK(+[](GtkToggleButton*, Sound* self) {
                       if (self->filling_) return;
                       self->page_.ClickCDMusic();
                       self->FillMusicBoxes();
                     }),
                     this);
    g_signal_connect(mp3Music_, "toggled", G_CALLBACK(+[](GtkToggleButton*, Sound* self) {
                       if (self->filling_) return;
                       self->page_.ClickMP3Music();
                       self->FillMusicBoxes();
                     }),
                     this);
    g_signal_connect(soundFXVolume_, "value-changed", G_CALLBACK(+[](GtkRange* range, Sound* self) {
                       if (!self->filling_) self->page_.SoundFXSliderMoved(SliderPosition(range));
                     }),
                     this);
    g_signal_connect(musicVolume_, "value-changed", G_CALLBACK(+[](GtkRange* range, Sound* self) {
                       if (!self->filling_) self->page_.MusicSliderMoved(SliderPosition(range));
                     }),
                     this);
    return Frame("Sound:", row);
  }

  void Fill() override {
    SetActive(soundFX_, page_.soundFXOn());
    FillMusicBoxes();
    gtk_range_set_value(GTK_RANGE(soundFXVolume_), page_.soundFXSlider());
    gtk_range_set_value(GTK_RANGE(musicVolume_), page_.musicSlider());
    tracks_.Fill(page_.trackRows(), -1);
  }

 private:
  // The two music sources exclude each other; a click on one may turn the other off.
  void FillMusicBoxes() {
    Filling filling(filling_);
    SetActive(cdMusic_, page_.cdMusicOn());
    SetActive(mp3Music_, page_.mp3MusicOn());
  }

  GtkWidget* soundFX_ = nullptr;
  GtkWidget* soundFXVolume_ = nullptr;
  GtkWidget* cdMusic_ = nullptr;
  GtkWidget* mp3Music_ = nullptr;
  GtkWidget* musicVolume_ = nullptr;
  ListView tracks_;
};

}  // namespace

std::unique_ptr<PageView> SoundView(config::SoundPage& page) {
  return std::make_unique<Sound>(page);
}

}  // namespace ironwood::platform::gtkconfig
