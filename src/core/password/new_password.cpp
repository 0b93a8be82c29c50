#include "core/password/new_password.h"

#include "core/password/code_page.h"
#include "core/password/scramble.h"
#include "core/settings/schema.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

namespace framory::core {

namespace {

// The Windows-1252 code of a typed UTF-16 unit, or nothing when the code
// page has no such character.
std::optional<unsigned char> code_of(char16_t typed)
{
    const std::string code = ToWindows1252(std::u16string_view(&typed, 1));
    const auto byte = static_cast<unsigned char>(code.front());
    if (FromWindows1252(code).front() != typed) {
        return std::nullopt;
    }
    return byte;
}

char key_cap_of(char16_t typed, KeyboardLayout& layout)
{
    const std::optional<unsigned char> code = code_of(typed);
    if (!code) {
        return '?';
    }
    if (const std::optional<KeyboardLayout::Key> key = layout.key_for_character(*code)) {
        if (const std::optional<unsigned char> unshifted = layout.unshifted_character(*key);
            unshifted && *unshifted != 0) {
            return static_cast<char>(*unshifted);
        }
    }
    // A mend of the rule as it was first written: with no key cap the
    // character became code 0, which nobody can type at the prompt, so a
    // show protected by such a password could never be ended. It keeps its
    // typed form instead, as a capital where it is a letter.
    return UpperWindows1252(std::string(1, static_cast<char>(*code))).front();
}

} // namespace

std::string ToKeyCaps(std::u16string_view typed, KeyboardLayout& layout)
{
    std::string caps;
    caps.reserve(typed.size());
    for (const char16_t c : typed) {
        caps.push_back(key_cap_of(c, layout));
    }
    return caps;
}

NewPassword::NewPassword(Program& program, NewPasswordWindow& window, NewPasswordServices services)
    : m_program(program), m_window(window), m_services(services)
{
}

void NewPassword::Form_Load()
{
    CenterForm(m_window, m_services.screen, m_services.pump);
    m_window.set_new_password({});
    m_window.set_confirmed_password({});
}

void NewPassword::OK_Click()
{
    // Each box shows its key caps from now on, also when a check below
    // refuses them, so the user sees what would have been stored.
    const std::string new_caps = ToKeyCaps(m_window.new_password(), m_services.keyboard);
    m_window.set_new_password(FromWindows1252(new_caps));
    const std::string confirmed_caps = ToKeyCaps(m_window.confirmed_password(), m_services.keyboard);
    m_window.set_confirmed_password(FromWindows1252(confirmed_caps));

    if (new_caps != confirmed_caps) {
        m_window.show_mismatch_message();
        return;
    }
    if (new_caps.size() > kMaxPasswordLength) {
        m_window.show_too_long_message();
        return;
    }
    // Both boxes empty give the empty stored form: no password.
    m_program.password.plain_password = new_caps;
    ScramblePassword(m_program.password);
    WriteStored(m_services.store, FieldOf(Role::Password), m_program.password.stored_password);
    m_services.pump.process_pending();
    m_window.close();
}

void NewPassword::Cancel_Click()
{
    m_window.close();
}

} // namespace framory::core
