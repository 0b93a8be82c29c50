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

} // namespace framory::core
