#include "core/settings/ini_document.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

TEST(IniDocument, ValuesComeBackVerbatim)
{
    IniDocument doc;
    const std::string values[] = {"C:\\Pictures\\", "a=b=c", "x ; not a comment", " leading and trailing ",
                                  "", "\xff\xfe bad utf-8 \xc3", "[not a section]", "#hash"};
    int i = 0;
    for (const auto& v : values) {
        doc.set("Options", "folder" + std::to_string(++i), v);
    }
    const IniDocument again = IniDocument::Parse(doc.render());
    i = 0;
    for (const auto& v : values) {
        EXPECT_EQ(again.get("Options", "folder" + std::to_string(++i)), v);
    }
}

TEST(IniDocument, ReadsAFileAPersonWrote)
{
    const IniDocument doc = IniDocument::Parse("; my settings\r\n"
                                               "[Config]\r\n"
                                               "install_path=/opt/obelin\r\n"
                                               "\r\n"
                                               "  [ options ]  \n"
                                               " Scene_Delay =12\n"
                                               "scene_delay=99\n"
                                               "# scale_flag=85\n"
                                               "junk line\n"
                                               "misc=abc=\n");
    EXPECT_EQ(doc.get("Config", "install_path"), "/opt/obelin");
    EXPECT_EQ(doc.get("OPTIONS", "scene_delay"), "12") << "the first of two equal keys wins";
    EXPECT_EQ(doc.get("Options", "scale_flag"), std::nullopt);
    EXPECT_EQ(doc.get("Options", "misc"), "abc=");
    EXPECT_EQ(doc.get("Config", "scene_delay"), std::nullopt);
    EXPECT_EQ(doc.entry_count(), 3u);
}

TEST(IniDocument, RewritingKeepsWhatItDoesNotKnow)
{
    const std::string text = "; comment\n[Other]\nk=v\n[Options]\nscene_delay=5\nunknown=1\n";
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.render(), text);
    doc.set("Options", "scene_delay", "9");
    doc.set("Options", "sound_on", "0");
    doc.set("Config", "install_path", "/x");
    EXPECT_EQ(doc.render(),
              "; comment\n[Other]\nk=v\n[Options]\nscene_delay=9\nunknown=1\nsound_on=0\n\n[Config]\ninstall_path=/x\n");
}

TEST(IniDocument, NewKeysJoinTheirSectionNotTheEnd)
{
    IniDocument doc = IniDocument::Parse("[Options]\na=1\n\n[Config]\nb=2\n");
    doc.set("options", "c", "3");
    doc.set("Options", "d", "4");
    EXPECT_EQ(doc.render(), "[Options]\na=1\nc=3\nd=4\n\n[Config]\nb=2\n");
    EXPECT_EQ(doc.get("Config", "b"), "2");
    EXPECT_EQ(doc.get("Options", "d"), "4");
}

TEST(IniDocument, LineBreakInAValueCannotAddAKey)
{
    IniDocument doc;
    doc.set("Options", "folder1", "/pics\nmisc=zzzz");
    doc.set("Options", "folder2", "/more\r\n[Config]");
    const IniDocument again = IniDocument::Parse(doc.render());
    EXPECT_EQ(again.get("Options", "folder1"), "/pics");
    EXPECT_EQ(again.get("Options", "folder2"), "/more");
    EXPECT_EQ(again.get("Options", "misc"), std::nullopt);
    EXPECT_EQ(again.entry_count(), 2u);
}

TEST(IniDocument, ManyKeysStayFindable)
{
    std::string text = "[Options]\nfolders_total=2\n";
    for (int i = 1; i <= 10000; ++i) {
        text += "folder" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    }
    text += "[Config]\ninstall_path=/x\n";
    IniDocument doc = IniDocument::Parse(text);
    doc.set("Options", "folders_total", "10000");
    doc.set("Options", "misc", "xe");
    doc.set("Config", "dir_path", "/d/");
    const IniDocument again = IniDocument::Parse(doc.render());
    EXPECT_EQ(again.get("Options", "folder1"), "1");
    EXPECT_EQ(again.get("Options", "folder10000"), "10000");
    EXPECT_EQ(again.get("Options", "folders_total"), "10000");
    EXPECT_EQ(again.get("Options", "misc"), "xe");
    EXPECT_EQ(again.get("Config", "install_path"), "/x");
    EXPECT_EQ(again.get("Config", "dir_path"), "/d/");
    EXPECT_EQ(again.entry_count(), 10004u);
}

} // namespace
} // namespace framory::core
