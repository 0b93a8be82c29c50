#include "core/password/registry_text.h"

#include <gtest/gtest.h>

#include <map>

namespace framory::core {
namespace {

class FakeRegistry : public RegistryReader {
public:
    std::optional<RegistryData> answer;
    std::uint32_t asked_buffer = 0;
    int queries = 0;
    std::optional<RegistryData> query(std::uint32_t, const std::string& key, const std::string& value,
                                      std::uint32_t buffer_size) override
    {
        ++queries;
        asked_buffer = buffer_size;
        if (key != "Control Panel\\Desktop" || value != "ScreenSaveUsePassword") {
            return std::nullopt;
        }
        return answer;
    }
};

RegistryData text_value(const std::string& text)
{
    RegistryData d;
    d.type = kRegSz;
    d.bytes.assign(text.begin(), text.end());
    d.bytes.push_back(0);
    d.returned_size = static_cast<std::uint32_t>(d.bytes.size());
    return d;
}

RegistryData dword_value(std::uint32_t number)
{
    RegistryData d;
    d.type = kRegDword;
    for (int i = 0; i < 4; ++i) {
        d.bytes.push_back(static_cast<std::uint8_t>((number >> (8 * i)) & 0xffu));
    }
    d.returned_size = 4;
    return d;
}

TEST(GetRegistryString, TextValuesLoseTheirTerminatingZero)
{
    FakeRegistry registry;
    registry.answer = text_value("1");
    EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "1");
    EXPECT_EQ(registry.asked_buffer, 255u);
    registry.answer = text_value("");
    EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
}

TEST(GetRegistryString, NumbersAreFormattedWithThreeDigitsAndCutToThree)
{
    struct Case {
        std::uint32_t number;
        const char* text;
    };
    FakeRegistry registry;
    for (const Case c : {Case{0, "000"}, Case{1, "001"}, Case{42, "042"}, Case{999, "999"}, Case{12345, "123"},
                         Case{16777217, "167"}, Case{0xffffffffu, "429"}}) {
        registry.answer = dword_value(c.number);
        EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword"),
                  c.text)
            << c.number;
    }
}

TEST(GetRegistryString, FailuresReadAsEmptyText)
{
    FakeRegistry registry;
    registry.answer = text_value("1");
    EXPECT_EQ(GetRegistryString(registry, 0x7fffffffu, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
    EXPECT_EQ(GetRegistryString(registry, 0x80000007u, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
    EXPECT_EQ(registry.queries, 0) << "an unknown root is never opened";
    EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Other", "ScreenSaveUsePassword"), "");
    registry.answer = std::nullopt;
    EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
    RegistryData empty;
    empty.returned_size = 0;
    registry.answer = empty;
    EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "")
        << "a value with no data reads as empty text";
}

TEST(DesktopPasswordOn, TheLeadingNumberDecides)
{
    struct Case {
        std::optional<RegistryData> value;
        bool on;
    };
    FakeRegistry registry;
    for (const Case& c : {Case{text_value("1"), true}, Case{text_value("001"), true}, Case{text_value(" 1"), true},
                          Case{text_value("2 extra"), true}, Case{dword_value(1), true},
                          Case{text_value("0"), false}, Case{text_value("000"), false}, Case{dword_value(0), false},
                          Case{text_value(""), false}, Case{text_value("yes"), false},
                          Case{std::nullopt, false}}) {
        registry.answer = c.value;
        EXPECT_EQ(DesktopPasswordOn(registry), c.on);
    }
}

TEST(LeadingNumber, SkipsBlanksAndStopsAtTheFirstNonDigit)
{
    EXPECT_EQ(LeadingNumber("  12abc"), 12);
    EXPECT_EQ(LeadingNumber("-3"), -3);
    EXPECT_EQ(LeadingNumber("x1"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_GT(LeadingNumber("99999999999999999999"), 0) << "a long number stays positive";
}

} // namespace
} // namespace framory::core
