#include "core/slideshow/show.h"

#include "core/settings/settings.h"
#include "core/slideshow/effect_table.h"
#include "core/slideshow/lists.h"
#include "core/slideshow/placement.h"
#include "core/slideshow/random.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

namespace framory::core {

namespace {

constexpr int kTimer2IntervalMs = 500;
constexpr int kBackgroundGrain = 12;
constexpr int kBackgroundPace = 60;
constexpr int kBackgroundSmoothness = 200;
constexpr int kMessageGrain = 10;

std::string upper_last_three(const std::string& name)
{
    std::string ext = name.size() > 3 ? name.substr(name.size() - 3) : name;
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return ext;
}

} // namespace

ScreenSaverShow::ScreenSaverShow(Program& program, ShowWindow& window, ShowComponents components,
                                 ShowServices services, ShowHost host)
    : m_program(program), m_window(window), m_c(components), m_s(services), m_hosted(host == ShowHost::Hosted)
{
}

double ScreenSaverShow::clock()
{
    return m_s.clock.seconds_since_midnight();
}

void ScreenSaverShow::let_messages_run()
{
    m_s.pump.process_pending();
}

void ScreenSaverShow::request_dismiss()
{
    if (m_hosted) {
        return; // the host ends a hosted show
    }
    m_program.show.dismissal.request();
}

void ScreenSaverShow::Form_Load()
{
    ShowState& show = m_program.show;
    m_c.label1.set_text_size(8);
    m_c.label1.set_bold(true);
    show.cycle_started = 0;
    LoadSettings(m_program, m_s.store);
    const Settings& settings = m_program.settings;
    m_c.image1.set_effect_cancel(settings.cancel_mode);
    m_c.label1.set_effect_cancel(settings.cancel_mode);
    m_c.label3.set_effect_cancel(settings.cancel_mode);
    show.dismissal.reset();
    if (!m_hosted) {
        HidePointer(m_s.cursor);
    }

    show.start_error = 0;
    if (BuildLists(m_program.folders, m_s.lister, show.lists) == kListsFoundNoPictures) {
        show.start_error = kListsFoundNoPictures;
    }
    if (!m_hosted) {
        SaverStateOn(m_s.saver);
    }
    InitEffectTable(show.effect_table);
    show.next_audio_request = 1;

    m_s.random.reseed_from_clock();
    show.current_audio = static_cast<std::int16_t>(WholeDraw(show.lists.audio.count(), m_s.random.draw()) - 1);
    if (settings.random_order == 0) {
        show.current_picture =
            static_cast<std::int16_t>(WholeDraw(show.lists.pictures.count(), m_s.random.draw()) - 1);
    } else {
        show.current_picture = 1;
        m_previous_picture = 1;
    }
    show.cycle_state = CycleState::Load;

    const BackgroundFill fill = DrawBackground(settings.gradient, m_s.random);
    m_c.label3.set_gradient_colour(fill.colour);
    m_c.label3.set_gradient_style(fill.style);
    m_activated = false;
}

void ScreenSaverShow::Form_Activate()
{
    if (m_activated) {
        return;
    }
    if (!m_window.maximised()) {
        m_window.maximise();
    }
    m_c.image2.move(0, 0, m_window.inner_width(), m_window.inner_height());
    m_c.label3.move(0, 0, m_window.inner_width(), m_window.inner_height());
    // The background label is part of the window from the start: once it
    // covers the window it shows the first background (the colour and style
    // the load step drew, with no effect), so the first picture and the
    // first messages already stand on it.
    m_c.label3.show();
    m_window.bring_to_front();
    if (!m_program.config_preview && !m_hosted) {
        m_window.make_top_most();
        let_messages_run();
    }
    m_window.start_timer2(kTimer2IntervalMs);
    let_messages_run();
    m_activated = true;
}

void ScreenSaverShow::Form_Unload()
{
    StopSequence(m_c.snd1);
    StopSequence(m_c.snd2);
    m_program.show_running = false;
    if (!m_hosted) {
        SaverStateOff(m_s.saver);
        ShowPointer(m_s.cursor);
    }
}

void ScreenSaverShow::Form_KeyPress(char& key)
{
    const char upper = (key >= 'a' && key <= 'z') ? static_cast<char>(key - 'a' + 'A') : key;
    if (upper == 'P') {
        key = 0;
        print_screen();
    } else if (upper == 'M') {
        key = 0;
        StopSequence(m_c.snd2);
        m_program.show.next_audio_request = 1;
    } else {
        request_dismiss();
    }
}

void ScreenSaverShow::print_screen()
{
    ShowState& show = m_program.show;
    if (show.holding == 0) {
        return;
    }
    SnapshotSequence(m_c.image2, [this] { let_messages_run(); });

    // The first printer step that fails says so once; the printer steps
    // after it are skipped, since a printer that failed once fails again
    // and each would only repeat the message. The frozen copy is hidden
    // again all the same, and the show goes on.
    bool failed = false;
    const auto printer_step = [&](const auto& step) {
        if (failed) {
            return;
        }
        if (!step()) {
            failed = true;
            ShowPointer(m_s.cursor);
            m_s.messages.printer_problem();
            HidePointer(m_s.cursor);
        }
    };
    printer_step([&] { return m_s.printer.prepare(); });
    show.scale_to_area = ScaleToArea::Scale;
    printer_step([&] {
        double page_width = 0;
        double page_height = 0;
        if (!m_s.printer.page_size(page_width, page_height)) {
            return false;
        }
        show.picture_rect = PlacePicture(ScaleToArea::Scale, 0.0f, 0.0f, static_cast<float>(page_height),
                                         static_cast<float>(page_width),
                                         NearestWhole(m_s.screen.screen_height_twips()),
                                         NearestWhole(m_s.screen.screen_width_twips()), 90);
        return true;
    });
    printer_step([&] {
        const auto picture = m_c.image2.snapshot_picture();
        return picture && m_s.printer.draw_picture(*picture, 0, 0, show.picture_rect.width,
                                                   show.picture_rect.height);
    });
    let_messages_run();
    printer_step([&] { return m_s.printer.end_document(); });
    let_messages_run();
    m_c.image2.hide();
    let_messages_run();
}

void ScreenSaverShow::CountMouseMove()
{
    if (m_hosted) {
        return;
    }
    m_program.show.dismissal.count_move(clock());
}

void ScreenSaverShow::Timer1_Timer()
{
    if (m_in_tick) {
        return;
    }
    m_in_tick = true;
    ShowState& show = m_program.show;
    if (show.dismissal.exit_now()) {
        close_show();
        return;
    }
    switch (show.cycle_state) {
    case CycleState::Load:
        state_load();
        break;
    case CycleState::Hold:
        state_hold();
        break;
    case CycleState::Clear:
        state_clear();
        break;
    case CycleState::Caption:
        state_caption();
        break;
    case CycleState::Arm:
        arm_hold();
        break;
    case CycleState::Pause:
        show.cycle_state = CycleState::Arm;
        break;
    }
    m_in_tick = false;
    dismissal_check();
}

ScreenSaverShow::Choice ScreenSaverShow::choose_next_picture()
{
    const ShowState& show = m_program.show;
    const int count = show.lists.pictures.count();
    Choice choice{show.current_picture, m_previous_picture};
    if (count == 1) {
        choice.current = 1;
        return choice;
    }
    if (m_program.settings.random_order != 1) {
        choice.current = static_cast<std::int16_t>(choice.current + 1 > count ? 1 : choice.current + 1);
        return choice;
    }
    m_draw_count = 0;
    while (choice.current == choice.previous) {
        m_s.random.reseed_from_clock();
        choice.current = static_cast<std::int16_t>(WholeDraw(count, m_s.random.draw()));
        ++m_draw_count;
        if (m_draw_count == 100) {
            m_draw_count = 1;
            choice.current = static_cast<std::int16_t>(choice.previous + 1 > count ? 1 : choice.previous + 1);
        }
    }
    choice.previous = choice.current;
    return choice;
}

void ScreenSaverShow::state_load()
{
    ShowState& show = m_program.show;
    const Settings& settings = m_program.settings;
    const FrameValues& frame = m_program.frame;
    show.holding = 0;
    m_new_size = false; // this picture is placed in the window's size now
    if (show.start_error > 0) {
        m_chosen_ahead.reset();
        show.cycle_state = CycleState::Caption;
        return;
    }
    const Choice choice = m_chosen_ahead ? *m_chosen_ahead : choose_next_picture();
    m_chosen_ahead.reset();
    show.current_picture = choice.current;
    m_previous_picture = choice.previous;

    FXImage& image = m_c.image1;
    image.set_drawing(false);
    image.set_size_mode(SizeMode::Loading);
    image.move(0, 0, m_window.inner_width(), m_window.inner_height());
    if (settings.border_active != 0) {
        image.set_band1_colour_a(frame.border_colour_1);
        image.set_band1_colour_b(frame.border_colour_2);
        image.set_band1_style(frame.border_style_1);
        image.set_band1_size(frame.border_size_1);
        image.set_band2_colour_a(frame.border_colour_3);
        image.set_band2_colour_b(frame.border_colour_4);
        image.set_band2_style(frame.border_style_2);
        image.set_band2_size(frame.border_size_2);
        image.set_outer_colour(frame.border_colour_5);
        image.set_outer_size(frame.border_size_3);
    } else {
        image.set_outer_size(0);
        image.set_band1_size(0);
        image.set_band2_size(0);
    }
    image.set_drawing(true);
    image.set_file_name(show.lists.pictures[show.current_picture]);
    if (image.load_status() != 0) {
        image.set_drawing(true);
        image.bring_to_front();
        image.hide();
        let_messages_run();
        show.cycle_state = CycleState::Caption;
        return;
    }

    const auto area_top = static_cast<float>(m_window.top());
    const auto area_left = static_cast<float>(m_window.left());
    const auto area_height = static_cast<float>(m_window.inner_height());
    const auto area_width = static_cast<float>(m_window.inner_width());
    const auto place = [&](ScaleToArea mode, std::int16_t percent) {
        show.scale_to_area = mode;
        show.picture_rect = PlacePicture(mode, area_top, area_left, area_height, area_width, image.natural_height(),
                                         image.natural_width(), percent);
    };
    switch (settings.scale_flag) {
    case 0:
        place(ScaleToArea::ShrinkOnly, 100);
        break;
    case 85:
        place(ScaleToArea::Scale, 85);
        break;
    case 100:
        place(ScaleToArea::Scale, 100);
        break;
    default:
        break; // the previous rectangle stays
    }
    const PictureRect& r = show.picture_rect;
    image.move(r.left, r.top, r.width, r.height);
    image.set_size_mode(SizeMode::Stretch);
    image.set_effect_grain(settings.effect_grain);
    image.set_effect_pace(EffectPace(settings.effect_delay, settings.effect_speed));
    image.set_effect(DrawEffect(show.effect_table, m_s.random, show.current_effect));
    image.set_drawing(true);
    image.bring_to_front();
    image.show();
    let_messages_run();
    show.cycle_state = CycleState::Caption;
}

void ScreenSaverShow::state_hold()
{
    ShowState& show = m_program.show;
    show.holding = 1;
    // While the picture is held, the next one is chosen by the same rules
    // and handed to the component to decode meanwhile.
    if (!m_chosen_ahead && show.start_error == 0 && show.lists.pictures.count() > 0) {
        m_chosen_ahead = choose_next_picture();
        m_c.image1.prepare(show.lists.pictures[m_chosen_ahead->current]);
    }
    const double t = clock();
    const std::int32_t delay = m_program.settings.scene_delay;
    // Past midnight the clock starts again from 0, and a deadline set
    // before lies too far ahead: it is set again from now.
    if (static_cast<double>(show.next_change) - t > static_cast<double>(delay)) {
        show.next_change = NearestWhole(clock() + static_cast<double>(delay));
    }
    if (clock() > static_cast<double>(show.next_change) || m_new_size) {
        show.holding = 0;
        show.cycle_state = CycleState::Clear;
    }
}

void ScreenSaverShow::state_clear()
{
    m_c.image1.set_drawing(false);
    m_c.label1.set_drawing(false);
    m_c.image1.hide();
    m_c.label1.hide();
    repaint_background();
    m_program.show.cycle_state = CycleState::Load;
}

void ScreenSaverShow::repaint_background()
{
    FXLabel& background = m_c.label3;
    background.set_drawing(false);
    const BackgroundFill fill = DrawBackground(m_program.settings.gradient, m_s.random);
    background.set_gradient_colour(fill.colour);
    background.set_gradient_style(fill.style);
    background.set_gradient_smoothness(kBackgroundSmoothness);
    background.set_effect_pace(kBackgroundPace);
    background.set_effect_grain(kBackgroundGrain);
    background.set_effect(EffectTable::kBackgroundFill);
    background.set_drawing(true);
    background.refresh();
    background.show();
    let_messages_run();
    m_c.image1.set_drawing(true);
    m_c.label1.set_drawing(true);
    background.set_effect(0);
}

void ScreenSaverShow::position_caption()
{
    // Placed once the caption is set, from the label's size with the new
    // text, so every caption is centred at the bottom whatever its length.
    FXLabel& label = m_c.label1;
    label.move((m_window.inner_width() - label.component_width()) / 2.0,
               m_window.inner_height() - label.component_height(), label.component_width(),
               label.component_height());
}

void ScreenSaverShow::state_caption()
{
    ShowState& show = m_program.show;
    const Settings& settings = m_program.settings;
    FXLabel& caption = m_c.label1;
    m_c.label3.set_drawing(false);
    m_c.image1.set_drawing(false);
    caption.set_drawing(false);

    const auto message = [&](const std::string& text) {
        show.caption_text = text;
        caption.set_effect_grain(kMessageGrain);
        caption.set_effect_pace(0);
        caption.set_effect(0);
        caption.set_caption(show.caption_text);
        position_caption();
    };
    if (show.start_error == 0) {
        const std::string& path = show.lists.pictures[show.current_picture];
        if (m_c.image1.load_status() != 0) {
            message(path + kNotLoadedSuffix);
        } else if (settings.show_filenames == 0) {
            show.cycle_state = CycleState::Pause;
            return;
        } else {
            show.caption_text = path;
            caption.set_caption(show.caption_text);
            position_caption();
            caption.set_effect_grain(static_cast<int>(CaptionGrain(settings.effect_grain)));
            caption.set_effect_pace(EffectPace(settings.effect_delay, settings.effect_speed));
            caption.set_effect(DrawEffect(show.effect_table, m_s.random, show.current_effect));
        }
    }
    if (show.start_error == kListsFoundNoPictures) {
        message(kNoPhotosMessage);
    }
    caption.set_drawing(true);
    caption.show();
    caption.bring_to_front();
    let_messages_run();
    show.cycle_state = CycleState::Pause;
}

void ScreenSaverShow::arm_hold()
{
    m_program.show.next_change = NearestWhole(clock() + static_cast<double>(m_program.settings.scene_delay));
    m_program.show.cycle_state = CycleState::Hold;
}

void ScreenSaverShow::dismissal_check()
{
    Dismissal& dismissal = m_program.show.dismissal;
    if (dismissal.decision_due()) {
        if (!m_s.password_switch.DesktopPasswordOn()) {
            dismissal.allow_exit();
            return;
        }
        if (m_program.password.plain_password.empty()) {
            dismissal.allow_exit();
        } else {
            dismissal.open_prompt();
            m_s.prompt.show_modal(m_program);
        }
    }
    let_messages_run();
}

void ScreenSaverShow::close_show()
{
    if (m_program.settings.wallpaper == 1 && !m_hosted) {
        m_c.label3.set_effect(0);
        m_c.label3.refresh();
        let_messages_run();
        m_c.image1.set_effect(0);
        m_c.image1.show();
        m_c.image1.refresh();
        let_messages_run();
        SnapshotSequence(m_c.image2, [this] { let_messages_run(); });
        const auto picture = m_c.image2.snapshot_picture();
        const std::string path = m_program.windows_dir + kWallpaperFileName;
        // A bitmap that could not be written is not made the wallpaper; the
        // show ends all the same.
        if (picture && m_window.save_as_bitmap(*picture, path)) {
            m_s.wallpaper.SetWallpaper(path);
            let_messages_run();
        }
    }
    m_in_tick = false;
    m_window.unload();
}

void ScreenSaverShow::Timer2_Timer()
{
    ShowState& show = m_program.show;
    const FileList& audio = show.lists.audio;
    if (m_program.settings.sound_on != 0 && !m_hosted && audio.count() > 0 && show.next_audio_request == 1) {
        show.current_audio = static_cast<std::int16_t>(show.current_audio + 1 > audio.count() ? 1 : show.current_audio + 1);
        const std::string& file = audio[show.current_audio];
        m_c.snd2.set_device(upper_last_three(file) == "WAV" ? SoundDevice::Wave : SoundDevice::Midi);
        m_c.snd2.set_sound_file(file);
        show.next_audio_request = 0;
    }
    if (show.cycle_started == 0) {
        m_window.enable_timer1();
        show.cycle_started = 1;
    }
}

void ScreenSaverShow::FXSnd2_Finished()
{
    m_program.show.next_audio_request = 1;
}

} // namespace framory::core
