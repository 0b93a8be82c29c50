#include "core/startup/saver_mode.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace framory::core {

namespace {

char upper_ascii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::string SwitchOf(std::string_view argument_text)
{
    if (argument_text.empty()) {
        return "/C";
    }
    std::string result(argument_text.substr(0, 2));
    for (char& c : result) {
        c = upper_ascii(c);
    }
    return result;
}

SaverMode ModeOfSwitch(std::string_view switch_text)
{
    if (switch_text == "/C") {
        return SaverMode::Configure;
    }
    if (switch_text == "/S") {
        return SaverMode::Run;
    }
    if (switch_text == "/P") {
        return SaverMode::Preview;
    }
    if (switch_text == "/A") {
        return SaverMode::ChangePassword;
    }
    return SaverMode::None;
}

std::string_view TextAfterSwitch(std::string_view argument_text)
{
    return argument_text.size() > 2 ? argument_text.substr(2) : std::string_view{};
}

std::int32_t ReadWindowHandle(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            compact.push_back(c);
        }
    }

    // Keep the longest beginning that forms a number.
    std::string number;
    std::size_t i = 0;
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) {
        number.push_back(compact[i++]);
    }
    bool mantissa_digits = false;
    while (i < compact.size() && is_digit(compact[i])) {
        number.push_back(compact[i++]);
        mantissa_digits = true;
    }
    if (i < compact.size() && compact[i] == '.') {
        number.push_back(compact[i++]);
        while (i < compact.size() && is_digit(compact[i])) {
            number.push_back(compact[i++]);
            mantissa_digits = true;
        }
    }
    if (!mantissa_digits) {
        return 0;
    }
    if (i < compact.size() && (upper_ascii(compact[i]) == 'E' || upper_ascii(compact[i]) == 'D')) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        if (j < compact.size() && (compact[j] == '+' || compact[j] == '-')) {
            exponent.push_back(compact[j++]);
        }
        bool exponent_digits = false;
        while (j < compact.size() && is_digit(compact[j])) {
            exponent.push_back(compact[j++]);
            exponent_digits = true;
        }
        if (exponent_digits) {
            number += exponent;
        }
    }

    // from_chars reads the same way in every locale and takes no plus sign.
    std::string_view digits = number;
    if (digits.front() == '+') {
        digits.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return 0;
    }
    const double whole = std::nearbyint(value); // the default rounding: halves to even
    if (!std::isfinite(whole) || whole < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        whole > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return 0;
    }
    return static_cast<std::int32_t>(whole);
}

namespace {

// An X window id: decimal, or hexadecimal after "0x"; the whole text, not 0.
HostedRequest window_named(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || id == 0) {
        return {HostedRequest::Target::Bad, 0};
    }
    return {HostedRequest::Target::Window, id};
}

} // namespace

std::optional<HostedRequest> HostedRequestOf(const std::vector<std::string>& arguments,
                                             const char* xscreensaver_window)
{
    bool root = false;
    std::optional<std::string_view> window_id;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-root" || argument == "--root") {
            root = true;
        } else if (argument == "-window-id" || argument == "--window-id") {
            window_id = i + 1 < arguments.size() ? std::string_view(arguments[++i]) : std::string_view();
        } else {
            return std::nullopt;
        }
    }
    if (window_id) {
        return window_named(*window_id);
    }
    if (!root) {
        return std::nullopt;
    }
    if (xscreensaver_window != nullptr && xscreensaver_window[0] != '\0') {
        return window_named(xscreensaver_window);
    }
    return HostedRequest{};
}

} // namespace framory::core
