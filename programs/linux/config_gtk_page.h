#pragma once

// What the GTK sheet asks of each of its pages, and the widget helpers the pages share. Each
// page's view (config_gtk_<page>.cpp) builds its widgets, fills them from its page object in
// config/ and reports what the user does back to it.

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace ironwood::config {
class ScenarioConfigPage;
class ScenarioEditorPage;
class SoundPage;
class VideoPage;
}  // namespace ironwood::config

namespace ironwood::platform::gtkconfig {

class PageView {
 public:
  virtual ~PageView() = default;
  // The page's widgets, once; the sheet puts them in the notebook.
  virtual GtkWidget* Build() = 0;
  // The page has come to the front.
  virtual void Show() = 0;
};

// Message boxes and file choosers open over owner, the sheet's dialog.
std::unique_ptr<PageView> ScenarioConfigView(config::ScenarioConfigPage& page, GtkWindow* owner);
std::unique_ptr<PageView> ScenarioEditorView(config::ScenarioEditorPage& page, GtkWindow* owner);
std::unique_ptr<PageView> SoundView(config::SoundPage& page);
std::unique_ptr<PageView> VideoView(config::VideoPage& page);

// Margins and spacing in pixels, close to the proportions of the 410 x 172 dialog-unit pages.
constexpr int kBorder = 8;
constexpr int kSpacing = 6;
// The sheet's default size, which every page fits.
constexpr int kSheetWidth = 860;
constexpr int kSheetHeight = 600;

inline std::string Text(std::string_view text) { return std::string(text); }

GtkWidget* Frame(const char* title, GtkWidget* child);
GtkWidget* Box(GtkOrientation orientation);
void Pack(GtkWidget* box, GtkWidget* child, bool grow = false);
// A column of buttons set close together, as a group box of check boxes is.
GtkWidget* TightColumn();
// "Add >>" above "<< Remove", centred beside the lists they move entries between.
GtkWidget* AddRemoveColumn(GtkWidget*& add, GtkWidget*& remove);

void SetActive(GtkWidget* toggle, bool on);
// A slider's position as the page logic counts it: whole steps.
int SliderPosition(GtkRange* range);

// A one-column list without a header, scrolled, the rows replaced as a whole.
struct ListView {
  GtkWidget* scroller = nullptr;
  GtkWidget* view = nullptr;
  GtkListStore* store = nullptr;

  // At least `rows` rows show without scrolling.
  void Create(int rows);
  void Fill(const std::vector<std::string>& rows, int selected);
  int Selected() const;
};

// A drop-down of file names; a long name is cut short with an ellipsis rather than widening
// the sheet.
GtkWidget* FileCombo();
void FillCombo(GtkWidget* combo, const std::vector<std::string>& rows, int selected);

// The notice shown where the file lists would be; hidden when there is none.
GtkWidget* NoticeLabel();
void ShowNotice(GtkWidget* label, const std::string& notice);

// A page's message, when it has one, as a warning over owner.
void Report(GtkWindow* owner, const std::string& message);
// A message box over owner, centred on it.
GtkWidget* MessageBox(GtkWindow* owner, GtkMessageType type, GtkButtonsType buttons,
                      const std::string& text);

// Set while a page fills its widgets, so the signals that filling raises are not taken for the
// user's doing. Nests: an inner fill leaves the flag as the outer one set it.
class Filling {
 public:
  explicit Filling(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~Filling() { flag_ = was_; }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;

 private:
  bool& flag_;
  bool was_;
};

// A page's view over its page object. Showing it tells the page and fills the widgets from it:
// the first time only, or each time for a page that lists its folder again.
template <class Logic>
class PageViewOf : public PageView {
 public:
  void Show() final {
    if (shown_ && refill_ == Refill::kFirstShow) return;
    shown_ = true;
    std::string message;
    {
      Filling filling(filling_);
      if constexpr (std::is_void_v<decltype(page_.Show())>) {
        page_.Show();
      } else {
        message = page_.Show();
      }
      Fill();
    }
    // After the filling, so the box's own event loop sees the page as the user will.
    Tell(message);
  }

 protected:
  enum class Refill { kFirstShow, kEachShow };
  PageViewOf(Logic& page, Refill refill) : page_(page), refill_(refill) {}
  // Sets every widget from the page object.
  virtual void Fill() = 0;
  // A message the page gave when it was shown; the pages that list folders show it.
  virtual void Tell(const std::string&) {}

  Logic& page_;
  bool filling_ = false;

 private:
  const Refill refill_;
  bool shown_ = false;
};

}  // namespace ironwood::platform::gtkconfig
