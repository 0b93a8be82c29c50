#include "core/password/registry_text.h"

#include <gtest/gtest.h>

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

TEST(GetRegistryString, TextLosesItsZeroNumbersGetThreeDigitsFailuresAreEmpty)
{
    struct Case {
        std::optional<RegistryData> value;
        std::string text;
        bool switch_on;
    };
    const Case cases[] = {
        {text_value("1"), "1", true},
        {text_value("001"), "001", true},
        {text_value(" 1"), " 1", true},
        {text_value("2 extra"), "2 extra", true},
        {text_value("0"), "0", false},
        {text_value(""), "", false},
        {text_value("yes"), "yes", false},
        {dword_value(0), "000", false},
        {dword_value(1), "001", true},
        {dword_value(42), "042", true},
        {dword_value(12345), "123", true},
        {dword_value(16777217), "167", true},
        {dword_value(0xffffffffu), "429", true},
        {std::nullopt, "", false},
        {RegistryData{}, "", false} // no data at all
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        registry.answer = c.value;
        EXPECT_EQ(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword"),
                  c.text);
        EXPECT_EQ(registry.asked_buffer, 255u);
        EXPECT_EQ(DesktopPasswordOn(registry), c.switch_on) << c.text;
    }
    FakeRegistry registry;
    registry.answer = text_value("1");
    EXPECT_EQ(GetRegistryString(registry, 0x7fffffffu, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
    EXPECT_EQ(GetRegistryString(registry, 0x80000007u, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
    EXPECT_EQ(registry.queries, 0) << "an unknown root is never opened";
    EXPECT_EQ(LeadingNumber("  12abc"), 12);
    EXPECT_EQ(LeadingNumber("-3"), -3);
    EXPECT_GT(LeadingNumber("99999999999999999999"), 0) << "a long number stays positive";
}

} // namespace
} // namespace framory::core
