#include "core/settings/ini_document.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

TEST(IniDocument, ValuesComeBackVerbatimAndALineBreakCannotAddAKey)
{
    IniDocument doc;
    const std::string values[] = {"C:\\Pictures\\",         "a=b=c", "x ; not a comment",
                                  " leading and trailing ", "",      "\xff\xfe bad utf-8 \xc3",
                                  "[not a section]",        "#hash"};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        doc.set("Options", "folder" + std::to_string(i), values[i]);
    }
    doc.set("Options", "folder8", "/pics\nmisc=zzzz");
    doc.set("Options", "folder9", "/more\r\n[Config]");
    const IniDocument again = IniDocument::Parse(doc.render());
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(again.get("Options", "folder" + std::to_string(i)), values[i]);
    }
    EXPECT_EQ(again.get("Options", "folder8"), "/pics");
    EXPECT_EQ(again.get("Options", "folder9"), "/more");
    EXPECT_EQ(again.entry_count(), 10u);
}

TEST(IniDocument, ReadsAFileAPersonWrote)
{
    const IniDocument doc = IniDocument::Parse("; my settings\r\n[Config]\r\ninstall_path=/opt/obelin\r\n\r\n"
                                               "  [ options ]  \n Scene_Delay =12\nscene_delay=99\n"
                                               "# scale_flag=85\njunk line\nmisc=abc=\n");
    EXPECT_EQ(doc.get("Config", "install_path"), "/opt/obelin");
    EXPECT_EQ(doc.get("OPTIONS", "scene_delay"), "12") << "the first of two equal keys wins";
    EXPECT_EQ(doc.get("Options", "scale_flag"), std::nullopt);
    EXPECT_EQ(doc.get("Options", "misc"), "abc=");
    EXPECT_EQ(doc.get("Config", "scene_delay"), std::nullopt);
    EXPECT_EQ(doc.entry_count(), 3u);
}

TEST(IniDocument, RewritingKeepsWhatItDoesNotKnowAndNewKeysJoinTheirSection)
{
    const std::string text = "; comment\n[Other]\nk=v\n[Options]\nscene_delay=5\nunknown=1\n\n[Config]\nb=2\n";
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.render(), text);
    doc.set("Options", "scene_delay", "9");
    doc.set("options", "sound_on", "0");
    doc.set("Config", "b", "3"); // found where the new key above pushed it
    doc.set("Extra", "x", "/x");
    EXPECT_EQ(doc.render(), "; comment\n[Other]\nk=v\n[Options]\nscene_delay=9\nunknown=1\nsound_on=0\n\n"
                            "[Config]\nb=3\n\n[Extra]\nx=/x\n");
}

} // namespace
} // namespace framory::core
