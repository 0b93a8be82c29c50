// Any settings file text parses; what it holds survives being written and
// read again, and a value set afterwards reads back as set.
#include "core/settings/ini_document.h"

#include "fuzz_target.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using framory::core::IniDocument;
    const std::string text(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::Parse(text);
    const auto before = doc.get("Options", "scene_delay");
    const IniDocument again = IniDocument::Parse(doc.render());
    if (again.get("Options", "scene_delay") != before) {
        std::abort();
    }
    const std::string value = text.substr(0, text.find_first_of("\r\n"));
    doc.set("Options", "folder1", value);
    const IniDocument third = IniDocument::Parse(doc.render());
    if (third.get("Options", "folder1") != value) {
        std::abort();
    }
    return 0;
}
