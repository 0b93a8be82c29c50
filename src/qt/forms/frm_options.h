#pragma once

#include "core/config_ui/options.h"
#include "qt/platform/desktop_services.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <array>
#include <cstdint>
#include <functional>

namespace framory::core {
struct Program;
}

namespace framory::qt {

class FormServices;

// Linux is not the Windows NT family: its version record stays zero, so the
// wallpaper option is offered (the show can set the desktop's wallpaper here).
inline constexpr std::int32_t kLinuxPlatformId = 0;

// The options dialog: every option of the show except the folders and the
// file-name captions. Each click writes its field at once; closing saves.
class frm_options : public QDialog, public core::OptionsWindow {
    Q_OBJECT

public:
    frm_options(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen, core::EventPump& pump,
                core::Shell& shell, std::int32_t platform_id, std::function<void()> open_change_password,
                QWidget* parent = nullptr);
    ~frm_options() override;

    // The frames, row by row: left column, right column, then the full-width one.
    QGroupBox Frame1;  // "Scale pictures to:"
    QGroupBox Frame2;  // "Display border around pictures?"
    QGroupBox Frame3;  // "Sound"
    QGroupBox Frame7;  // "Save as wallpaper upon exit?"
    QGroupBox Frame5;  // "Cancel video effect when:"
    QGroupBox Frame6;  // "Effect Adjustments"
    QGroupBox Frame4;  // "Overall speed of video effects"
    QGroupBox Frame8;  // "Picture duration (seconds)"
    QGroupBox Frame9;  // "Gradient background fades"
    QGroupBox Frame10; // "Display Pictures:"
    QGroupBox Frame11; // "Options available while the screen saver is running:"

    QRadioButton Option1;
    QRadioButton Option2;
    QRadioButton Option3;
    QRadioButton Option4;
    QRadioButton Option5;
    QRadioButton Option6;
    QRadioButton Option7;
    QRadioButton Option8;
    QRadioButton Option9;
    QRadioButton Option10;
    QRadioButton Option11;
    QRadioButton Option12;
    QRadioButton Option13;
    QRadioButton Option14;
    QRadioButton Option15;
    QRadioButton Option16;
    QRadioButton Option17;
    QRadioButton Option18;
    QRadioButton Option19;

    QPushButton Command3; // "Audio"
    QScrollBar HScroll2;
    QScrollBar HScroll3;
    QLabel Label3; // "Fine"
    QLabel Label2; // "Coarse"
    QLabel Label4; // "Faster"
    QLabel Label5; // "Slower"
    QScrollBar HScroll1;
    QLabel Label1; // the duration in seconds
    std::array<QLabel, 2> Label6;
    QPushButton Command2; // "Change &Password"
    QPushButton Command1; // "&Ok"

    // The option button with the number, or null.
    QRadioButton* option(int number);
    QScrollBar& scroll(core::Slider slider);

    // OptionsWindow
    double width_twips() override { return m_movable.width_twips(); }
    double height_twips() override { return m_movable.height_twips(); }
    void move_to_twips(double left, double top) override { m_movable.move_to_twips(left, top); }
    void select_button(int number) override;
    void set_slider_position(core::Slider slider, int position) override;
    void set_duration_text(const std::string& text) override;
    void disable_wallpaper_group() override;
    void open_change_password() override;

    // The point size the dialog's texts were given: 8.25, or less where the
    // system's faces are wider than the boxes of the layout allow.
    double text_point_size() const { return m_point_size; }
    // Whether every caption fits its control at the sizes used.
    bool texts_fit() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void lay_out();
    void update_tab_stops();
    void apply_fonts(double point_size);
    void unload();

    core::OptionsDialog m_rules;
    WidgetWindow m_movable;
    std::function<void()> m_open_change_password;
    std::array<QRadioButton*, 20> m_options{}; // by number, 1 to 19
    double m_point_size = 8.25;
    bool m_unloaded = false;
};

// Shows the options dialog modally over `parent` (the configuration hub) and
// returns when it has closed and saved the settings.
void ShowOptionsModal(core::Program& program, FormServices& platform, QWidget* parent,
                      std::function<void()> open_change_password);

} // namespace framory::qt
