#pragma once

#include <string>
#include <string_view>

namespace framory::core {

struct PasswordFields;

// The fixed scrambling key. Password character i uses key character
// (i mod 5) + 1, counting both from 1.
inline constexpr std::string_view kScrambleKey = "wePLx";

// The stored form of a clear password: two letters per character, the first
// in "k".."z" and the second in "a".."p". Characters are single bytes.
std::string Scramble(std::string_view plain);

// The clear password of a stored form. A form that Scramble cannot have
// produced still gives a result and never reads past the text: a lone last
// letter is paired with nothing and dropped, and each rebuilt code keeps
// only its low 8 bits.
std::string Unscramble(std::string_view stored);

// plain_password -> stored_password.
void ScramblePassword(PasswordFields& fields);
// stored_password -> plain_password.
void UnscramblePassword(PasswordFields& fields);

} // namespace framory::core
